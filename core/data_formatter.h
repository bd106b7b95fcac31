// What every kind of header has in common: a formatter takes the input's
// names and bytes and hands the header's text to a sink in large chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace core {

class DataFormatter {
public:
    // Receives the formatted text, valid for the call only; returns false on
    // a write error.
    using Sink = std::function<bool(const char* data, std::size_t size)>;

    virtual ~DataFormatter() = default;

    // Each returns false once the sink has failed; nothing more is written then.
    // Control characters inside a name are written as visible escapes.
    virtual bool Opening(std::string_view displayName, std::string_view prefix) = 0;
    virtual bool Bytes(const unsigned char* data, std::size_t size) = 0;
    virtual bool Closing(std::string_view prefix, std::string_view className) = 0;

    virtual std::uint64_t ByteCount() const = 0;

    // True when a call returned false because the input held more or fewer
    // bytes than the formatter was told to expect: it changed while read.
    virtual bool InputChanged() const { return false; }
};

}  // namespace core
