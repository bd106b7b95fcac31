#include "ui/app_icons.h"

#include <wx/icon.h>

#include "res/hexcrate_16.xpm"
#include "res/hexcrate_32.xpm"

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

wxIconBundle AppIcons() {
#ifdef __WXMSW__
    // The program's icon resource 128, with both of its images, where it has one.
    wxIconBundle fromResource;
    for (int size : {16, 32}) {
        wxIcon icon;
        HANDLE image = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON,
                                    size, size, LR_DEFAULTCOLOR);
        if (image && icon.CreateFromHICON(static_cast<HICON>(image))) fromResource.AddIcon(icon);
    }
    if (fromResource.GetIconCount() == 2) return fromResource;
#endif
    wxIconBundle icons;
    icons.AddIcon(wxIcon(hexcrate_16_xpm));
    icons.AddIcon(wxIcon(hexcrate_32_xpm));
    return icons;
}
