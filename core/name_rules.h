// Names taken out of a path: what the window proposes, what the header's
// identifiers and comment are made of.
//
// Texts are UTF-8 byte strings. Both '\' and '/' separate directories.
// Case mapping touches the ASCII letters only, so other bytes (and with them
// every multi-byte character) pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace core {

// Everything after the last separator; the whole path if it has none;
// empty if the path ends with a separator.
std::string FileNamePart(std::string_view path);

// The name without its last '.' and what follows. A name whose only dot is
// its first character gives the empty text; a name with no dot at all is
// its own base name ('Makefile' stays 'Makefile').
std::string BaseName(std::string_view name);

// The file name part, extension included, as shown in the header comment and
// the window title.
std::string DisplayName(std::string_view path);

// The base name of the file name part; the array and length identifiers are
// this followed by "file" and "length".
std::string IdentifierPrefix(std::string_view path);

// The base name of the file name part followed by ".h", with no directory.
std::string DefaultOutputName(std::string_view path);

// "C", the first byte of the file name part upper-cased, the base name of the
// rest lower-cased, then "File": 'MyLogo.BMP' gives 'CMylogoFile'.
std::string DefaultClassName(std::string_view path);

// True when `name` can stand as a C++ identifier: a letter or '_', then
// letters, digits and '_', and not a keyword. Bytes above 0x7F pass, as the
// parts of UTF-8 letters that current compilers accept.
bool IsIdentifier(std::string_view name);

// `text` with every control character (C0, DEL and the UTF-8 encoded C1
// range) written as a backslash escape such as \n or \x1B: a file name
// written into a header comment or string, or onto a terminal, stays text
// there and cannot end the comment or move the cursor.
std::string EscapeControls(std::string_view text);

}  // namespace core
