// Writing on a second thread, so that formatting the next chunk of a header
// overlaps writing the last one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

namespace core {

class ChunkWriterThread {
public:
    using Write = std::function<bool(const char* data, std::size_t size)>;

    // Starts the writing thread; where none can be started, Submit writes
    // at once on the caller's thread instead.
    explicit ChunkWriterThread(Write write);
    // Waits for the write under way.
    ~ChunkWriterThread();
    ChunkWriterThread(const ChunkWriterThread&) = delete;
    ChunkWriterThread& operator=(const ChunkWriterThread&) = delete;

    // Waits for the previous chunk, then hands over this one, which must stay
    // unchanged until the next Submit or Wait returns. False once any write
    // has failed; nothing more is written then.
    bool Submit(const char* data, std::size_t size);

    // Waits until everything submitted is written; false if any write failed.
    bool Wait();

private:
    void Run();

    Write m_write;
    std::mutex m_lock;
    std::condition_variable m_changed;
    const char* m_data = nullptr;  // the chunk to write, null while there is none
    std::size_t m_size = 0;
    bool m_failed = false;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace core
