// Reading ahead hands out what the reads gave, in order, on its own thread
// or without one, and passes on read errors and exceptions.
#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "core/read_ahead_thread.h"

namespace {

using core::ReadAheadThread;

TEST(ReadAheadThread, HandsOutEveryReadInOrderThenTheEnd) {
    const std::vector<std::size_t> sizes{1, ReadAheadThread::kBlockSize, 7, 0};
    for (const bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "ahead" : "inline");
        std::size_t call = 0;
        char next = 'a';
        ReadAheadThread reader(
            [&](char* buffer, std::size_t capacity) {
                EXPECT_EQ(capacity, ReadAheadThread::kBlockSize);
                const std::size_t size = sizes.at(call++);
                for (std::size_t i = 0; i < size; ++i) buffer[i] = next++;
                return platform::Result<std::size_t>(size);
            },
            ahead);
        std::string expected;
        std::string got;
        for (char c = 'a'; expected.size() < ReadAheadThread::kBlockSize + 8;) expected += c++;
        for (ReadAheadThread::Block block; (block = reader.Next()).size > 0;)
            got.append(reinterpret_cast<const char*>(block.data),
                       static_cast<std::size_t>(block.size));
        EXPECT_EQ(got, expected);
        EXPECT_EQ(reader.Next().size, 0);  // the end stays, nothing more is read
        EXPECT_EQ(call, sizes.size());
    }
}

TEST(ReadAheadThread, PassesOnReadErrorsAndExceptions) {
    for (const bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "ahead" : "inline");
        int calls = 0;
        ReadAheadThread failing(
            [&](char*, std::size_t) -> platform::Result<std::size_t> {
                if (++calls == 1) return std::size_t{5};
                return std::make_error_code(std::errc::io_error);
            },
            ahead);
        EXPECT_EQ(failing.Next().size, 5);
        for (int i = 0; i < 2; ++i) {
            const ReadAheadThread::Block block = failing.Next();
            EXPECT_EQ(block.size, -1);
            EXPECT_EQ(block.error, std::errc::io_error);
        }
        EXPECT_EQ(calls, 2);

        ReadAheadThread throwing(
            [](char*, std::size_t) -> platform::Result<std::size_t> { throw std::bad_alloc(); },
            ahead);
        EXPECT_THROW(throwing.Next(), std::bad_alloc);
    }
}

// A conversion that stops early (a failed write) stops the reader while it
// waits for room; an endless input would otherwise keep it reading.
TEST(ReadAheadThread, StopsWhenTheCallerStopsEarly) {
    ReadAheadThread reader(
        [](char*, std::size_t capacity) { return platform::Result<std::size_t>(capacity); }, true);
    EXPECT_GT(reader.Next().size, 0);
}

}  // namespace
