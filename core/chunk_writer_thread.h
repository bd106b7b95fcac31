// Writing on a second thread, so that formatting the next chunks of a header
// overlaps writing the earlier ones.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

namespace core {

class ChunkWriterThread {
public:
    using Write = std::function<bool(const char* data, std::size_t size)>;

    // How many chunks may wait to be written. More than one lets the writer
    // go straight on to the next chunk instead of waiting for the caller to
    // wake and hand it over.
    static constexpr std::size_t kQueueLength = 3;

    // Starts the writing thread; where none can be started, Submit writes
    // at once on the caller's thread instead.
    explicit ChunkWriterThread(Write write);
    // Waits for the write under way.
    ~ChunkWriterThread();
    ChunkWriterThread(const ChunkWriterThread&) = delete;
    ChunkWriterThread& operator=(const ChunkWriterThread&) = delete;

    // Waits while the queue is full, then queues this chunk, which must stay
    // unchanged until kQueueLength more Submit calls or a Wait have returned.
    // False once any write has failed; nothing more is written then.
    bool Submit(const char* data, std::size_t size);

    // Waits until everything submitted is written; false if any write failed.
    bool Wait();

private:
    struct Chunk {
        const char* data;
        std::size_t size;
    };

    void Run();

    Write m_write;
    std::mutex m_lock;
    std::condition_variable m_queued;   // the writer waits for a chunk or the end
    std::condition_variable m_written;  // callers wait for room or an empty queue
    std::array<Chunk, kQueueLength> m_queue{};
    std::size_t m_first = 0;  // the chunk being written or next to be
    std::size_t m_count = 0;  // chunks queued, including the one being written
    bool m_failed = false;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace core
