#include "core/read_ahead_thread.h"

namespace core {

ReadAheadThread::ReadAheadThread(Read read, bool ownThread)
    : m_read(std::move(read)), m_memory(kBlocks * kBlockSize) {
    if (!ownThread) return;
    try {
        m_thread = std::thread(&ReadAheadThread::Run, this);
    } catch (const std::system_error&) {
        // Out of threads: the conversion still works, only without overlap.
    }
}

ReadAheadThread::~ReadAheadThread() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_taken.notify_one();
    m_thread.join();
}

ReadAheadThread::Block ReadAheadThread::ReadInto(std::size_t slot) {
    char* const buffer = m_memory.Data() + slot * kBlockSize;
    Block block{reinterpret_cast<const unsigned char*>(buffer), -1, {}, {}};
    try {
        const platform::Result<std::size_t> read = m_read(buffer, kBlockSize);
        if (read)
            block.size = static_cast<std::ptrdiff_t>(*read);
        else
            block.error = read.Error();
    } catch (...) {
        block.thrown = std::current_exception();
    }
    return block;
}

ReadAheadThread::Block ReadAheadThread::Next() {
    Block block;
    if (!m_thread.joinable()) {
        if (!m_ended) m_blocks[0] = ReadInto(0);
        m_ended = m_blocks[0].size <= 0;
        block = m_blocks[0];
    } else {
        std::unique_lock lock(m_lock);
        m_filled.wait(lock, [this] { return m_ready > 0; });
        block = m_blocks[m_first];
        if (block.size > 0) {  // the end stays where it is
            m_first = (m_first + 1) % kBlocks;
            --m_ready;
            lock.unlock();
            m_taken.notify_one();
        }
    }
    if (block.thrown) std::rethrow_exception(block.thrown);
    return block;
}

// Fills the slots after the ones ready, leaving alone the one the caller
// holds, until the end of the input, an error or the caller stops it.
void ReadAheadThread::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_taken.wait(lock, [this] { return m_ready < kBlocks - 1 || m_stopping; });
        if (m_stopping) return;
        const std::size_t slot = (m_first + m_ready) % kBlocks;
        lock.unlock();
        const Block block = ReadInto(slot);
        lock.lock();
        m_blocks[slot] = block;
        ++m_ready;
        m_filled.notify_one();
        if (block.size <= 0) return;  // nothing more to read
    }
}

}  // namespace core
