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
    using NamedInputFormatter::NamedInputFormatter;

    // The .rc file's text, once Closing has run.
    std::string ResourceScript(std::string_view displayName, std::string_view prefix) const;

private:
    void Declarations(HeaderText& text, std::string_view prefix) const override;
    std::string Guard(std::string_view prefix) const override;
};

// The resource's name: HEXCRATE_, the prefix in upper case, and FILE.
std::string ResourceName(std::string_view prefix);

// The .rc beside `headerPath`: its name with the last extension replaced.
std::string ResourceScriptPath(const std::string& headerPath);

}  // namespace core
