// The output file on a real file system: publication that never replaces
// (or, asked to, replaces atomically), nothing left behind, and an abandoned
// file that never appears.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "platform/output_file.h"
#include "system_calls_mock.h"
#include "test_files.h"

namespace {

using platform::OutputFile;
using test::EntriesIn;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

constexpr OutputFile::Temporary kBothKinds[] = {OutputFile::Temporary::Unnamed,
                                                OutputFile::Temporary::Named};

TEST(OutputFile, PublishReplacingSwapsContentAndLeavesNothingHidden) {
    for (auto kind : kBothKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        TempDir dir;
        for (const char* content : {"first", "second"}) {  // absent, then replaced
            auto out = OutputFile::Create(dir / "out.h", kind);
            ASSERT_TRUE(out);
            ASSERT_TRUE(out->Write(content, std::strlen(content)));
            EXPECT_EQ(out->PublishReplacing(), OutputFile::PublishResult::Published);
            EXPECT_EQ(ReadFile(dir / "out.h"), content);
        }
        // A directory is not a file to replace.
        fs::create_directory(dir / "folder.h");
        auto out = OutputFile::Create(dir / "folder.h", kind);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->PublishReplacing(), OutputFile::PublishResult::Failed);
        EXPECT_TRUE(fs::is_directory(dir / "folder.h"));
        EXPECT_EQ(EntriesIn(dir.Path()), 2u);
    }
}

// Closing the window mid-conversion abandons its output whatever the kind:
// a hidden temporary is removed, an unnamed one stays unseen, and neither
// can be published afterwards, by link or by rename. A file made after that
// is not affected.
TEST(OutputFile, AbandonedOutputNeverAppears) {
    TempDir dir;
    auto named = OutputFile::Create(dir / "a.h", OutputFile::Temporary::Named);
    auto unnamed = OutputFile::Create(dir / "b.h", OutputFile::Temporary::Unnamed);
    auto replacing = OutputFile::Create(dir / "c.h", OutputFile::Temporary::Unnamed);
    ASSERT_TRUE(named && unnamed && replacing);
    ASSERT_TRUE(named->Write("abc", 3) && unnamed->Write("abc", 3));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);

    platform::RemovePendingOutput();
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    auto later = OutputFile::Create(dir / "d.h", OutputFile::Temporary::Unnamed);
    ASSERT_TRUE(later && later->Write("abc", 3));
    EXPECT_EQ(named->Publish(), OutputFile::PublishResult::Failed);
    EXPECT_EQ(unnamed->Publish(), OutputFile::PublishResult::Failed);
    EXPECT_EQ(replacing->PublishReplacing(), OutputFile::PublishResult::Failed);
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);

    EXPECT_EQ(later->Publish(), OutputFile::PublishResult::Published);
    platform::RemovePendingOutput();  // nothing pending: a no-op
    EXPECT_EQ(ReadFile(dir / "d.h"), "abc");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

// Each full stretch of 8 MiB goes to the disk as soon as it is written, and
// the one before it is waited for. A file system that cannot do that is
// flushed whole at the end; a failure of the disk fails the write, as the
// final flush would no longer see it.
TEST(OutputFile, WritesBackStretchByStretch) {
    struct Call {
        off_t offset, count;
        unsigned flags;
        bool operator==(const Call&) const = default;
    };
    static std::vector<Call> calls;
    static int failure;
    test::ScopedSystemCalls sys;
    sys->syncFileRange = [](int, off_t offset, off_t count, unsigned flags) {
        calls.push_back({offset, count, flags});
        return failure == 0 ? 0 : (errno = failure, -1);
    };
    constexpr off_t kMiB = 1 << 20;
    const std::string mib(kMiB, 'x');
    for (int error : {0, EINVAL, EIO}) {
        SCOPED_TRACE(error);
        calls.clear();
        failure = error;
        TempDir dir;
        auto out = OutputFile::Create(dir / "out.h");
        ASSERT_TRUE(out);
        int written = 0;
        while (written < 20 && out->Write(mib.data(), mib.size())) ++written;
        const unsigned wait =
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
        if (error == 0)
            EXPECT_EQ(calls, (std::vector<Call>{{0, 8 * kMiB, SYNC_FILE_RANGE_WRITE},
                                                {8 * kMiB, 8 * kMiB, SYNC_FILE_RANGE_WRITE},
                                                {0, 8 * kMiB, wait}}));
        else
            EXPECT_EQ(calls.size(), 1u);
        EXPECT_EQ(written, error == EIO ? 7 : 20);
        if (error != EIO) {
            EXPECT_EQ(out->Publish(), OutputFile::PublishResult::Published);
            EXPECT_EQ(fs::file_size(dir / "out.h"), 20 * kMiB);
        }
    }
}

std::atomic<bool> g_abandoned{false};
std::optional<std::thread> g_abandoner;

// Abandoning from another thread while the file is being linked waits for
// the link to end: the file is then there complete, or taken away whole
// (when the abandoning comes before the publication is committed).
TEST(OutputFile, AbandoningWaitsForALinkUnderWay) {
    for (auto kind : kBothKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        TempDir dir;
        auto out = OutputFile::Create(dir / "out.h", kind);
        ASSERT_TRUE(out && out->Write("abc", 3));
        test::ScopedSystemCalls sys;
        g_abandoned = false;
        static bool abandonedDuringLink;
        abandonedDuringLink = false;
        sys->linkat = [](int fromDir, const char* from, int toDir, const char* to, int flags) {
            g_abandoner.emplace([] {
                platform::RemovePendingOutput();
                g_abandoned = true;
            });
            // Only ever hides a fault: the other thread may be slow to start.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            abandonedDuringLink = g_abandoned;
            return ::linkat(fromDir, from, toDir, to, flags);
        };
        EXPECT_EQ(out->Publish(), OutputFile::PublishResult::Published);
        g_abandoner->join();
        g_abandoner.reset();
        EXPECT_FALSE(abandonedDuringLink);
        if (EntriesIn(dir.Path()) != 0) {
            EXPECT_EQ(EntriesIn(dir.Path()), 1u);
            EXPECT_EQ(ReadFile(dir / "out.h"), "abc");
        }
    }
}

// FAT through FUSE: neither link nor a rename that refuses a name, so a
// placeholder takes the name first. It must fail to compile, and one left by
// a killed converter is cleared, with its temporary, by the next run.
std::string g_placeholderSeen;

TEST(OutputFile, FatPlaceholderIsAnErrorAndItsOrphanIsCleared) {
    TempDir dir;
    {
        test::ScopedSystemCalls sys;
        sys->openat = [](int dirFd, const char* path, int flags, mode_t mode) {
            if ((flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
            return ::openat(dirFd, path, flags, mode);
        };
        sys->linkat = [](int, const char*, int, const char*, int) { return errno = EPERM, -1; };
        sys->renameat2 = [](int fromDir, const char* from, int toDir, const char* to,
                            unsigned flags) {
            if (flags != 0) return errno = EINVAL, -1;
            const int fd = ::openat(toDir, to, O_RDONLY);
            char text[600] = {};
            g_placeholderSeen.assign(text, static_cast<std::size_t>(std::max<ssize_t>(
                                               0, ::read(fd, text, sizeof text))));
            ::close(fd);
            return ::renameat2(fromDir, from, toDir, to, 0);
        };
        auto out = OutputFile::Create(dir / "out.h");
        ASSERT_TRUE(out && out->Write("abc", 3));
        ASSERT_EQ(out->Publish(), OutputFile::PublishResult::Published);
    }
    EXPECT_EQ(ReadFile(dir / "out.h"), "abc");
    EXPECT_EQ(g_placeholderSeen.rfind("#error \"Unfinished Hexcrate header: converter process ", 0),
              0u)
        << g_placeholderSeen;

    // What a kill -9 before the rename leaves: the placeholder of a process
    // that has ended, and its temporary.
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string temp = ".gone.h.hexcrate-AbC123";
    std::string text = g_placeholderSeen;
    const std::size_t pid = text.find(std::to_string(::getpid()));
    text.replace(pid, std::to_string(::getpid()).size(), std::to_string(ended));
    text.replace(text.find(".out.h.hexcrate-"), std::strlen(".out.h.hexcrate-XXXXXX"), temp);
    WriteFile(dir / "gone.h", text);
    WriteFile(dir / temp, "partial");
    EXPECT_TRUE(platform::ClearOrphanedPlaceholder(dir / "gone.h"));
    EXPECT_FALSE(fs::exists(dir / "gone.h") || fs::exists(dir / temp));

    // Anything else stays: a live process's placeholder, a header that only
    // looks alike.
    WriteFile(dir / "live.h", g_placeholderSeen);
    WriteFile(dir / "alike.h", text + "int x;\n");
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "live.h"));
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "alike.h"));
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "out.h"));
    EXPECT_EQ(EntriesIn(dir.Path()), 3u);
}

}  // namespace
