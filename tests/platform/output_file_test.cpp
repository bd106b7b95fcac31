// The output file on a real file system: publication that never replaces
// (or, asked to, replaces atomically), nothing left behind, and an abandoned
// file that never appears.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/output_file.h"
#include "platform/output_job.h"
#include "platform/posix_features.h"
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
            ASSERT_FALSE(out->Write(content, std::strlen(content)));
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

// Starting again keeps the one temporary and nothing of what it held: a
// longer pass overwrites the first, a shorter one loses its tail, whether
// or not the file is flushed before it is published.
TEST(OutputFile, RestartWritesAfreshInTheSameTemporary) {
    for (auto kind : kBothKinds) {
        for (const std::string second : {"short", "a longer second pass"}) {
            for (const bool flushFirst : {false, true}) {
                SCOPED_TRACE(second + (flushFirst ? ", flushed" : "") +
                             (kind == OutputFile::Temporary::Unnamed ? ", unnamed" : ", named"));
                TempDir dir;
                auto out = OutputFile::Create(dir / "out.h", kind);
                ASSERT_TRUE(out && !out->Write("the first pass", 14));
                const std::vector<std::string> pending = test::Entries(dir);
                ASSERT_FALSE(out->Restart());
                ASSERT_FALSE(out->Write(second.data(), second.size()));
                EXPECT_EQ(test::Entries(dir), pending);
                if (flushFirst) {
                    ASSERT_FALSE(out->Flush());
                }
                EXPECT_EQ(out->Publish(), OutputFile::PublishResult::Published);
                EXPECT_EQ(ReadFile(dir / "out.h"), second);
            }
        }
    }
}

// Closing the window mid-conversion abandons its output whatever the kind:
// a hidden temporary is removed, an unnamed one stays unseen, and neither
// can be published afterwards, by link or by rename. A file made after that
// is not affected.
TEST(OutputFile, AbandonedOutputNeverAppears) {
    TempDir dir;
    // Without unnamed files (a portable build) every temporary has a name.
    const std::size_t unnamedSeen = platform::kLinuxCalls ? 0 : 1;
    auto named = OutputFile::Create(dir / "a.h", OutputFile::Temporary::Named);
    auto unnamed = OutputFile::Create(dir / "b.h", OutputFile::Temporary::Unnamed);
    auto replacing = OutputFile::Create(dir / "c.h", OutputFile::Temporary::Unnamed);
    ASSERT_TRUE(named && unnamed && replacing);
    ASSERT_FALSE(named->Write("abc", 3) || unnamed->Write("abc", 3));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u + 2 * unnamedSeen);

    platform::RemovePendingOutput();
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    auto later = OutputFile::Create(dir / "d.h", OutputFile::Temporary::Unnamed);
    ASSERT_TRUE(later && !later->Write("abc", 3));
    EXPECT_EQ(named->Publish(), OutputFile::PublishResult::Failed);
    EXPECT_EQ(unnamed->Publish(), OutputFile::PublishResult::Failed);
    EXPECT_EQ(replacing->PublishReplacing(), OutputFile::PublishResult::Failed);
    EXPECT_EQ(EntriesIn(dir.Path()), unnamedSeen);

    EXPECT_EQ(later->Publish(), OutputFile::PublishResult::Published);
    platform::RemovePendingOutput();  // nothing pending: a no-op
    EXPECT_EQ(ReadFile(dir / "d.h"), "abc");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

// Each full stretch of 8 MiB goes to the disk as soon as it is written, and
// the one before it is waited for. A file system that cannot do that is
// flushed whole at the end; a failure of the disk fails the write, as the
// final flush would no longer see it. A portable build flushes only at the
// end: it never writes back early, and the file is whole all the same.
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
        while (written < 20 && !out->Write(mib.data(), mib.size())) ++written;
        const unsigned wait =
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
        const bool failsWrite = platform::kLinuxCalls && error == EIO;
        if (!platform::kLinuxCalls)
            EXPECT_TRUE(calls.empty());
        else if (error == 0)
            EXPECT_EQ(calls, (std::vector<Call>{{0, 8 * kMiB, SYNC_FILE_RANGE_WRITE},
                                                {8 * kMiB, 8 * kMiB, SYNC_FILE_RANGE_WRITE},
                                                {0, 8 * kMiB, wait}}));
        else
            EXPECT_EQ(calls.size(), 1u);
        EXPECT_EQ(written, failsWrite ? 7 : 20);
        if (!failsWrite) {
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
        ASSERT_TRUE(out && !out->Write("abc", 3));
        test::ScopedSystemCalls sys;
        g_abandoned = false;
        static bool abandonedDuringLink;
        abandonedDuringLink = false;
        sys->linkat = [](int fromDir, const char* from, int toDir, const char* to, int flags) {
            const std::uint32_t removals = platform::TakeJobMark();
            g_abandoner.emplace([] {
                platform::RemovePendingOutput();
                g_abandoned = true;
            });
            // Until the removal has begun (it counts itself first), then a
            // moment in which it would end if it did not wait for the link.
            while (platform::TakeJobMark() == removals) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            abandonedDuringLink = g_abandoned;
            return ::linkat(fromDir, from, toDir, to, flags);
        };
        // Committed only after the removal, however late its thread runs.
        platform::PublishGroup group;
        EXPECT_EQ(out->Publish(group), OutputFile::PublishResult::Published);
        g_abandoner->join();
        g_abandoner.reset();
        EXPECT_FALSE(group.Commit());  // the removal took the whole group away
        EXPECT_FALSE(abandonedDuringLink);
        EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    }
}

// A named temporary that cannot be removed once linked to the target would
// stay as a second name of the header: the publication fails instead, and
// nothing is left.
TEST(OutputFile, TemporaryThatCannotBeRemovedFailsThePublication) {
    TempDir dir;
    test::ScopedSystemCalls sys;
    static int failures;
    failures = 1;
    sys->unlinkat = [](int dirFd, const char* path, int flags) {
        if (failures > 0 && --failures == 0) return errno = EIO, -1;
        return ::unlinkat(dirFd, path, flags);
    };
    auto out = OutputFile::Create(dir / "out.h", OutputFile::Temporary::Named);
    ASSERT_TRUE(out && !out->Write("abc", 3));
    const OutputFile::PublishStatus status = out->Publish();
    EXPECT_EQ(status, OutputFile::PublishResult::Failed);
    EXPECT_EQ(status.reason, std::errc::io_error);
    EXPECT_EQ(test::Entries(dir), std::vector<std::string>{});
}

// A directory that cannot be flushed after the name is given: a replaced
// file is in place (after a crash the old one may be back, whole), which is
// said as it is; a new file is taken back, but never a file that took its
// name meanwhile (an update renamed over it, say).
TEST(OutputFile, FailedDirectoryFlushSaysWhatIsTrue) {
    TempDir dir;
    test::ScopedSystemCalls sys;
    static std::string raceInto;
    sys->fsync = [](int fd) {
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode)) return ::fsync(fd);
        if (!raceInto.empty()) {
            WriteFile(raceInto + ".theirs", "theirs");
            ::rename((raceInto + ".theirs").c_str(), raceInto.c_str());
        }
        return errno = EIO, -1;
    };
    WriteFile(dir / "old.h", "old");
    for (auto kind : kBothKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto replacing = OutputFile::Create(dir / "old.h", kind);
        ASSERT_TRUE(replacing && !replacing->Write("new", 3));
        const OutputFile::PublishStatus replaced = replacing->PublishReplacing();
        EXPECT_EQ(replaced, OutputFile::PublishResult::Published);
        EXPECT_EQ(replaced.reason, std::errc::io_error);
        EXPECT_EQ(ReadFile(dir / "old.h"), "new");

        auto fresh = OutputFile::Create(dir / "fresh.h", kind);
        ASSERT_TRUE(fresh && !fresh->Write("new", 3));
        const OutputFile::PublishStatus taken = fresh->Publish();
        EXPECT_EQ(taken, OutputFile::PublishResult::Failed);
        EXPECT_EQ(taken.reason, std::errc::io_error);
        EXPECT_FALSE(fs::exists(dir / "fresh.h"));

        raceInto = dir / "raced.h";
        auto raced = OutputFile::Create(dir / "raced.h", kind);
        ASSERT_TRUE(raced && !raced->Write("new", 3));
        EXPECT_EQ(raced->Publish(), OutputFile::PublishResult::Failed);
        raceInto.clear();
        EXPECT_EQ(ReadFile(dir / "raced.h"), "theirs");
        fs::remove(dir / "raced.h");
        EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    }
}

// FAT through FUSE: neither link nor a rename that refuses a name, so a
// placeholder takes the name first. It must fail to compile, and the
// temporary it names is locked while its converter lives.
std::string g_placeholderSeen;
bool g_placeholderLocked;

TEST(OutputFile, FatPlaceholderIsALockedError) {
    TempDir dir;
    test::ScopedSystemCalls sys;
    sys->openat = [](int dirFd, const char* path, int flags, mode_t mode) {
        if ((flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
        return ::openat(dirFd, path, flags, mode);
    };
    sys->linkat = [](int, const char*, int, const char*, int) { return errno = EPERM, -1; };
    sys->renameat2 = [](int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
        if (flags != 0) return errno = EINVAL, -1;
        const int fd = ::openat(toDir, to, O_RDONLY);
        char text[600] = {};
        g_placeholderSeen.assign(
            text, static_cast<std::size_t>(std::max<ssize_t>(0, ::read(fd, text, sizeof text))));
        ::close(fd);
        const int temp = ::openat(fromDir, from, O_RDONLY);
        g_placeholderLocked = ::flock(temp, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(temp);
        return ::renameat2(fromDir, from, toDir, to, 0);
    };
    auto out = OutputFile::Create(dir / "out.h");
    ASSERT_TRUE(out && !out->Write("abc", 3));
    ASSERT_EQ(out->Publish(), OutputFile::PublishResult::Published);
    EXPECT_EQ(ReadFile(dir / "out.h"), "abc");
    EXPECT_EQ(g_placeholderSeen.rfind("#error \"Unfinished Hexcrate header: converter process " +
                                          std::to_string(::getpid()) +
                                          " was stopped before its "
                                          "temporary .out.h.hexcrate-",
                                      0),
              0u)
        << g_placeholderSeen;
    EXPECT_TRUE(g_placeholderLocked);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

std::string Placeholder(const std::string& pid, const std::string& temp) {
    return "#error \"Unfinished Hexcrate header: converter process " + pid +
           " was stopped before its temporary " + temp + " replaced this file; convert again.\"\n";
}

// What a kill -9 before the rename leaves: the placeholder and its
// temporary, cleared by the next run once nothing holds the lock, whatever
// process id it names (ours, reused, or another namespace's).
TEST(OutputFile, OrphanedPlaceholderIsClearedWithItsTemporary) {
    TempDir dir;
    const std::string longName = std::string(253, 'n') + ".h";
    const std::string longTemp = "." + longName.substr(0, NAME_MAX - 17) + ".hexcrate-x0Z9aB";
    for (const auto& [name, temp, pid] :
         {std::tuple<std::string, std::string, std::string>{"gone.h", ".gone.h.hexcrate-AbC123",
                                                            "999999"},
          {"mine.h", ".mine.h.hexcrate-zzzzzz", std::to_string(::getpid())},
          {longName, longTemp, "1"}}) {
        SCOPED_TRACE(name);
        WriteFile(dir / name, Placeholder(pid, temp));
        WriteFile(dir / temp, "partial");
        EXPECT_TRUE(platform::ClearOrphanedPlaceholder(dir / name));
        EXPECT_EQ(EntriesIn(dir.Path()), 0u);
    }
    // Its temporary removed by hand already.
    WriteFile(dir / "alone.h", Placeholder("1", ".alone.h.hexcrate-AbC123"));
    EXPECT_TRUE(platform::ClearOrphanedPlaceholder(dir / "alone.h"));
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

// A kill -9 between creating the placeholder and writing its text leaves
// it empty: cleared when an unlocked temporary of its name, older than it,
// is beside it (which stays: it may be a live converter's that has not
// locked it yet); any other empty file stays.
TEST(OutputFile, EmptyPlaceholderIsClearedOnlyBesideAnOrphanedTemporary) {
    TempDir dir;
    const auto write = [&](const std::string& name, int age) {
        WriteFile(dir / name, name.starts_with(".") ? "partial" : "");
        fs::last_write_time(dir / name,
                            fs::file_time_type::clock::now() - std::chrono::seconds(age));
    };
    write("alone.h", 10);
    write(".other.h.hexcrate-AbC123", 20);
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "alone.h"));
    write("in.h", 10);
    write(".in.h.hexcrate-AbC123", 5);  // written after the file appeared
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    write(".in.h.hexcrate-AbC123", 20);
    const int holder = ::open((dir / ".in.h.hexcrate-AbC123").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    ::close(holder);
    EXPECT_EQ(EntriesIn(dir.Path()), 4u);
    EXPECT_TRUE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    EXPECT_FALSE(fs::exists(dir / "in.h"));
    EXPECT_EQ(EntriesIn(dir.Path()), 3u);
}

// Nothing but such an orphan and its own temporary is ever removed: not a
// file the text names that the header's name would not give (a source file,
// another header's temporary, a path), not a placeholder whose converter
// still holds the lock, not anything that only looks like one.
TEST(OutputFile, OnlyAnExactOrphanIsCleared) {
    TempDir dir;
    WriteFile(dir / "main.cpp", "int main(){}\n");
    WriteFile(dir / ".other.h.hexcrate-AbC123", "partial");
    const std::string temp = ".in.h.hexcrate-AbC123";
    for (const std::string& named :
         std::vector<std::string>{"main.cpp", ".other.h.hexcrate-AbC123", ".in.h.hexcrate-AbC12",
                                  ".in.h.hexcrate-AbC1234", ".in.h.hexcrate-AbC_23",
                                  ".in.hexcrate-AbC123", "sub/" + temp, dir / temp}) {
        SCOPED_TRACE(named);
        WriteFile(dir / "in.h", Placeholder("999999", named));
        EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    }
    WriteFile(dir / temp, "partial");
    for (const std::string& text : std::vector<std::string>{
             Placeholder("999999", temp) + "int x;\n", Placeholder("0999999", temp),
             Placeholder("", temp), Placeholder("999999", temp).substr(1)}) {
        SCOPED_TRACE(text);
        WriteFile(dir / "in.h", text);
        EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 4u);

    // Its temporary locked: its converter lives. Through a link: not the
    // header's own file.
    WriteFile(dir / "in.h", Placeholder("999999", temp));
    const int holder = ::open((dir / temp).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    ::close(holder);
    fs::create_symlink(dir / "in.h", dir / "link.h");
    WriteFile(dir / ".link.h.hexcrate-AbC123", "partial");
    EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "link.h"));
    // Another user's (root can hand it over; others skip this).
    if (::geteuid() == 0) {
        for (const std::string& file : {std::string("in.h"), temp}) {
            ASSERT_EQ(::chown((dir / file).c_str(), 65534, 65534), 0);
            EXPECT_FALSE(platform::ClearOrphanedPlaceholder(dir / "in.h")) << file;
            ASSERT_EQ(::chown((dir / file).c_str(), 0, 0), 0);
        }
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 6u);
    EXPECT_TRUE(platform::ClearOrphanedPlaceholder(dir / "in.h"));
    EXPECT_EQ(ReadFile(dir / "main.cpp"), "int main(){}\n");
    EXPECT_EQ(EntriesIn(dir.Path()), 4u);
}

}  // namespace
