// File names are bytes that need not be UTF-8. The window shows them as text
// and keeps the bytes, so that a file whose name is not UTF-8 is converted,
// and named in its header, exactly as the file system spells it.
#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

// The bytes as text: valid UTF-8 as it is, every other byte as U+FFFD.
wxString ShowBytes(std::string_view bytes);

// A field's text together with the bytes it was made from.
class ByteText {
public:
    void Assign(std::string bytes);
    const wxString& Shown() const { return m_shown; }

    // What `text` stands for: the kept bytes while it is still the text shown
    // for them, its own UTF-8 once the user has changed it.
    std::string BytesOf(const wxString& text) const;

private:
    wxString m_shown;
    std::string m_bytes;
};
