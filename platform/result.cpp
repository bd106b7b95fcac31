#include "platform/result.h"

#include <string>

namespace platform {
namespace {

class Category : public std::error_category {
public:
    const char* name() const noexcept override { return "hexcrate"; }
    std::string message(int code) const override {
        switch (static_cast<Errc>(code)) {
            case Errc::NotRegularFile:
                return "not a regular file";
            case Errc::WriteFailed:
                return "write error";
        }
        return "unknown error";
    }
};

}  // namespace

const std::error_category& PlatformCategory() {
    static const Category category;
    return category;
}

}  // namespace platform
