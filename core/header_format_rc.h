// The rc kind, for MSVC and MFC projects: the bytes go into the program as
// an RCDATA resource of a .rc file written beside the header, and the header
// keeps the names and the class of the fixed format. PREFIXfile points at
// the resource, found in the module (program or DLL) that holds the header's
// code; it is null, and ExtractFile returns false, when the resource is
// missing or its size is not PREFIXlength.
#pragma once

#include "core/header_format_common.h"

namespace core {

class RcFormatter final : public NamedInputFormatter {
public:
    // The header goes to `sink`, the .rc file to `script` once the bytes
    // are counted.
    RcFormatter(Sink sink, Sink script, std::string inputPath)
        : NamedInputFormatter(std::move(sink), std::move(inputPath)), m_script(std::move(script)) {}

    bool Opening(std::string_view displayName, std::string_view prefix) override;
    bool Closing(std::string_view prefix, std::string_view className) override;

    // The .rc file's text, once the bytes are counted.
    std::string ResourceScript(std::string_view displayName, std::string_view prefix) const;

private:
    void Declarations(HeaderText& text, std::string_view prefix) const override;
    std::string Guard(std::string_view prefix) const override;

    Sink m_script;
    std::string m_displayName;
};

// The resource's name: HEXCRATE_, the prefix in upper case, FILE_ and the
// content's checksum, so that a header finds only the resource of the
// content it was written for: after a run stopped between replacing the two
// files, its array is null rather than someone else's bytes.
std::string ResourceName(std::string_view prefix, std::string_view checksum);

// `path` inside a string of a resource script, its control characters as
// visible escapes.
std::string ResourceCompilerString(std::string_view path);

}  // namespace core
