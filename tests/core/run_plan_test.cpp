// The run's plan: every path it reads or writes, refused where two lead to
// one file or an output is not free to take.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "core/run_plan.h"
#include "test_support.h"

namespace {

using test::TempDir;
using test::WriteFile;

core::ConversionJob Job(const std::string& input, const std::string& output,
                        core::DataKind kind = core::DataKind::Hex,
                        core::OutputMode mode = core::OutputMode::NewFile) {
    core::ConversionJob job{input, "CTestFile", output};
    job.options.data = kind;
    job.options.outputMode = mode;
    return job;
}

std::string Conflict(const core::RunPlan& plan) {
    const auto conflict = plan.FindConflict();
    return conflict ? conflict->path + ": " + conflict->message : "";
}

TEST(RunPlan, RefusesAnyTwoPathsThatLeadToOneFileNamingBoth) {
    TempDir dir;
    WriteFile(dir / "in.rc", "precious");
    WriteFile(dir / "b.bin", "b");
    WriteFile(dir / "b.wav", "w");
    ASSERT_EQ(::link((dir / "b.bin").c_str(), (dir / "link.bin").c_str()), 0);
    const auto update = core::OutputMode::Update;

    core::RunPlan rcOverInput;  // the companion would replace the input
    rcOverInput.AddJob(Job(dir / "in.rc", dir / "in.h", core::DataKind::Rc, update));
    EXPECT_EQ(Conflict(rcOverInput), dir / "in.rc" + ": the .rc file of " + dir / "in.h" +
                                         " would be the same file as the input " + dir / "in.rc");

    core::RunPlan twoHeaders;
    twoHeaders.AddJob(Job("b.bin", dir / "b.h"));
    twoHeaders.AddJob(Job("b.wav", dir / "./b.h"));
    EXPECT_EQ(
        Conflict(twoHeaders),
        dir / "./b.h" + ": the header of b.wav would be the same file as the header of b.bin");

    core::RunPlan depfileOverRc;
    depfileOverRc.AddJob(Job(dir / "b.bin", dir / "x.h", core::DataKind::Rc));
    depfileOverRc.AddDependencyFile(dir / "x.rc");
    EXPECT_NE(Conflict(depfileOverRc).find("the dependency file would be the same file as the .rc"),
              std::string::npos);

    core::RunPlan updateOverLink;  // a hard link is the same file under another name
    updateOverLink.AddJob(Job(dir / "b.bin", dir / "link.bin", core::DataKind::Hex, update));
    EXPECT_NE(Conflict(updateOverLink).find("would be the same file as the input"),
              std::string::npos);

    core::RunPlan readTwice;  // reading one file twice harms nothing
    readTwice.AddJob(Job(dir / "b.bin", dir / "1.h"));
    readTwice.AddJob(Job(dir / "link.bin", dir / "2.h"));
    EXPECT_EQ(Conflict(readTwice), "");
}

TEST(RunPlan, OutputsMustBeFreeOrForAnUpdateRegularFiles) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "in.rc", "old");
    ASSERT_EQ(::mkdir((dir / "deps").c_str(), 0755), 0);

    core::RunPlan fresh;
    fresh.AddJob(Job(dir / "in.bin", dir / "in.h", core::DataKind::Rc));
    EXPECT_EQ(Conflict(fresh), dir / "in.rc" + ": Please specify an(other) output filename");

    core::RunPlan update;
    update.AddJob(Job(dir / "in.bin", dir / "in.h", core::DataKind::Rc, core::OutputMode::Update));
    EXPECT_EQ(Conflict(update), "");
    update.AddDependencyFile(dir / "deps");
    EXPECT_EQ(Conflict(update),
              dir / "deps" + ": Dependency file would replace something that is not a file.");
}

}  // namespace
