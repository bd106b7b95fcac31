#include "core/chunk_writer_thread.h"

#include <system_error>

namespace core {

ChunkWriterThread::ChunkWriterThread(Write write) : m_write(std::move(write)) {
    try {
        m_thread = std::thread(&ChunkWriterThread::Run, this);
    } catch (const std::system_error&) {
        // Out of threads: the conversion still works, only without overlap.
    }
}

ChunkWriterThread::~ChunkWriterThread() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_queued.notify_one();
    m_thread.join();
}

bool ChunkWriterThread::Submit(const char* data, std::size_t size) {
    if (!m_thread.joinable()) {
        m_failed = m_failed || !m_write(data, size);
        return !m_failed;
    }
    {
        std::unique_lock lock(m_lock);
        m_written.wait(lock, [this] { return m_count < kQueueLength || m_failed; });
        if (m_failed) return false;
        m_queue[(m_first + m_count) % kQueueLength] = {data, size};
        ++m_count;
    }
    m_queued.notify_one();
    return true;
}

bool ChunkWriterThread::Wait() {
    std::unique_lock lock(m_lock);
    m_written.wait(lock, [this] { return m_count == 0; });
    return !m_failed;
}

void ChunkWriterThread::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_queued.wait(lock, [this] { return m_count > 0 || m_stopping; });
        if (m_count == 0) return;
        const Chunk chunk = m_queue[m_first];
        const bool failedBefore = m_failed;  // then the rest is dropped unwritten
        lock.unlock();
        bool written = false;
        try {
            written = !failedBefore && m_write(chunk.data, chunk.size);
        } catch (...) {
            // Reported as a failed write; the worker turns it into a message.
        }
        lock.lock();
        m_failed = m_failed || !written;
        m_first = (m_first + 1) % kQueueLength;
        --m_count;
        lock.unlock();
        m_written.notify_all();
        lock.lock();
    }
}

}  // namespace core
