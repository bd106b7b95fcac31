#include "core/data_formatter.h"

#include "core/header_format.h"
#include "core/header_format_incbin.h"
#include "core/header_format_rc.h"
#include "core/header_format_string.h"

namespace core {

std::unique_ptr<DataFormatter> MakeDataFormatter(DataKind kind, DataFormatter::Sink sink,
                                                 const std::string& inputPath) {
    switch (kind) {
        case DataKind::String:
            return std::make_unique<StringFormatter>(std::move(sink));
        case DataKind::Incbin:
            return std::make_unique<IncbinFormatter>(std::move(sink), AbsolutePath(inputPath));
        case DataKind::Rc:
            return std::make_unique<RcFormatter>(std::move(sink), AbsolutePath(inputPath));
        case DataKind::Hex:
            break;
    }
    return std::make_unique<HeaderFormatter>(std::move(sink));
}

}  // namespace core
