// The texts a conversion reports to the user, shared by the window and the
// command-line converter.
#pragma once

namespace core::msg {

inline constexpr char kSelectFile[] = "Please select a file";
inline constexpr char kSpecifyClassName[] = "Please specify a classname";
inline constexpr char kSpecifyOutput[] = "Please specify an(other) output filename";
inline constexpr char kInputNotFound[] = "Input file not found.";
inline constexpr char kInputTooLarge[] = "Input file is too large.";
inline constexpr char kInputUnreadable[] = "Input file could not be read.";
inline constexpr char kOutputExists[] = "Output file already created.";
inline constexpr char kOutputNotCreated[] = "Output file could not be created.";
inline constexpr char kOutputNotWritten[] = "Output file could not be written.";
inline constexpr char kOutOfMemory[] = "Out of memory.";
inline constexpr char kNotStarted[] = "Conversion could not be started.";

// Progress and completion; the title is "<percent>% Hexcrate - <name>".
inline constexpr char kTitleProgress[] = "% Hexcrate - ";
inline constexpr char kSuccessCaption[] = "Conversion complete.";
inline constexpr char kSuccessTextStart[] = "Conversion of file ";
inline constexpr char kSuccessTextEnd[] = " completed.";
inline constexpr char kFailureCaptionStart[] = "Can't convert ";
inline constexpr char kFailureCaptionEnd[] = ".";

}  // namespace core::msg
