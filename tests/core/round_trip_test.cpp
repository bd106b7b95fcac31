// Megabytes of random bytes through the whole conversion, compared byte for
// byte with a header written here the plainest way, while the reading
// thread, the formatter and the writes run at different speeds: a block
// reused too early, a value written twice or a line break in the wrong place
// shows as a difference.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "core/conversion.h"
#include "core/header_format.h"
#include "system_calls_mock.h"
#include "test_support.h"

namespace {

using core::Outcome;
using test::Entries;
using test::ReadFile;
using test::ScopedSystemCalls;
using test::TempDir;
using test::WriteFile;

// The fixed format, one value at a time: "0x%02X" joined by ", ", a line
// break and a space before every seventeenth, CR LF everywhere.
std::string ExpectedHeader(const std::string& input, const std::string& prefix,
                           const std::string& className, const std::string& bytes) {
    const std::string rule(82, '/');
    std::string h = rule + "\r\n// This is a headerfile which adds " + input +
                    " to your Visual C++ Project.\r\n" + rule + "\r\n\r\nconst unsigned char " +
                    prefix + "file[] = \r\n{";
    char values[256][8];
    for (int b = 0; b < 256; ++b) std::snprintf(values[b], sizeof values[b], "0x%02X", b);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) h += i % 16 == 0 ? ", \r\n " : ", ";
        h += values[static_cast<unsigned char>(bytes[i])];
    }
    if (!bytes.empty() && bytes.size() % 16 == 0) h += "\r\n ";
    h += "\r\n};\r\n\r\nconst DWORD " + prefix + "length = " + std::to_string(bytes.size()) +
         ";\r\n\r\nclass " + className +
         "\r\n{\r\npublic:\r\n\tBOOL ExtractFile(LPCTSTR filename);\r\n};\r\n\r\nBOOL " +
         className +
         "::ExtractFile(LPCTSTR filename)\r\n{\r\n\tCFile tFile;\r\n\t"
         "if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;\r\n\t"
         "tFile.Write(" +
         prefix + "file," + prefix +
         "length*sizeof(char));\r\n\ttFile.Close();\r\n\treturn true;\r\n}";
    return h;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937_64 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// The writer above must agree with the headers kept as the format's record.
TEST(RoundTrip, TheWriterHereMatchesTheGoldenHeaders) {
    std::string sixteen;
    std::string seventeen;
    for (int i = 0; i < 17; ++i) (i < 16 ? sixteen : seventeen) += static_cast<char>(i);
    seventeen = sixteen + seventeen;
    const auto golden = [](const std::string& name) {
        return ReadFile(std::string(HEXCRATE_GOLDEN_DIR) + "/" + name);
    };
    EXPECT_EQ(ExpectedHeader("abc.txt", "abc", "CAbcFile", "abc"), golden("abc.txt.h"));
    EXPECT_EQ(ExpectedHeader("sixteen.bin", "sixteen", "CSixteenFile", sixteen),
              golden("sixteen.bin.h"));
    EXPECT_EQ(ExpectedHeader("seventeen.bin", "seventeen", "CSeventeenFile", seventeen),
              golden("seventeen.bin.h"));
    EXPECT_EQ(ExpectedHeader("empty.dat", "empty", "CEmptyFile", ""), golden("empty.dat.h"));
}

// The formatter fed directly, in pieces of every awkward size: one value,
// less than a line, a line and one, more than a whole block at once.
TEST(RoundTrip, FormatterTakesPiecesOfAnySize) {
    constexpr std::size_t kBlock = core::HeaderFormatter::kBlockSize;
    const std::string bytes = RandomBytes(5 * kBlock, 5);
    std::string header;
    core::HeaderFormatter formatter([&header](const char* data, std::size_t size) {
        header.append(data, size);
        return true;
    });
    ASSERT_TRUE(formatter.Opening("data.bin", "data"));
    const auto* next = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = next + bytes.size();
    for (const std::size_t piece : {std::size_t{1}, std::size_t{15}, std::size_t{17},
                                    std::size_t{16}, 3 * kBlock + 5, std::size_t{100'001}}) {
        ASSERT_TRUE(formatter.Bytes(next, piece));
        next += piece;
    }
    ASSERT_TRUE(formatter.Bytes(next, static_cast<std::size_t>(end - next)));
    ASSERT_TRUE(formatter.Closing("data", "CDataFile"));
    EXPECT_TRUE(header == ExpectedHeader("data.bin", "data", "CDataFile", bytes));
}

// How the two threads are paced: the writes slowed, so that the reader fills
// every block it may and must wait for the formatter; the reads slowed, so
// that the formatter waits for each block; or neither.
enum class Pace { SlowWrites, SlowReads, Free };

void PrintTo(Pace pace, std::ostream* os) {
    constexpr const char* kNames[] = {"SlowWrites", "SlowReads", "Free"};
    *os << kNames[static_cast<int>(pace)];
}

void SetPace(Pace pace, ScopedSystemCalls& sys) {
    using namespace std::chrono_literals;
    if (pace == Pace::SlowWrites)
        sys->write = [](int fd, const void* data, size_t size) {
            std::this_thread::sleep_for(4ms);
            return ::write(fd, data, size);
        };
    if (pace == Pace::SlowReads)
        sys->read = [](int fd, void* buffer, size_t size) {
            std::this_thread::sleep_for(2ms);
            return ::read(fd, buffer, size);
        };
}

class RoundTrip : public testing::TestWithParam<Pace> {
protected:
    ScopedSystemCalls m_sys;
    TempDir m_dir;
};

// Sizes that are no multiple of the 256 KiB read, the formatter's 128 KiB
// block, its 64 KiB steps or the 16-value line.
TEST_P(RoundTrip, RandomBytesComeBackExactly) {
    SetPace(GetParam(), m_sys);
    unsigned seed = 1;
    for (const std::size_t size : {std::size_t{4} * 1024 * 1024 + 3, std::size_t{4'500'007}}) {
        SCOPED_TRACE(size);
        const std::string bytes = RandomBytes(size, seed++);
        WriteFile(m_dir / "data.bin", bytes);
        core::NoProgress quiet;
        ASSERT_EQ(core::Convert({m_dir / "data.bin", "CDataFile", m_dir / "data.h"}, quiet).outcome,
                  Outcome::Converted);
        // Not EXPECT_EQ: a 27 MB difference would flood the log.
        const std::string header = ReadFile(m_dir / "data.h");
        const std::string expected = ExpectedHeader("data.bin", "data", "CDataFile", bytes);
        const auto [at, _] =
            std::mismatch(header.begin(), header.end(), expected.begin(), expected.end());
        EXPECT_TRUE(header == expected) << "sizes " << header.size() << " and " << expected.size()
                                        << ", first difference at " << at - header.begin();
        std::filesystem::remove(m_dir / "data.h");
    }
}

// An update over a header that agrees for megabytes and then differs: the
// result is the new header, whole, and nothing beside it.
TEST_P(RoundTrip, UpdateOverAHeaderThatDiffersLate) {
    SetPace(GetParam(), m_sys);
    const std::string bytes = RandomBytes(std::size_t{4} * 1024 * 1024 + 9, 7);
    const std::string expected = ExpectedHeader("data.bin", "data", "CDataFile", bytes);
    WriteFile(m_dir / "data.bin", bytes);
    std::string old = expected;
    old[old.size() - 1000] ^= 1;
    WriteFile(m_dir / "data.h", old);
    core::ConversionJob job{m_dir / "data.bin", "CDataFile", m_dir / "data.h"};
    job.options.outputMode = core::OutputMode::Update;
    core::NoProgress quiet;
    ASSERT_EQ(core::Convert(job, quiet).outcome, Outcome::Converted);
    EXPECT_TRUE(ReadFile(m_dir / "data.h") == expected);
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"data.bin", "data.h"}));
}

INSTANTIATE_TEST_SUITE_P(Paces, RoundTrip,
                         testing::Values(Pace::SlowWrites, Pace::SlowReads, Pace::Free));

// The old header's descriptor, and the offset from which reading it fails.
std::atomic<int> g_oldHeaderFd{-1};
std::atomic<off_t> g_failAt{-1};

// An update that cannot read the old header to its end must not take it for
// identical: it says so, and leaves the old header as it was.
TEST(RoundTrip, UpdateNeverTrustsAnOldHeaderItCouldNotRead) {
    TempDir dir;
    const std::string bytes = RandomBytes(300'001, 3);
    const std::string expected = ExpectedHeader("data.bin", "data", "CDataFile", bytes);
    WriteFile(dir / "data.bin", bytes);
    core::ConversionJob job{dir / "data.bin", "CDataFile", dir / "data.h"};
    job.options.outputMode = core::OutputMode::Update;

    const struct {
        const char* what;
        std::string old;
        std::size_t failAt;
    } cases[] = {
        // Identical as far as it could be read: what follows is unknown.
        {"fails where the new header ends", expected + "int more;\r\n", expected.size()},
        {"fails mid-way", expected, expected.size() / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir / "data.h", c.old);
        g_oldHeaderFd = -1;
        g_failAt = static_cast<off_t>(c.failAt);
        ScopedSystemCalls sys;
        sys->openat = [](int at, const char* path, int flags, mode_t mode) {
            const int fd = ::openat(at, path, flags, mode);
            if (std::string_view(path).ends_with("data.h") && (flags & O_ACCMODE) == O_RDONLY)
                g_oldHeaderFd = fd;
            return fd;
        };
        sys->read = [](int fd, void* buffer, size_t size) -> ssize_t {
            if (fd == g_oldHeaderFd &&
                ::lseek(fd, 0, SEEK_CUR) + static_cast<off_t>(size) > g_failAt)
                return errno = EIO, -1;
            return ::read(fd, buffer, size);
        };
        core::NoProgress quiet;
        const core::ConversionResult result = core::Convert(job, quiet);
        EXPECT_EQ(result.outcome, Outcome::OutputUnreadable);
        EXPECT_EQ(result.reason, std::errc::io_error);
        EXPECT_NE(g_oldHeaderFd, -1);
        EXPECT_TRUE(ReadFile(dir / "data.h") == c.old);
        EXPECT_EQ(Entries(dir), (std::vector<std::string>{"data.bin", "data.h"}));
    }
}

}  // namespace
