// The platform's file services on a real file system: locking modes,
// replacing publication, and removal of a half-written temporary.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/signal_cleanup.h"
#include "system_calls_mock.h"
#include "test_support.h"

namespace {

using platform::InputAccess;
using platform::InputFile;
using platform::OutputFile;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

constexpr OutputFile::Temporary kBothKinds[] = {OutputFile::Temporary::Unnamed,
                                                OutputFile::Temporary::Named};

TEST(InputFile, SharedReadersMeetButNeverAnExclusiveHolder) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    const std::string in = dir / "in.bin";

    auto shared = InputFile::Open(in, InputAccess::Shared);
    ASSERT_TRUE(shared);
    EXPECT_TRUE(InputFile::Open(in, InputAccess::Shared));
    EXPECT_FALSE(InputFile::Open(in));  // exclusive by default
    shared.reset();

    const int holder = ::open(in.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(InputFile::Open(in, InputAccess::Shared));
    ::close(holder);
    auto again = InputFile::Open(in, InputAccess::Shared);
    ASSERT_TRUE(again);
    char buffer[8];
    EXPECT_EQ(again->Read(buffer, sizeof buffer), 3);
}

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

std::atomic<bool> g_abandoned{false};
std::optional<std::thread> g_abandoner;

// Abandoning from another thread while the file is being linked waits for
// the link to end: the header is complete and stays, never half abandoned.
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
        EXPECT_EQ(ReadFile(dir / "out.h"), "abc");
        EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    }
}

// A converter told to stop removes its temporary and ends by that signal.
TEST(SignalCleanup, EndingSignalsRemoveTheTemporaryAndEndTheProcess) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::InstallSignalCleanup();
            auto out = OutputFile::Create(dir / "out.h", OutputFile::Temporary::Named);
            if (!out || !out->Write("abc", 3) || EntriesIn(dir.Path()) != 1) ::_exit(3);
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    }
}

}  // namespace
