#include "ui/app_icons.h"

#include <wx/icon.h>

#include "res/hexcrate_16.xpm"
#include "res/hexcrate_32.xpm"

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

wxIconBundle AppIcons() {
#ifdef __WXMSW__
    // The program's icon resource 128, both of its images, where it has one.
    if (::FindResource(nullptr, MAKEINTRESOURCE(128), RT_GROUP_ICON))
        return wxIconBundle(wxS("#128"), nullptr);
#endif
    wxIconBundle icons;
    icons.AddIcon(wxIcon(hexcrate_16_xpm));
    icons.AddIcon(wxIcon(hexcrate_32_xpm));
    return icons;
}
