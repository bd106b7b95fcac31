#include "cli/terminal_progress.h"

#include "core/name_rules.h"

#include "cli/report.h"
#include "core/progress_report.h"

namespace cli {

TerminalProgress::TerminalProgress(std::uint32_t inputLength, bool show, std::FILE* out)
    : m_inputLength(inputLength), m_show(show), m_out(out) {}

void TerminalProgress::Started(std::string_view displayName) {
    if (m_show) m_displayName = core::EscapeControls(displayName);
}

void TerminalProgress::Advanced(std::uint32_t byteCount) {
    if (!m_show) return;
    const int percent = core::ProgressPercent(byteCount, m_inputLength);
    if (percent == m_shown) return;
    std::fprintf(m_out, "\r%d%% %s", percent, m_displayName.c_str());
    std::fflush(m_out);
    m_shown = percent;
}

void TerminalProgress::Clear() {
    if (m_shown < 0) return;
    std::fprintf(m_out, "\r\033[K");
    std::fflush(m_out);
    m_shown = -1;
}

}  // namespace cli
