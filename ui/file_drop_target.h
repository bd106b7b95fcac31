// Files dropped from a file manager: a text/uri-list of file:// URIs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <wx/dnd.h>

// The local file that the first entry of a text/uri-list names, decoded to
// the file system's bytes; nothing if that entry is not a local file.
std::optional<std::string> FirstLocalFile(std::string_view uriList);

// Hands the first dropped file to `open` while `accepting` holds; anything
// else (text, remote URIs, a drop while busy) is refused and changes nothing.
class CFileDropTarget : public wxDropTarget {
public:
    CFileDropTarget(std::function<bool()> accepting,
                    std::function<void(const std::string& path)> open);

    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult proposed) override;
    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult proposed) override;

    // What dropping this text/uri-list does, once its bytes have arrived.
    wxDragResult DropUriList(std::string_view uriList);

private:
    wxCustomDataObject* m_uriList;  // owned by the base class
    std::function<bool()> m_accepting;
    std::function<void(const std::string&)> m_open;
};
