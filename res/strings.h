// The texts the window shows, apart from the conversion messages that the
// command-line converter shares (core/outcome.h, core/messages.h). UTF-8.
#pragma once

namespace res {

inline constexpr char kAppTitle[] = "Hexcrate";

// Main dialog
inline constexpr char kInputLabel[] = "File to convert:";
inline constexpr char kClassLabel[] = "Classname:";
inline constexpr char kOutputLabel[] = "Output filename:";
inline constexpr char kBrowse[] = "Browse...";
inline constexpr char kConvert[] = "Convert";
inline constexpr char kExit[] = "Exit";
inline constexpr char kFileFilterLabel[] = "All files (*.*)";
// The title Windows gives its own open-file chooser.
inline constexpr char kChooserTitle[] = "Open";

// About command and box
inline constexpr char kAboutCommand[] = "&About Hexcrate...";
inline constexpr char kAboutCaption[] = "About Hexcrate";
inline constexpr char kAboutVersion[] = "Hexcrate Version 1.0";
inline constexpr char kAboutNotice[] = "Copyright (C) 2026 Hexcrate";
inline constexpr char kAboutUsage[] =
    "Add '#include \"<filename without ext>.h\"' to your project.\n"
    "\n"
    "Use following code to extract data:\n"
    "\n"
    "<classname> MyClass;\n"
    "MyClass.ExtractFile(\"<path to extract>\");";

}  // namespace res
