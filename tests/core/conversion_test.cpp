// What the direct conversion call reports, the texts of its outcomes, and an
// update that must tell an identical header from one that only starts alike.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "core/conversion.h"
#include "core/data_kind.h"
#include "core/outcome.h"
#include "system_calls_mock.h"
#include "test_support.h"

namespace {

using core::Outcome;
using core::OutcomeFile;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(Outcome, EachHasItsExactTextAndItsFile) {
    const struct {
        Outcome outcome;
        const char* text;
        OutcomeFile file;
    } cases[] = {
        {Outcome::Accepted, "", OutcomeFile::None},
        {Outcome::Converted, "", OutcomeFile::None},
        {Outcome::NoInputPath, "Please select a file", OutcomeFile::None},
        {Outcome::NoClassName, "Please specify a classname", OutcomeFile::None},
        {Outcome::OutputNameTaken, "Please specify an(other) output filename", OutcomeFile::Output},
        {Outcome::InputNotFound, "Input file not found.", OutcomeFile::Input},
        {Outcome::InputTooLarge, "Input file is too large.", OutcomeFile::Input},
        {Outcome::InputUnreadable, "Input file could not be read.", OutcomeFile::Input},
        {Outcome::OutputExists, "Output file already created.", OutcomeFile::Output},
        {Outcome::OutputNotCreated, "Output file could not be created.", OutcomeFile::Output},
        {Outcome::OutputNotWritten, "Output file could not be written.", OutcomeFile::Output},
        {Outcome::OutOfMemory, "Out of memory.", OutcomeFile::None},
        {Outcome::NotStarted, "Conversion could not be started.", OutcomeFile::None},
        {Outcome::OutputUnreadable, "Output file could not be read.", OutcomeFile::Output},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::MessageText(c.outcome), c.text);
        EXPECT_EQ(core::FileConcerned(c.outcome), c.file) << c.text;
    }
}

TEST(Conversion, ReportsTheNameOnceTheOutputExistsThenSteadyProgress) {
    TempDir dir;
    const std::uint32_t size = 1024 * 1024 + 5;
    WriteFile(dir / "in.bin", std::string(size, 'z'));
    test::RecordedProgress progress;
    ASSERT_TRUE(core::Convert({dir / "in.bin", "CX", dir / "in.h", size}, progress).Ok());
    EXPECT_EQ(progress.displayName, "in.bin");
    EXPECT_EQ(progress.byteCount, size);
    EXPECT_GE(progress.advances, 1 + static_cast<int>(size / (64 * 1024)));

    // A conversion refused before its output exists reports nothing.
    for (const std::string& output : {dir / "in.h", dir / "missing/out.h"}) {
        test::RecordedProgress refused;
        EXPECT_FALSE(core::Convert({dir / "in.bin", "CX", output, size}, refused).Ok());
        EXPECT_EQ(refused.displayName, "");
        EXPECT_EQ(refused.advances, 0);
    }
}

ino_t Inode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST(Conversion, UpdateKeepsOnlyAnIdenticalHeader) {
    TempDir dir;
    WriteFile(dir / "in.bin", std::string(100000, 'u'));
    ASSERT_EQ(test::Convert(dir / "in.bin", dir / "expected.h"), Outcome::Converted);
    const std::string expected = ReadFile(dir / "expected.h");
    std::string changed = expected;
    changed[changed.size() / 2] ^= 1;

    const struct {
        const char* what;
        std::string old;
    } cases[] = {
        {"identical", expected},
        {"extra bytes after an identical prefix", expected + "\r\n"},
        {"cut short", expected.substr(0, expected.size() - 1)},
        {"one bit differs", changed},
        {"empty", ""},
    };
    core::ConversionJob job{dir / "in.bin", "CTestFile", dir / "out.h"};
    job.options.outputMode = core::OutputMode::Update;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir / "out.h", c.old);
        const ino_t before = Inode(dir / "out.h");
        test::RecordedProgress progress;  // never falls, though a rewrite starts again
        EXPECT_EQ(core::Convert(job, progress).outcome, Outcome::Converted);
        EXPECT_EQ(ReadFile(dir / "out.h"), expected);
        // Left untouched, or replaced by a new file: never rewritten in place.
        EXPECT_EQ(Inode(dir / "out.h") == before, c.old == expected);
    }
}

// With no descriptor left for the old header, an update says so and leaves
// the header as it was.
TEST(Conversion, UpdateThatCannotOpenTheOldHeaderSaysWhy) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "out.h", "old");
    test::ScopedSystemCalls sys;
    sys->openat = [](int dirFd, const char* path, int flags, mode_t mode) {
        const std::string name = path;
        if (name.size() >= 5 && name.compare(name.size() - 5, 5, "out.h") == 0)
            return errno = EMFILE, -1;
        return ::openat(dirFd, path, flags, mode);
    };
    core::ConversionJob job{dir / "in.bin", "CTestFile", dir / "out.h"};
    job.options.outputMode = core::OutputMode::Update;
    core::NoProgress progress;
    const core::ConversionResult result = core::Convert(job, progress);
    EXPECT_EQ(result.outcome, Outcome::OutputUnreadable);
    EXPECT_EQ(result.reason, std::errc::too_many_files_open);
    EXPECT_EQ(ReadFile(dir / "out.h"), "old");
}

// The input that the read below changes, and how: bytes to add, or minus
// the size to cut it to.
std::string g_input;
std::atomic<int> g_change{0};

// The source kind declares the length before it reads: an input that grows
// or shrinks meanwhile fails as unreadable, and neither file appears. The
// change comes with the first read, on the thread that reads ahead.
TEST(Conversion, SourceKindRefusesAnInputThatChangesWhileRead) {
    for (const int change : {0, 1, -1000}) {
        TempDir dir;
        g_input = dir / "in.bin";
        WriteFile(g_input, std::string(300000, 'x'));
        g_change = change;
        core::ConversionJob job{g_input, "CInFile", dir / "in.h"};
        job.options.data = core::DataKind::Source;
        test::ScopedSystemCalls sys;
        sys->read = [](int fd, void* buffer, size_t size) {
            if (const int by = g_change.exchange(0); by > 0) {
                std::ofstream(g_input, std::ios::app)
                    << std::string(static_cast<std::size_t>(by), 'y');
            } else if (by < 0) {
                EXPECT_EQ(::truncate(g_input.c_str(), -by), 0);
            }
            return ::read(fd, buffer, size);
        };
        core::NoProgress progress;
        const core::ConversionResult result = core::Convert(job, progress);
        if (change == 0) {
            EXPECT_TRUE(result.Ok());
            EXPECT_EQ(test::Entries(dir), (std::vector<std::string>{"in.bin", "in.c", "in.h"}));
            EXPECT_NE(ReadFile(dir / "in.c").find("infile[300000]"), std::string::npos);
        } else {
            EXPECT_EQ(result.outcome, Outcome::InputUnreadable) << change;
            EXPECT_EQ(test::Entries(dir), std::vector<std::string>{"in.bin"}) << change;
        }
    }
}

// An update that finds the header different after writing the companion
// anew (or creating it) goes over the input again: each file ends up
// written once, as a fresh conversion writes it.
TEST(Conversion, UpdateOfBothFilesWritesEachOnce) {
    for (const core::DataKind kind : {core::DataKind::Source, core::DataKind::Rc}) {
        for (const bool companionThere : {true, false}) {
            TempDir dir;
            TempDir fresh;
            const std::string companion = kind == core::DataKind::Source ? "in.c" : "in.rc";
            core::NoProgress progress;
            core::ConversionJob job{dir / "in.bin", "CInFile", dir / "in.h"};
            job.options.data = kind;
            job.options.outputMode = core::OutputMode::Update;
            WriteFile(dir / "in.bin", "abc");
            ASSERT_TRUE(core::Convert(job, progress).Ok());
            if (!companionThere) std::filesystem::remove(dir / companion);
            WriteFile(dir / "in.bin", "abcd");
            ASSERT_TRUE(core::Convert(job, progress).Ok());

            WriteFile(fresh / "in.bin", "abcd");
            job.inputPath = fresh / "in.bin";
            job.outputPath = fresh / "in.h";
            ASSERT_TRUE(core::Convert(job, progress).Ok());
            for (const std::string& name : {companion, std::string("in.h")}) {
                std::string expected = ReadFile(fresh / name);
                if (kind == core::DataKind::Rc) {  // the .rc names its input's folder
                    const std::string from = fresh.Path().string();
                    const std::string to = dir.Path().string();
                    for (auto at = expected.find(from); at != std::string::npos;
                         at = expected.find(from, at + to.size()))
                        expected.replace(at, from.size(), to);
                }
                EXPECT_EQ(ReadFile(dir / name), expected) << name << companionThere;
            }
        }
    }
}

}  // namespace
