// Reading the input on a second thread, so that reading the next blocks
// overlaps formatting and writing the earlier ones. The header's text is
// formatted and written on one thread: handing hundreds of megabytes of it
// to another core cost more than the overlap won.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/page_buffer.h"
#include "platform/result.h"

namespace core {

class ReadAheadThread {
public:
    // Reads up to `capacity` bytes: the count, 0 at the end, or why not.
    using Read = std::function<platform::Result<std::size_t>(char* buffer, std::size_t capacity)>;

    static constexpr std::size_t kBlockSize = std::size_t{256} * 1024;
    // The block in use and up to three read ahead of it.
    static constexpr std::size_t kBlocks = 4;

    struct Block {
        const unsigned char* data = nullptr;
        std::ptrdiff_t size = 0;    // bytes; 0 at the end, -1 after a read error
        std::error_code error;      // why the read failed
        std::exception_ptr thrown;  // what the read threw, thrown again by Next
    };

    // Starts reading at once on its own thread. Without one (`ownThread`
    // false, or none can be started) Next reads on the caller's thread.
    explicit ReadAheadThread(Read read, bool ownThread = true);
    // Stops reading after the read under way.
    ~ReadAheadThread();
    ReadAheadThread(const ReadAheadThread&) = delete;
    ReadAheadThread& operator=(const ReadAheadThread&) = delete;

    // The next block, waiting for it if need be. It stays valid until the
    // next call; after the end or an error every call returns that again.
    // What the read threw is thrown here, on the caller's thread.
    Block Next();

private:
    Block ReadInto(std::size_t slot);
    void Run();

    Read m_read;
    PageBuffer m_memory;
    std::array<Block, kBlocks> m_blocks{};
    std::mutex m_lock;
    std::condition_variable m_filled;  // the caller waits for a block
    std::condition_variable m_taken;   // the reader waits for room or the end
    std::size_t m_first = 0;           // the next block to hand out
    std::size_t m_ready = 0;           // blocks read and not yet handed out
    bool m_stopping = false;
    bool m_ended = false;  // without a thread: the end or an error was read
    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace core
