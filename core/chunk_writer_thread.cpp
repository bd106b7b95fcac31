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
    m_changed.notify_all();
    m_thread.join();
}

bool ChunkWriterThread::Submit(const char* data, std::size_t size) {
    if (!m_thread.joinable()) {
        m_failed = m_failed || !m_write(data, size);
        return !m_failed;
    }
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_data == nullptr; });
    if (m_failed) return false;
    m_data = data;
    m_size = size;
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool ChunkWriterThread::Wait() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_data == nullptr; });
    return !m_failed;
}

void ChunkWriterThread::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_data != nullptr || m_stopping; });
        if (m_data == nullptr) return;
        const char* data = m_data;
        const std::size_t size = m_size;
        lock.unlock();
        bool written = false;
        try {
            written = m_write(data, size);
        } catch (...) {
            // Reported as a failed write; the worker turns it into a message.
        }
        lock.lock();
        m_failed = m_failed || !written;
        m_data = nullptr;
        m_changed.notify_all();
    }
}

}  // namespace core
