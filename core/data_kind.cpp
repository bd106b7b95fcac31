#include "core/data_kind.h"

#include <array>

#include "core/header_format.h"
#include "core/header_format_incbin.h"
#include "core/header_format_rc.h"
#include "core/header_format_source.h"
#include "core/header_format_string.h"

namespace core {
namespace {

std::unique_ptr<DataFormatter> MakeHex(FormatterSetup setup) {
    return std::make_unique<HeaderFormatter>(std::move(setup.header));
}

std::unique_ptr<DataFormatter> MakeString(FormatterSetup setup) {
    return std::make_unique<StringFormatter>(std::move(setup.header));
}

std::unique_ptr<DataFormatter> MakeIncbin(FormatterSetup setup) {
    return std::make_unique<IncbinFormatter>(std::move(setup.header), std::move(setup.inputPath));
}

std::unique_ptr<DataFormatter> MakeRc(FormatterSetup setup) {
    return std::make_unique<RcFormatter>(std::move(setup.header), std::move(setup.companion),
                                         std::move(setup.inputPath));
}

std::unique_ptr<DataFormatter> MakeSource(FormatterSetup setup) {
    return std::make_unique<SourceFormatter>(std::move(setup.header), std::move(setup.companion),
                                             setup.expectedLength, std::move(setup.companionName));
}

const std::array kKinds{
    DataKindInfo{DataKind::Hex, "hex", "an array of hex literals (the default)", "", true, MakeHex},
    DataKindInfo{DataKind::String, "string",
                 "string literals, fast to compile for g++ and\nclang++ (not MSVC)", "", false,
                 MakeString},
    DataKindInfo{DataKind::Incbin, "incbin",
                 "the assembler reads INPUT itself (g++, clang++,\nmingw)", "", false, MakeIncbin},
    DataKindInfo{DataKind::Rc, "rc",
                 "a resource in OUTPUT's name with '.rc', for Windows\ncompilers", ".rc", false,
                 MakeRc},
    DataKindInfo{DataKind::Source, "source",
                 "a C file in OUTPUT's name with '.c', for gcc,\nclang and mingw", ".c", false,
                 MakeSource},
};

}  // namespace

std::span<const DataKindInfo> DataKinds() { return kKinds; }

const DataKindInfo& InfoOf(DataKind kind) {
    for (const DataKindInfo& info : kKinds)
        if (info.kind == kind) return info;
    return kKinds.front();
}

const DataKindInfo* FindDataKind(std::string_view name) {
    for (const DataKindInfo& info : kKinds)
        if (info.name == name) return &info;
    return nullptr;
}

std::string DataKindNames() {
    std::string names;
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (i > 0) names += i + 1 == kKinds.size() ? " or " : ", ";
        names += kKinds[i].name;
    }
    return names;
}

std::string CompanionPath(const std::string& headerPath, std::string_view extension) {
    const std::size_t nameStart = headerPath.find_last_of("/\\") + 1;  // 0 when none
    const std::size_t dot = headerPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? headerPath.substr(0, dot) : headerPath) + std::string(extension);
}

}  // namespace core
