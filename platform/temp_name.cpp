#include "platform/temp_name.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>

#include "platform/posix_features.h"

#if HEXCRATE_LINUX_CALLS
#include <sys/random.h>
#endif

namespace platform::detail {
namespace {

constexpr std::string_view kSuffix = ".hexcrate-";
constexpr std::size_t kRandomChars = 6;
constexpr std::string_view kChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Bytes that differ between processes and between calls, where the kernel's
// generator has nothing to give: the clock, the process and a count. A name
// that is taken all the same is simply tried again.
void ClockBytes(unsigned char* bytes, std::size_t count) {
    static std::atomic<unsigned long> calls{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    unsigned long seed = static_cast<unsigned long>(now.tv_nsec) ^
                         (static_cast<unsigned long>(::getpid()) << 16) ^
                         (calls.fetch_add(1, std::memory_order_relaxed) << 40);
    for (std::size_t i = 0; i < count; ++i, seed = seed * 6364136223846793005ul + 1)
        bytes[i] = static_cast<unsigned char>(seed >> 33);
}

// The name shortened so that the whole temporary's name fits.
std::string_view Kept(const std::string& name) {
    const std::size_t room = NAME_MAX - 1 - kSuffix.size() - kRandomChars;
    return std::string_view(name).substr(0, room);
}

}  // namespace

void MakeTempName(char* out, const std::string& name) {
    const std::string_view kept = Kept(name);
    char* p = out;
    *p++ = '.';
    p = std::copy(kept.begin(), kept.end(), p);
    p = std::copy(kSuffix.begin(), kSuffix.end(), p);
    unsigned char bytes[kRandomChars];
#if HEXCRATE_LINUX_CALLS
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes))
#endif
        ClockBytes(bytes, sizeof bytes);
    for (const unsigned char byte : bytes) *p++ = kChars[byte % kChars.size()];
    *p = '\0';
}

bool IsTempNameFor(std::string_view temp, const std::string& name) {
    const std::string_view kept = Kept(name);
    const std::size_t fixed = 1 + kept.size() + kSuffix.size();
    return temp.size() == fixed + kRandomChars && temp[0] == '.' &&
           temp.substr(1, kept.size()) == kept &&
           temp.substr(1 + kept.size(), kSuffix.size()) == kSuffix &&
           temp.find_first_not_of(kChars, fixed) == std::string_view::npos;
}

}  // namespace platform::detail
