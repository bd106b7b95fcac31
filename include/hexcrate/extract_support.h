// What a header written by Hexcrate needs from outside the C++ standard
// library: the types DWORD, BOOL and LPCTSTR and a class CFile that can
// create a file and write bytes to it. Include this before the generated
// header. Where windows.h or MFC already supplies them, the matching parts
// here are left out, so the same source builds on every platform.
//
// After X11's <X11/Xmd.h>, BOOL is X11's (an unsigned char) and the headers
// work with it; include <X11/Xmd.h> first, as its BOOL cannot follow ours.
//
// On Windows outside MFC it includes <windows.h>, whose types a header of
// the rc kind needs for loading its resource.
//
// hexcrate::bytes(PREFIXfile, PREFIXlength) gives the bytes as a
// std::span<const unsigned char> from C++20 on (hexcrate::byte_view, a
// pointer and a size, before), and hexcrate::chars(...) as a
// std::string_view from C++17 on; both work with every kind of header.
//
// Works from C++11 on. CFile opens files in binary mode, so ExtractFile
// writes the bytes back exactly. It reports a file that cannot be created by
// returning false (as with MFC); a write or close that fails throws
// std::system_error (MFC throws CFileException there), or aborts when the
// program is built without exceptions, so a short file is never taken for
// a complete one.
#ifndef HEXCRATE_EXTRACT_SUPPORT_H
#define HEXCRATE_EXTRACT_SUPPORT_H

#if defined(_WIN32) && !defined(__AFX_H__)
#include <windows.h>
#endif

#if !defined(_WINDEF_) && !defined(_MINWINDEF_)
#include <cstdint>
typedef std::uint32_t DWORD;  // 32 bits, as on Windows
// X11's <X11/Xmd.h>, included before, has a BOOL of its own.
#if !defined(XMD_H)
typedef int BOOL;
#endif
#endif

#if !defined(_WINNT_)
typedef const char* LPCTSTR;
#endif

#if !defined(__AFX_H__)
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS) || defined(_CPPUNWIND)
#include <system_error>
#endif

class CFile {
public:
    // The values MFC uses; only writing a new or truncated file is supported.
    enum OpenFlags { modeRead = 0x0000, modeWrite = 0x0001, modeCreate = 0x1000 };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() {
        if (m_file) std::fclose(m_file);  // an unclosed file's errors go unreported
    }

    // Creates (or truncates) `name` for writing in binary mode. Returns false
    // when it cannot be created or when `flags` asks for anything else.
    bool Open(const char* name, unsigned int flags) {
        if (m_file) Close();
        if (flags != (modeWrite | modeCreate)) return false;
        m_file = std::fopen(name, "wb");
        if (!m_file) return false;
        m_name = name;
        return true;
    }
#if defined(_WIN32)
    bool Open(const wchar_t* name, unsigned int flags) {
        if (m_file) Close();
        if (flags != (modeWrite | modeCreate)) return false;
        m_file = _wfopen(name, L"wb");
        if (!m_file) return false;
        m_name = "(file)";
        return true;
    }
#endif

    void Write(const void* data, std::size_t size) {
        if (!m_file) Fail(EBADF, "write to");
        errno = 0;
        if (size > 0 && std::fwrite(data, 1, size, m_file) != size) {
            const int error = errno != 0 ? errno : EIO;
            Abandon();
            Fail(error, "write to");
        }
    }

    // Flushes and closes; buffered data that cannot be written fails here.
    void Close() {
        if (!m_file) return;
        std::FILE* file = m_file;
        m_file = nullptr;
        if (std::fclose(file) != 0) Fail(errno, "close");
    }

private:
    void Abandon() {
        std::fclose(m_file);
        m_file = nullptr;
    }

    [[noreturn]] void Fail(int error, const char* what) const {
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS) || defined(_CPPUNWIND)
        throw std::system_error(error, std::generic_category(),
                                std::string("cannot ") + what + " " + m_name);
#else
        (void)error;
        std::fprintf(stderr, "cannot %s %s\n", what, m_name.c_str());
        std::abort();
#endif
    }

    std::FILE* m_file = nullptr;
    std::string m_name;
};
#endif  // !__AFX_H__

#include <cstddef>
#if __cplusplus >= 202002L || (defined(_MSVC_LANG) && _MSVC_LANG >= 202002L)
#include <span>
#endif
#if __cplusplus >= 201703L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201703L)
#include <string_view>
#endif

namespace hexcrate {

#if defined(__cpp_lib_span)
using byte_view = std::span<const unsigned char>;
#else
// The bytes where std::span is missing: enough for range-for and indexing.
class byte_view {
public:
    byte_view() = default;
    byte_view(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}
    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const unsigned char* begin() const { return m_data; }
    const unsigned char* end() const { return m_data + m_size; }
    const unsigned char& operator[](std::size_t i) const { return m_data[i]; }

private:
    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};
#endif

// A header's bytes: bytes(logofile, logolength). Empty when the data is
// missing (an rc header whose resource is not in the module).
inline byte_view bytes(const unsigned char* data, std::size_t length) {
    return data ? byte_view(data, length) : byte_view();
}

#if defined(__cpp_lib_string_view)
// The same bytes as characters, for APIs that take text.
inline std::string_view chars(const unsigned char* data, std::size_t length) {
    return data ? std::string_view(reinterpret_cast<const char*>(data), length)
                : std::string_view();
}
#endif

}  // namespace hexcrate

#endif  // HEXCRATE_EXTRACT_SUPPORT_H
