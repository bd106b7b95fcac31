// The incbin kind: the same names and class as the fixed format, but the
// bytes stay in the input file and the assembler copies them in with
// .incbin, so compiling costs the same whatever the size. For g++ and
// clang++ on ELF and for mingw on PE. The header names the input by its
// absolute path and carries a checksum of its bytes, so that the header
// changes, and whatever includes it is rebuilt, whenever they change.
#pragma once

#include "core/header_format_common.h"

namespace core {

class IncbinFormatter final : public NamedInputFormatter {
public:
    using NamedInputFormatter::NamedInputFormatter;

private:
    void Declarations(HeaderText& text, std::string_view prefix) const override;
};

// `text` inside a string of the assembler inside a C++ string literal: every
// byte but letters, digits and a few safe marks as a three-digit octal
// escape of the assembler, its backslash doubled for C++.
std::string AssemblerStringInLiteral(std::string_view text);

}  // namespace core
