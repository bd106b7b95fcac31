// A heap buffer that starts on a page boundary: the kernel copies between
// the page cache and memory aligned like its pages at about twice the speed
// of memory that is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace core {

class PageBuffer {
public:
    static constexpr std::size_t kPageSize = 4096;

    explicit PageBuffer(std::size_t size)
        : m_memory(std::make_unique_for_overwrite<char[]>(size + kPageSize - 1)),
          m_data(m_memory.get() +
                 (kPageSize - reinterpret_cast<std::uintptr_t>(m_memory.get()) % kPageSize) %
                     kPageSize),
          m_size(size) {}

    char* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

private:
    std::unique_ptr<char[]> m_memory;
    char* m_data;
    std::size_t m_size;
};

}  // namespace core
