#include "ui/app_icons.h"

#include <wx/icon.h>

#include "res/hexcrate_16.xpm"
#include "res/hexcrate_32.xpm"

wxIconBundle AppIcons() {
    wxIconBundle icons;
    icons.AddIcon(wxIcon(hexcrate_16_xpm));
    icons.AddIcon(wxIcon(hexcrate_32_xpm));
    return icons;
}
