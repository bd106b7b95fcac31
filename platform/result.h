// What a platform call gives back: its value, or the system's reason for
// failing, taken where the call failed. A call with no value to give returns
// a plain std::error_code, empty on success.
#pragma once

#include <optional>
#include <system_error>
#include <utility>

namespace platform {

template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}     // NOLINT(google-explicit-constructor)
    Result(std::error_code error) : m_error(error) {}  // NOLINT(google-explicit-constructor)

    bool Ok() const { return m_value.has_value(); }
    explicit operator bool() const { return Ok(); }

    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }

    // Why the call failed; empty on success.
    const std::error_code& Error() const { return m_error; }

    // The value, leaving the result empty; for keeping it in an optional.
    std::optional<T> Take() && { return std::move(m_value); }

private:
    std::optional<T> m_value;
    std::error_code m_error;
};

// Failures that the system has no code for.
enum class Errc {
    NotRegularFile = 1,  // a device, pipe, socket or the like where a file was wanted
    WriteFailed,         // a stream that failed without saying why
};

const std::error_category& PlatformCategory();

inline std::error_code make_error_code(Errc code) {  // NOLINT(readability-identifier-naming)
    return {static_cast<int>(code), PlatformCategory()};
}

}  // namespace platform

template <>
struct std::is_error_code_enum<platform::Errc> : std::true_type {};
