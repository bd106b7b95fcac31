#include "core/conversion_state.h"

#include <algorithm>
#include <climits>

namespace core {

std::string ConversionState::DisplayName() const {
    std::lock_guard lock(m_textLock);
    return m_displayName;
}

void ConversionState::SetDisplayName(std::string name) {
    std::lock_guard lock(m_textLock);
    m_displayName = std::move(name);
}

std::string ConversionState::ErrorText() const {
    std::lock_guard lock(m_textLock);
    return m_errorText;
}

void ConversionState::SetErrorText(std::string text) {
    std::lock_guard lock(m_textLock);
    m_errorText = std::move(text);
}

void ConversionState::BeginJob(std::string input, std::string cls, std::string output,
                               std::uint32_t length, JobOptions jobOptions) {
    inputPath = std::move(input);
    className = std::move(cls);
    outputPath = std::move(output);
    inputLength = length;
    options = std::move(jobOptions);
    doneFlag.store(0, std::memory_order_relaxed);
}

ConversionState& TheConversionState() {
    // Deliberately leaked: see the header.
    static ConversionState* state = new ConversionState;
    return *state;
}

int ProgressPercent(std::uint32_t count, std::uint32_t length) {
    if (length == 0) return 0;
    const double percent = static_cast<double>(count) / static_cast<double>(length) * 100.0;
    // A file that grew a lot since it was measured must not overflow the int.
    return static_cast<int>(std::min(percent, static_cast<double>(INT_MAX)));
}

}  // namespace core
