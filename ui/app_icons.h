// The program icon, at every size it is drawn in.
#pragma once

#include <wx/iconbndl.h>

wxIconBundle AppIcons();
