#include "ui/toolkit.h"

#include <algorithm>
#include <string>

#include <gtk/gtk.h>
#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/menu.h>

#include "res/strings.h"

namespace toolkit {

std::string ChosenFile(const wxFileDialog& chooser) {
    // wxWidgets hands the path over as text; a name that is not UTF-8 then
    // comes back as other bytes than the file's.
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.GetHandle()));
    std::string bytes = name ? name : "";
    g_free(name);
    return bytes;
}

void FillHeight(wxGauge* bar) {
    // The theme draws the trough and the filled part at their minimum
    // heights; raise both to the bar's own height less their 1-pixel borders.
    const int height = bar->GetSize().y;
    const std::string css =
        "progressbar { margin: 0; padding: 0; }"
        "progressbar trough { margin: 0; padding: 0; border-width: 1px; min-height: " +
        std::to_string(std::max(height - 2, 0)) +
        "px; }"
        "progressbar progress { margin: 0; border-width: 1px; min-height: " +
        std::to_string(std::max(height - 4, 0)) + "px; }";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(bar->GetHandle()),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

// GTK's theme font, as every other GTK program uses.
void UseDialogFont(wxWindow*) {}

void SelectFirstItemOnOpen(wxMenu* menu) {
    menu->Bind(wxEVT_MENU_OPEN, [menu](wxMenuEvent& event) {
        gtk_menu_shell_select_first(GTK_MENU_SHELL(menu->m_menu), TRUE);
        event.Skip();
    });
}

wxString ProgramTitle() { return res::kAppTitle; }

}  // namespace toolkit
