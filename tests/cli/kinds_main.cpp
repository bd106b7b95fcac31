// Extracts every header listed in list.inc, whatever its kind, and reads
// each one's bytes through the support header's views as well.
#include <hexcrate/extract_support.h>

#include <cstring>

#include "headers.inc"

template <class Extractor>
bool Extract(const char* path) {
    Extractor extractor;
    return extractor.ExtractFile(path) != 0;
}

bool Viewed(const unsigned char* data, DWORD length) {
    const hexcrate::byte_view view = hexcrate::bytes(data, length);
    bool ok = view.size() == length && (length == 0 || std::memcmp(view.data(), data, length) == 0);
#if defined(__cpp_lib_string_view)
    ok = ok && hexcrate::chars(data, length).size() == length;
#endif
    return ok;
}

int main() {
    bool ok = true;
#define X(Class, prefix, path) \
    ok = Extract<Class>(path) && Viewed(prefix##file, prefix##length) && ok;
#include "list.inc"
#undef X
    return ok ? 0 : 1;
}
