// For the end-to-end run: a small window named "drag source" that, when
// pressed, drags the files named on its command line as a text/uri-list of
// file:// URIs, as a file manager does. Prints the drag's result.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include <wx/app.h>
#include <wx/dnd.h>
#include <wx/frame.h>
#include <wx/panel.h>

namespace {

std::string g_uriList;

std::string FileUri(const char* path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char* p = path; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

class DragSourceApp : public wxApp {
public:
    bool OnInit() override {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "drag source", wxPoint(0, 0), wxSize(120, 80));
        auto* panel = new wxPanel(frame);
        panel->Bind(wxEVT_LEFT_DOWN, [panel](wxMouseEvent&) {
            wxCustomDataObject uris(wxDataFormat("text/uri-list"));
            uris.SetData(g_uriList.size(), g_uriList.data());
            wxDropSource source(uris, panel);
            std::printf("drag result %d\n", static_cast<int>(source.DoDragDrop(wxDrag_CopyOnly)));
            std::fflush(stdout);
        });
        frame->Show();
        return true;
    }
};

}  // namespace

// The paths' own bytes, before the toolkit turns the arguments into text.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) g_uriList += FileUri(argv[i]) + "\r\n";
    wxApp::SetInstance(new DragSourceApp);
    return wxEntry(argc, argv);
}
