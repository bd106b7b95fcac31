// The input file's locks: shared readers meet, an exclusive holder keeps
// everyone else out.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/input_file.h"
#include "system_calls_mock.h"
#include "test_files.h"

namespace {

using platform::InputAccess;
using platform::InputFile;
using test::TempDir;
using test::WriteFile;

TEST(InputFile, SharedReadersMeetButNeverAnExclusiveHolder) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    const std::string in = dir / "in.bin";

    auto shared = InputFile::Open(in, InputAccess::Shared);
    ASSERT_TRUE(shared);
    EXPECT_TRUE(InputFile::Open(in, InputAccess::Shared));
    EXPECT_EQ(InputFile::Open(in).Error(), std::errc::resource_unavailable_try_again);  // exclusive
    shared = std::error_code();                                                         // closed

    const int holder = ::open(in.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(InputFile::Open(in, InputAccess::Shared));
    ::close(holder);
    auto again = InputFile::Open(in, InputAccess::Shared);
    ASSERT_TRUE(again);
    char buffer[8];
    EXPECT_EQ(*again->Read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(*again->Read(buffer, sizeof buffer), 0u);
}

// What is not a regular file says so: a FIFO (not waited for), a device, a
// folder, a missing name.
TEST(InputFile, WhatIsNotAFileSaysWhy) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(InputFile::Open(dir / "fifo").Error(), platform::Errc::NotRegularFile);
    EXPECT_EQ(InputFile::Open("/dev/zero").Error(), platform::Errc::NotRegularFile);
    EXPECT_EQ(InputFile::Open("/dev/zero").Error().message(), "not a regular file");
    EXPECT_EQ(InputFile::Open(dir.Path()).Error(), std::errc::is_a_directory);
    EXPECT_EQ(InputFile::Open(dir / "missing").Error(), std::errc::no_such_file_or_directory);
}

// NFS refuses an exclusive lock on a file open for reading: the shared one
// is taken instead, which an exclusive holder still refuses.
TEST(InputFile, WhereExclusiveLocksNeedWritingTheSharedOneIsTaken) {
    TempDir dir;
    WriteFile(dir / "in.bin", "abc");
    const std::string in = dir / "in.bin";
    test::ScopedSystemCalls sys;
    sys->flock = [](int fd, int operation) {
        if ((operation & LOCK_EX) != 0) return errno = EBADF, -1;
        return ::flock(fd, operation);
    };
    EXPECT_TRUE(InputFile::Open(in));

    const int holder = ::open(in.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(InputFile::Open(in));
    ::close(holder);
}

}  // namespace
