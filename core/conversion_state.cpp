#include "core/conversion_state.h"

#include "platform/output_job.h"

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

void ConversionState::ClearErrorText() {
    std::lock_guard lock(m_textLock);
    m_errorText.clear();
}

void ConversionState::Finish(std::string errorText) {
    {
        std::lock_guard lock(m_textLock);
        m_errorText = std::move(errorText);
    }
    m_doneFlag.store(1, std::memory_order_release);
}

void ConversionState::BeginJob(ConversionJob job) {
    m_job = std::move(job);
    m_jobMark = platform::TakeJobMark();
    m_byteCount.store(0, std::memory_order_relaxed);
    m_doneFlag.store(0, std::memory_order_relaxed);
}

ConversionState& TheConversionState() {
    // Deliberately leaked: see the header.
    static auto* state = new ConversionState;
    return *state;
}

}  // namespace core
