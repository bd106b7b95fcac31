// What the worker and the Convert checks do with bad input and hostile
// outputs: a clear message, and never a touched, overwritten or partial file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "core/job_check.h"
#include "core/outcome.h"
#include "mounts.h"
#include "system_calls_mock.h"
#include "test_support.h"

namespace {

using test::EntriesIn;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;
using core::Outcome;

TEST(ConvertInput, UnusableInputsAreNotFoundAndNothingIsCreated) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    WriteFile(dir / "locked.bin", "data");
    const int holder = ::open((dir / "locked.bin").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    for (const char* name : {"missing.bin", "folder", "fifo", "locked.bin"}) {
        SCOPED_TRACE(name);
        // The FIFO has no writer: a blocking open would hang here.
        EXPECT_EQ(core::CheckJob(dir / name, "CX", dir / "out.h").outcome, Outcome::InputNotFound);
        EXPECT_EQ(test::Convert(dir / name, dir / "out.h"), Outcome::InputNotFound);
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "out.h")));
    }
    ::close(holder);
    EXPECT_EQ(test::Convert(dir / "locked.bin", dir / "out.h"), Outcome::Converted);
    EXPECT_EQ(ReadFile(dir / "locked.bin"), "data");
}

TEST(ConvertOutput, AnythingAtTheOutputPathIsLeftAlone) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "full.h", "keep me");
    WriteFile(dir / "empty.h", "");
    WriteFile(dir / "victim.txt", "precious");
    fs::create_symlink(dir / "victim.txt", dir / "link.h");
    fs::create_symlink(dir / "nowhere.txt", dir / "dangling.h");
    fs::create_directory(dir / "folder.h");

    for (const char* name : {"full.h", "empty.h", "link.h", "dangling.h", "folder.h"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(core::CheckJob(dir / "in.bin", "CX", dir / name).outcome,
                  Outcome::OutputNameTaken);
        EXPECT_EQ(test::Convert(dir / "in.bin", dir / name), Outcome::OutputExists);
    }
    EXPECT_EQ(ReadFile(dir / "full.h"), "keep me");
    EXPECT_EQ(ReadFile(dir / "empty.h"), "");
    EXPECT_EQ(ReadFile(dir / "victim.txt"), "precious");
    EXPECT_FALSE(fs::exists(dir / "nowhere.txt"));
    EXPECT_EQ(EntriesIn(dir.Path()), 7u);
}

// Names that can never be created are refused before any input is read.
TEST(ConvertOutput, UncreatableOutputIsRefusedBeforeReading) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "file", "");
    // A read-only place: permissions for an ordinary user, a read-only mount
    // for root (who ignores permissions).
    test::SmallMount mount(dir / "ro", "size=64k");
    if (mount.Mounted())
        mount.MakeReadOnly();
    else
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    const bool readOnly = mount.Mounted() || ::geteuid() != 0;

    static int reads;
    reads = 0;
    test::ScopedSystemCalls sys;
    sys->read = [](int fd, void* buffer, size_t size) {
        ++reads;
        return ::read(fd, buffer, size);
    };
    for (const std::string& output : {dir / std::string(256, 'n'), dir / "file/out.h",
                                      dir / "no/such/dir/out.h", dir / "ro/out.h"}) {
        SCOPED_TRACE(output.substr(dir.Path().string().size()));
        if (output == dir / "ro/out.h" && !readOnly) continue;  // root without mount(2)
        EXPECT_EQ(test::Convert(dir / "in.bin", output), Outcome::OutputNotCreated);
    }
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(test::Entries(dir), (std::vector<std::string>{"file", "in.bin", "ro"}));
    EXPECT_EQ(EntriesIn(dir / "ro"), 0u);
}

TEST(ConvertInput, InputIsOnlyRead) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    fs::permissions(dir / "in.bin", fs::perms::owner_read);
    const auto before = fs::last_write_time(dir / "in.bin");
    EXPECT_EQ(test::Convert(dir / "in.bin", dir / "in.h"), Outcome::Converted);
    EXPECT_EQ(ReadFile(dir / "in.bin"), "abc");
    EXPECT_EQ(fs::last_write_time(dir / "in.bin"), before);
}

TEST(JobCheck, RefusesInOrderAndMeasuresTheInput) {
    TempDir dir;
    WriteFile(dir / "in.bin", "hello");
    WriteFile(dir / "taken.h", "");
    const std::string in = dir / "in.bin";
    const std::string out = dir / "out.h";

    EXPECT_EQ(core::CheckJob("", "", "").outcome, Outcome::NoInputPath);
    EXPECT_EQ(core::CheckJob(dir / "missing", "", "").outcome, Outcome::NoClassName);
    EXPECT_EQ(core::CheckJob(dir / "missing", "CX", "").outcome, Outcome::OutputNameTaken);
    EXPECT_EQ(core::CheckJob(dir / "missing", "CX", dir / "taken.h").outcome,
              Outcome::OutputNameTaken);
    EXPECT_EQ(core::CheckJob(dir / "missing", "CX", out).outcome, Outcome::InputNotFound);
    // A text of spaces is not empty.
    EXPECT_TRUE(core::CheckJob(in, " ", out).Ok());

    const core::JobCheck ok = core::CheckJob(in, "CX", out);
    EXPECT_TRUE(ok.Ok());
    EXPECT_EQ(ok.inputLength, 5u);
    EXPECT_FALSE(fs::exists(out));
}

TEST(JobCheck, RefusesInputsOf4GiBOrMore) {
    TempDir dir;
    // Sparse files: no disk space is used.
    for (auto [size, expected] :
         {std::pair<std::uintmax_t, Outcome>{0xFFFFFFFFull, Outcome::Accepted},
          {0x100000000ull, Outcome::InputTooLarge}}) {
        WriteFile(dir / "big.bin", "");
        fs::resize_file(dir / "big.bin", size);
        const core::JobCheck check = core::CheckJob(dir / "big.bin", "CX", dir / "big.h");
        EXPECT_EQ(check.outcome, expected);
        if (check.Ok()) {
            EXPECT_EQ(check.inputLength, 0xFFFFFFFFu);
        }
    }
    EXPECT_EQ(test::Convert(dir / "big.bin", dir / "big.h"), Outcome::InputTooLarge);
    EXPECT_FALSE(fs::exists(dir / "big.h"));
}

}  // namespace
