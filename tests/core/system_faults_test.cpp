// Conversions on file systems that fail, emulated through the file services'
// system-call table, so that every developer runs them without root: each
// failure gives its exact outcome with the system's reason and leaves nothing
// behind, and calls that are merely interrupted or short still give the whole
// header.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "core/conversion.h"
#include "core/conversion_job.h"
#include "core/outcome.h"
#include "platform/output_file.h"
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

// What the file system beneath offers.
enum class Kind {
    Ordinary,           // the real calls: unnamed temporaries where the machine has them
    NoUnnamedFiles,     // no O_TMPFILE: a hidden named temporary, published by link
    NoHardLinks,        // FAT in the kernel: link fails, rename refuses an existing name
    NoExclusiveRename,  // FAT through FUSE: neither link nor a rename that refuses
};

void PrintTo(Kind kind, std::ostream* os) {
    constexpr const char* kNames[] = {"Ordinary", "NoUnnamedFiles", "NoHardLinks",
                                      "NoExclusiveRename"};
    *os << kNames[static_cast<int>(kind)];
}

void Emulate(Kind kind, ScopedSystemCalls& sys) {
    if (kind == Kind::Ordinary) return;
    sys->openat = [](int dir, const char* path, int flags, mode_t mode) {
        if ((flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
        return ::openat(dir, path, flags, mode);
    };
    if (kind == Kind::NoUnnamedFiles) return;
    sys->linkat = [](int, const char*, int, const char*, int) { return errno = EPERM, -1; };
    if (kind == Kind::NoHardLinks) return;
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

// About 3.7 MiB of header: several chunks for the writer.
std::string Input() {
    std::string input(std::size_t{600} * 1024, '\0');
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>(i * 7 + i / 251);
    return input;
}

class SystemFaults : public testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        WriteFile(m_dir / "in.bin", Input());
        ASSERT_EQ(test::Convert(m_dir / "in.bin", m_dir / "expected.h"), Outcome::Converted);
        Emulate(GetParam(), m_sys);
        TrackOutput(m_sys);
    }
    Outcome Convert() { return test::Convert(m_dir / "in.bin", m_dir / "out.h"); }

    TempDir m_dir;
    ScopedSystemCalls m_sys;
};

TEST_P(SystemFaults, InterruptedAndShortCallsStillWriteTheWholeHeader) {
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
    EXPECT_EQ(Convert(), Outcome::Converted);
    EXPECT_EQ(ReadFile(m_dir / "out.h"), ReadFile(m_dir / "expected.h"));
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"expected.h", "in.bin", "out.h"}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(m_dir / "out.h").permissions()), 0666 & ~mask);
}

TEST_P(SystemFaults, EachFailureIsReportedAndLeavesNothingBehind) {
    using Install = void (*)(ScopedSystemCalls&);
    struct Fault {
        const char* what;
        Install install;
        Outcome outcome;
        int error;  // errno reported with it, 0 for none
    };
    const Fault faults[] = {
        {"disk full on the third write",
         [](ScopedSystemCalls& sys) {
             sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
                 if (++g_calls == 3) return errno = ENOSPC, -1;
                 return ::write(fd, data, size);
             };
         },
         Outcome::OutputNotWritten, ENOSPC},
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
        const core::ConversionResult result =
            test::ConvertWithReason(m_dir / "in.bin", m_dir / "out.h");
        EXPECT_EQ(result.outcome, fault.outcome);
        EXPECT_EQ(result.reason.value(), fault.error) << result.reason.message();
        EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"expected.h", "in.bin"}));
        platform::Sys() = saved;
    }
}

std::string g_outputPath;

TEST_P(SystemFaults, FileAppearingAtTheOutputMeanwhileIsLeftAlone) {
    g_outputPath = m_dir / "out.h";
    m_sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++g_calls == 1) WriteFile(g_outputPath, "someone else's");
        return ::write(fd, data, size);
    };
    EXPECT_EQ(Convert(), Outcome::OutputExists);
    EXPECT_EQ(ReadFile(m_dir / "out.h"), "someone else's");
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"expected.h", "in.bin", "out.h"}));
}

// What closing the window mid-conversion does: whatever the file system, the
// temporary is dropped and the header never appears.
TEST_P(SystemFaults, RemovedTemporaryNeverAppears) {
    m_sys->write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++g_calls == 2) platform::RemovePendingOutput();
        return ::write(fd, data, size);
    };
    EXPECT_EQ(Convert(), Outcome::OutputNotWritten);
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"expected.h", "in.bin"}));
}

// The rc kind publishes its .rc first, then the header: a signal in between
// takes the .rc away again, so that a stopped run leaves neither file.
std::string g_script;
std::string g_header;
std::atomic<bool> g_signalled{false};
std::atomic<bool> g_scriptLeft{false};

TEST_P(SystemFaults, SignalBetweenTheScriptAndTheHeaderLeavesNeither) {
    g_script = m_dir / "out.rc";
    g_header = m_dir / "out.h";
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
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"expected.h", "in.bin"}));
}

// An update reads until the new header first differs from the old one and
// only then creates its file: nothing is opened for writing, written or
// flushed while they agree. A failure after the difference leaves the old
// header as it was and nothing beside it.
TEST_P(SystemFaults, UpdateWritesOnlyFromTheFirstDifference) {
    const std::string expected = ReadFile(m_dir / "expected.h");
    std::string old = expected;
    old[old.size() * 2 / 3] ^= 1;  // several chunks agree first
    core::ConversionJob job{m_dir / "in.bin", "CTestFile", m_dir / "out.h"};
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
        WriteFile(m_dir / "out.h", c.old);
        g_calls = 0;
        g_outputFd = -1;
        c.install(m_sys);
        EXPECT_EQ(update(), c.outcome);
        EXPECT_EQ(ReadFile(m_dir / "out.h"), c.old);
        EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"expected.h", "in.bin", "out.h"}));
        if (c.old == expected) {
            EXPECT_EQ(g_outputFd, -1) << "a file was opened for writing";
        }
        platform::Sys() = saved;
    }
    EXPECT_EQ(update(), Outcome::Converted);
    EXPECT_EQ(ReadFile(m_dir / "out.h"), expected);
}

// Names that can never be created are refused before any input is read.
TEST(SystemFaults, UncreatableOutputIsRefusedBeforeReading) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    WriteFile(dir / "file", "");
    ScopedSystemCalls sys;
    g_calls = 0;
    sys->read = [](int fd, void* buffer, size_t size) {
        ++g_calls;
        return ::read(fd, buffer, size);
    };
    for (const std::string& output :
         {dir / std::string(256, 'n'), dir / "file/out.h", dir / "missing/out.h"}) {
        SCOPED_TRACE(output.substr(dir.Path().string().size()));
        EXPECT_EQ(test::Convert(dir / "in.bin", output), Outcome::OutputNotCreated);
    }
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"file", "in.bin"}));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, SystemFaults,
                         testing::Values(Kind::Ordinary, Kind::NoUnnamedFiles, Kind::NoHardLinks,
                                         Kind::NoExclusiveRename));

}  // namespace
