// Extracts every header listed in list.inc and checks how ExtractFile
// reports failures through the support header.
#include <hexcrate/extract_support.h>

#include <system_error>

#include "headers.inc"

template <class Extractor>
bool Extract(const char* path) {
    Extractor extractor;
    return extractor.ExtractFile(path) != 0;
}

// True when extracting to `path` throws, as a failed write must.
template <class Extractor>
bool WriteFails(const char* path) {
    try {
        Extract<Extractor>(path);
    } catch (const std::system_error&) {
        return true;
    }
    return false;
}

int main() {
    bool ok = true;
#define X(Class, path) ok = Extract<Class>(path) && ok;
#include "list.inc"
#undef X
    ok = !Extract<CData1File>(".") && !Extract<CData1File>("no/such/dir/x") && ok;
    // Large data fails in Write, a few bytes only when Close flushes them.
    ok = WriteFails<CData70000File>("/dev/full") && WriteFails<CData1File>("/dev/full") && ok;
    return ok ? 0 : 1;
}
