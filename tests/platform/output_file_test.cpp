// The output file on a real file system: publication that never replaces
// (or, asked to, replaces atomically), nothing left behind, and an abandoned
// file that never appears.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

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

// Something that appears at the target while the file is written is kept;
// the new file is dropped.
TEST(OutputFile, NameTakenMeanwhileIsLeftAlone) {
    TempDir dir;
    auto out = OutputFile::Create(dir / "out.h");
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write("new", 3));
    WriteFile(dir / "out.h", "someone else's");
    EXPECT_EQ(out->Publish(), OutputFile::PublishResult::NameTaken);
    EXPECT_EQ(ReadFile(dir / "out.h"), "someone else's");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(OutputFile, NamedTemporaryPublishesAndCleansUp) {
    TempDir dir;
    {
        auto out = OutputFile::Create(dir / "a.h", OutputFile::Temporary::Named);
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->Write("abc", 3));
        EXPECT_FALSE(fs::exists(dir / "a.h"));
        EXPECT_EQ(out->Publish(), OutputFile::PublishResult::Published);
    }
    {
        auto out = OutputFile::Create(dir / "b.h", OutputFile::Temporary::Named);
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->Write("abc", 3));
    }  // dropped unpublished
    EXPECT_EQ(ReadFile(dir / "a.h"), "abc");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    // Same permissions as any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(dir / "a.h").permissions()), 0666 & ~mask);
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

}  // namespace
