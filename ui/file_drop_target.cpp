#include "ui/file_drop_target.h"

#include <cctype>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent escapes to bytes; nothing for a broken escape or an escaped NUL,
// which no file name can hold.
std::optional<std::string> Unescape(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

// `prefix` in lower case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

std::optional<std::string> FirstLocalFile(std::string_view uriList) {
    // Lines end in CR LF; '#' starts a comment line.
    std::string_view uri;
    while (!uriList.empty()) {
        const std::size_t end = uriList.find('\n');
        std::string_view line = uriList.substr(0, end);
        uriList.remove_prefix(end == std::string_view::npos ? uriList.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        uri = line;
        break;
    }

    if (!StartsWithNoCase(uri, "file:")) return std::nullopt;
    uri.remove_prefix(5);
    if (uri.substr(0, 2) == "//") {
        // file://host/path: only this machine's files, named without a host
        // or as localhost.
        uri.remove_prefix(2);
        const std::size_t slash = uri.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        const std::string_view host = uri.substr(0, slash);
        const bool local =
            host.empty() || (host.size() == 9 && StartsWithNoCase(host, "localhost"));
        if (!local) return std::nullopt;
        uri.remove_prefix(slash);
    }
    if (uri.empty() || uri.front() != '/') return std::nullopt;
    if (uri.find_first_of("?#") != std::string_view::npos) return std::nullopt;
    return Unescape(uri);
}

CFileDropTarget::CFileDropTarget(std::function<bool()> accepting,
                                 std::function<void(const std::string& path)> open)
    : m_uriList(new wxCustomDataObject(wxDataFormat("text/uri-list"))),
      m_accepting(std::move(accepting)),
      m_open(std::move(open)) {
    SetDataObject(m_uriList);
}

// The file is only read, so whatever the source proposes, this is a copy.
wxDragResult CFileDropTarget::OnDragOver(wxCoord, wxCoord, wxDragResult) {
    return m_accepting() ? wxDragCopy : wxDragNone;
}

wxDragResult CFileDropTarget::OnData(wxCoord, wxCoord, wxDragResult) {
    if (!GetData()) return wxDragNone;
    return DropUriList(
        std::string_view(static_cast<const char*>(m_uriList->GetData()), m_uriList->GetSize()));
}

wxDragResult CFileDropTarget::DropUriList(std::string_view uriList) {
    if (!m_accepting()) return wxDragNone;
    const std::optional<std::string> path = FirstLocalFile(uriList);
    if (!path) return wxDragNone;
    m_open(*path);
    return wxDragCopy;
}
