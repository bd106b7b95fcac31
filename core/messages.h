// The texts of the progress display and the completion report, shared by the
// window and the command-line converter. The failure texts are in outcome.h.
#pragma once

namespace core::msg {

// Progress and completion; the title is "<percent>% Hexcrate - <name>".
inline constexpr char kTitleProgress[] = "% Hexcrate - ";
inline constexpr char kSuccessCaption[] = "Conversion complete.";
inline constexpr char kSuccessTextStart[] = "Conversion of file ";
inline constexpr char kSuccessTextEnd[] = " completed.";
inline constexpr char kFailureCaptionStart[] = "Can't convert ";
inline constexpr char kFailureCaptionEnd[] = ".";

}  // namespace core::msg
