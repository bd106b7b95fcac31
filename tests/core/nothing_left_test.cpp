// A header appears whole or not at all, on every kind of file system the
// converter publishes to differently: the local one, the same with unnamed
// files, hard links or a refusing rename taken away (emulated through the
// file services' system-call table, so every developer runs them), a small
// tmpfs (needs root) and FAT through FUSE (needs fusefat; its volume is
// checked by fsck afterwards). Failures give their exact outcome with the
// system's reason; failures, abandonment and signals leave nothing behind;
// calls that are merely interrupted or short still give the whole header.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <optional>
#include <regex>
#include <vector>

#include "core/conversion.h"
#include "core/conversion_job.h"
#include "core/outcome.h"
#include "mounts.h"
#include "platform/output_file.h"
#include "platform/posix_features.h"
#include "platform/signal_cleanup.h"
#include "system_calls_mock.h"
#include "test_support.h"

namespace {

using test::Entries;
using test::ReadFile;
using test::ScopedSystemCalls;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;
using core::Outcome;
using Names = std::vector<std::string>;

enum class FileSystem {
    Local,              // where temporary folders are: unnamed files where the machine has them
    NoUnnamedFiles,     // no O_TMPFILE: a hidden named temporary, published by link
    NoHardLinks,        // FAT in the kernel: link fails, rename refuses an existing name
    NoExclusiveRename,  // FAT through FUSE: neither link nor a rename that refuses
    Tmpfs,              // a real 8 MiB tmpfs
    Fat,                // a real 8 MiB FAT image through FUSE
};

void PrintTo(FileSystem kind, std::ostream* os) {
    constexpr const char* kNames[] = {
        "Local", "NoUnnamedFiles", "NoHardLinks", "NoExclusiveRename", "Tmpfs", "Fat"};
    *os << kNames[static_cast<int>(kind)];
}

void Emulate(FileSystem kind, ScopedSystemCalls& sys) {
    if (kind != FileSystem::NoUnnamedFiles && kind != FileSystem::NoHardLinks &&
        kind != FileSystem::NoExclusiveRename)
        return;
    sys->openat = [](int dir, const char* path, int flags, mode_t mode) {
        if ((flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
        return ::openat(dir, path, flags, mode);
    };
    if (kind == FileSystem::NoUnnamedFiles) return;
    sys->linkat = [](int, const char*, int, const char*, int) { return errno = EPERM, -1; };
    if (kind == FileSystem::NoHardLinks) return;
    sys->renameat2 = [](int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
        if (flags != 0) return errno = EINVAL, -1;
        return ::renameat2(fromDir, from, toDir, to, 0);
    };
}

// The descriptor of the file being written, for faults aimed at it alone.
std::atomic<int> g_outputFd{-1};
std::atomic<int> g_calls{0};  // counted by the reading and the writing thread

void TrackOutput(ScopedSystemCalls& sys) {
    static decltype(platform::SystemCalls::openat) realOpen;
    realOpen = sys->openat;
    g_outputFd = -1;
    g_calls = 0;
    sys->openat = [](int dir, const char* path, int flags, mode_t mode) {
        const int fd = realOpen(dir, path, flags, mode);
        if (fd >= 0 && (flags & O_ACCMODE) == O_WRONLY && g_outputFd < 0) g_outputFd = fd;
        return fd;
    };
}

// About 2.5 MiB of header: several chunks for the writer.
std::string Input() {
    std::string input(std::size_t{400} * 1024, '\0');
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>(i * 7 + i / 251);
    return input;
}

class NothingLeft : public testing::TestWithParam<FileSystem> {
protected:
    void SetUp() override {
        if (GetParam() == FileSystem::Tmpfs) {
            m_tmpfs.emplace(m_place, "size=8m");
            if (!m_tmpfs->Mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
        } else if (GetParam() == FileSystem::Fat) {
            m_fat.emplace(m_dir / "fat.img", m_place, 8192);
            if (!m_fat->Mounted())
                GTEST_SKIP() << "cannot mount a FAT image: needs fusefat, dosfstools and "
                                "/dev/fuse access";
        } else {
            fs::create_directory(m_place);
        }
        WriteFile(m_dir / "in.bin", Input());
        ASSERT_EQ(test::Convert(m_dir / "in.bin", m_dir / "expected.h"), Outcome::Converted);
        Emulate(GetParam(), m_sys);
        TrackOutput(m_sys);
    }

    core::ConversionResult Convert(const std::string& output = "out.h") {
        return test::ConvertWithReason(m_dir / "in.bin", m_out.parent_path() / output);
    }
    // What the place holds: nothing but what a test put there or published.
    Names Left() const { return Entries(m_place); }
    bool UnnamedFiles() const {
        if (!platform::kLinuxCalls) return false;  // a portable build names every temporary
        if (GetParam() != FileSystem::Local && GetParam() != FileSystem::Tmpfs) return false;
        const int fd = ::open(m_place.c_str(), O_TMPFILE | O_WRONLY, 0600);
        if (fd >= 0) ::close(fd);
        return fd >= 0;
    }

    TempDir m_dir;
    const fs::path m_place = m_dir.Path() / "place";
    const fs::path m_out = m_place / "out.h";
    std::optional<test::SmallMount> m_tmpfs;
    std::optional<test::FatMount> m_fat;
    ScopedSystemCalls m_sys;
};

TEST_P(NothingLeft, WholeHeaderThroughInterruptedAndShortCalls) {
    // Every other call is interrupted before it does anything; writes take at
    // most 4099 bytes at a time.
    m_sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++g_calls % 2 == 1) return errno = EINTR, -1;
        return ::write(fd, data, std::min<size_t>(size, 4099));
    };
    m_sys->read = [](int fd, void* buffer, size_t size) -> ssize_t {
        if (++g_calls % 2 == 1) return errno = EINTR, -1;
        return ::read(fd, buffer, size);
    };
    EXPECT_EQ(Convert().outcome, Outcome::Converted);
    EXPECT_TRUE(ReadFile(m_out) == ReadFile(m_dir / "expected.h"));
    EXPECT_EQ(Left(), Names{"out.h"});
    // The usual permissions of a new file, whatever the temporary had.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (GetParam() != FileSystem::Fat) {
        EXPECT_EQ(static_cast<mode_t>(fs::status(m_out).permissions()), 0666 & ~mask);
    }
    // A header once there is never overwritten.
    EXPECT_EQ(Convert().outcome, Outcome::OutputExists);
    EXPECT_EQ(Left(), Names{"out.h"});
}

TEST_P(NothingLeft, EachFailureIsReportedAndLeavesNothing) {
    using Install = void (*)(ScopedSystemCalls&);
    struct Fault {
        const char* what;
        Install install;
        Outcome outcome;
        int error;  // errno reported with it, 0 for none
    };
    const Fault faults[] = {
        {"write fails",
         [](ScopedSystemCalls& sys) {
             sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
                 if (++g_calls == 2) return errno = EIO, -1;
                 return ::write(fd, data, size);
             };
         },
         Outcome::OutputNotWritten, EIO},
        {"close of the output fails",
         [](ScopedSystemCalls& sys) {
             sys->close = [](int fd) {
                 const int result = ::close(fd);
                 return fd == g_outputFd ? (errno = EIO, -1) : result;
             };
         },
         Outcome::OutputNotWritten, EIO},
        {"flush of the output fails",
         [](ScopedSystemCalls& sys) {
             sys->fsync = [](int fd) { return fd == g_outputFd ? (errno = EIO, -1) : ::fsync(fd); };
         },
         Outcome::OutputNotWritten, EIO},
        {"flush of the directory fails",
         [](ScopedSystemCalls& sys) {
             sys->fsync = [](int fd) { return fd != g_outputFd ? (errno = EIO, -1) : ::fsync(fd); };
         },
         Outcome::OutputNotWritten, EIO},
        {"read fails",
         [](ScopedSystemCalls& sys) {
             sys->read = [](int fd, void* buffer, size_t size) -> ssize_t {
                 if (++g_calls == 2) return errno = EIO, -1;
                 return ::read(fd, buffer, size);
             };
         },
         Outcome::InputUnreadable, EIO},
        {"read would block",
         [](ScopedSystemCalls& sys) {
             sys->read = [](int, void*, size_t) -> ssize_t { return errno = EAGAIN, -1; };
         },
         Outcome::InputUnreadable, EAGAIN},
        {"out of memory",
         [](ScopedSystemCalls& sys) {
             sys->read = [](int, void*, size_t) -> ssize_t { throw std::bad_alloc(); };
         },
         Outcome::OutOfMemory, 0},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        const platform::SystemCalls saved = platform::Sys();
        g_calls = 0;
        g_outputFd = -1;
        fault.install(m_sys);
        const core::ConversionResult result = Convert();
        EXPECT_EQ(result.outcome, fault.outcome);
        EXPECT_EQ(result.reason.value(), fault.error) << result.reason.message();
        EXPECT_EQ(Left(), Names{});
        platform::Sys() = saved;
    }
}

// A real disk filled up where there is one, a write that says so elsewhere;
// on a real one, the space taken is free again afterwards.
TEST_P(NothingLeft, FullDiskLeavesNothing) {
    const auto freeSpace = [this] {
        struct statvfs info {};
        return ::statvfs(m_place.c_str(), &info) == 0 ? info.f_bavail * info.f_frsize : 0;
    };
    Names before;
    const bool real = m_tmpfs || m_fat;
    if (real) {
        WriteFile(m_place / "filler", std::string(freeSpace() - std::size_t{256} * 1024, 'f'));
        before = {"filler"};
    } else {
        m_sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
            if (++g_calls == 3) return errno = ENOSPC, -1;
            return ::write(fd, data, size);
        };
    }
    const auto space = freeSpace();
    const core::ConversionResult result = Convert();
    EXPECT_EQ(result.outcome, Outcome::OutputNotWritten);
    // fusefat gives EPERM for a full volume.
    if (GetParam() != FileSystem::Fat) {
        EXPECT_EQ(result.reason, std::errc::no_space_on_device) << result.reason.message();
    }
    EXPECT_EQ(Left(), before);
    if (real) {
        EXPECT_EQ(freeSpace(), space);
    }
}

// What closing the window mid-conversion does: the temporary is dropped and
// the header never appears.
TEST_P(NothingLeft, AbandonedMidConversionNeverAppears) {
    m_sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++g_calls == 2) platform::RemovePendingOutput();
        return ::write(fd, data, size);
    };
    EXPECT_EQ(Convert().outcome, Outcome::OutputNotWritten);
    EXPECT_EQ(Left(), Names{});
}

// Runs a conversion in a child process that `signal` ends at its second
// write, after the signal clean-up is installed; returns the wait status.
int g_signal = 0;

int ConvertInChildEndedBy(int signal, const std::string& input, const std::string& output) {
    g_signal = signal;
    const pid_t child = ::fork();
    if (child == 0) {
        platform::InstallSignalCleanup();
        static decltype(platform::SystemCalls::write) realWrite;
        realWrite = platform::Sys().write;
        platform::Sys().write = [](int fd, const void* data, size_t size) -> ssize_t {
            if (fd == g_outputFd && ++g_calls == 2) ::raise(g_signal);
            return realWrite(fd, data, size);
        };
        test::Convert(input, output);
        ::_exit(4);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child ? status : -1;
}

// A converter told to stop removes its temporary and ends by that signal.
TEST_P(NothingLeft, EndingSignalsLeaveNothing) {
    for (int signal :
         {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU}) {
        SCOPED_TRACE(signal);
        g_calls = 0;
        g_outputFd = -1;
        const int status = ConvertInChildEndedBy(signal, m_dir / "in.bin", m_out);
        EXPECT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(Left(), Names{});
    }
    if (m_fat) {
        EXPECT_TRUE(m_fat->UnmountAndCheck()) << "fsck finds the FAT volume damaged";
    }
}

// kill -9 cannot be caught: an unnamed temporary vanishes with the process,
// a named one stays, hidden, for the user to remove.
TEST_P(NothingLeft, KillLeavesAtMostAHiddenTemporary) {
    const int status = ConvertInChildEndedBy(SIGKILL, m_dir / "in.bin", m_out);
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    const Names left = Left();
    if (UnnamedFiles()) {
        EXPECT_EQ(left, Names{});
    } else {
        ASSERT_EQ(left.size(), 1u);
        EXPECT_TRUE(std::regex_match(left[0], std::regex(R"(\.out\.h\.hexcrate-[A-Za-z0-9]{6})")))
            << left[0];
    }
}

std::string g_outputPath;

TEST_P(NothingLeft, FileAppearingAtTheOutputMeanwhileIsLeftAlone) {
    g_outputPath = m_out;
    m_sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++g_calls == 1) WriteFile(g_outputPath, "someone else's");
        return ::write(fd, data, size);
    };
    EXPECT_EQ(Convert().outcome, Outcome::OutputExists);
    EXPECT_EQ(ReadFile(m_out), "someone else's");
    EXPECT_EQ(Left(), Names{"out.h"});
}

// The rc kind publishes its .rc first, then the header: a signal in between
// takes the .rc away again, so that a stopped run leaves neither file.
std::string g_script;
std::string g_header;
std::atomic<bool> g_signalled{false};
std::atomic<bool> g_scriptLeft{false};

TEST_P(NothingLeft, SignalBetweenTheScriptAndTheHeaderLeavesNeither) {
    g_script = m_place / "out.rc";
    g_header = m_out;
    g_signalled = false;
    m_sys->fsync = [](int fd) {
        struct stat info {};
        // The header's flush, once the .rc is out: the handler runs here.
        if (!g_signalled && fs::exists(g_script) && !fs::exists(g_header) &&
            ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            g_signalled = true;
            platform::RemovePendingOutput();
            g_scriptLeft = fs::exists(g_script);
        }
        return ::fsync(fd);
    };
    core::ConversionJob job{m_dir / "in.bin", "CInFile", g_header, 0};
    job.options.data = core::DataKind::Rc;
    core::NoProgress quiet;
    EXPECT_FALSE(core::Convert(job, quiet).Ok());
    ASSERT_TRUE(g_signalled);
    EXPECT_FALSE(g_scriptLeft);
    EXPECT_EQ(Left(), Names{});
}

// An update reads until the new header first differs from the old one and
// only then creates its file: nothing is opened for writing, written or
// flushed while they agree. A failure after the difference leaves the old
// header as it was and nothing beside it.
TEST_P(NothingLeft, UpdateWritesOnlyFromTheFirstDifference) {
    const std::string expected = ReadFile(m_dir / "expected.h");
    std::string old = expected;
    old[old.size() * 2 / 3] ^= 1;  // several chunks agree first
    core::ConversionJob job{m_dir / "in.bin", "CTestFile", m_out};
    job.options.outputMode = core::OutputMode::Update;
    const auto update = [&job] {
        core::NoProgress progress;
        return core::Convert(job, progress).outcome;
    };
    using Install = void (*)(ScopedSystemCalls&);
    const struct {
        const char* what;
        std::string old;
        Install install;
        Outcome outcome;
    } cases[] = {
        {"identical, nothing written", expected,
         [](ScopedSystemCalls& sys) {
             sys->write = [](int, const void*, size_t) -> ssize_t { return errno = EIO, -1; };
             sys->fsync = [](int) { return errno = EIO, -1; };
         },
         Outcome::Converted},
        {"file cannot be created", old,
         [](ScopedSystemCalls& sys) {
             sys->openat = [](int dir, const char* path, int flags, mode_t mode) {
                 if ((flags & O_ACCMODE) == O_WRONLY) return errno = EACCES, -1;
                 return ::openat(dir, path, flags, mode);
             };
         },
         Outcome::OutputNotCreated},
        {"disk full on the first write", old,
         [](ScopedSystemCalls& sys) {
             sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
                 if (++g_calls == 1) return errno = ENOSPC, -1;
                 return ::write(fd, data, size);
             };
         },
         Outcome::OutputNotWritten},
        {"flush fails", old,
         [](ScopedSystemCalls& sys) { sys->fsync = [](int) { return errno = EIO, -1; }; },
         Outcome::OutputNotWritten},
        {"replacing fails", old,
         [](ScopedSystemCalls& sys) {
             sys->renameat2 = [](int, const char*, int, const char*, unsigned) {
                 return errno = EIO, -1;
             };
         },
         Outcome::OutputNotWritten},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const platform::SystemCalls saved = platform::Sys();
        fs::remove(m_out);
        WriteFile(m_out, c.old);
        g_calls = 0;
        g_outputFd = -1;
        c.install(m_sys);
        EXPECT_EQ(update(), c.outcome);
        EXPECT_TRUE(ReadFile(m_out) == c.old);
        EXPECT_EQ(Left(), Names{"out.h"});
        if (c.old == expected) {
            EXPECT_EQ(g_outputFd, -1) << "a file was opened for writing";
        }
        platform::Sys() = saved;
    }
    EXPECT_EQ(update(), Outcome::Converted);
    EXPECT_TRUE(ReadFile(m_out) == expected);
    EXPECT_EQ(Left(), Names{"out.h"});
}

INSTANTIATE_TEST_SUITE_P(FileSystems, NothingLeft,
                         testing::Values(FileSystem::Local, FileSystem::NoUnnamedFiles,
                                         FileSystem::NoHardLinks, FileSystem::NoExclusiveRename,
                                         FileSystem::Tmpfs, FileSystem::Fat));

}  // namespace
