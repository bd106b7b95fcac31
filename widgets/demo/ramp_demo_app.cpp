#include "widgets/demo/ramp_demo_app.h"

#include "widgets/demo/ramp_demo_frame.h"
#include "widgets/demo/snapshot_renderer.h"

#include <wx/cmdline.h>
#include <wx/crt.h>

#include <cstdio>

wxIMPLEMENT_APP(CRampDemoApp);

namespace {

const wxCmdLineEntryDesc kOptions[] = {
    {wxCMD_LINE_OPTION, nullptr, "snapshot", "render one face into this PNG file and exit",
     wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "size", "face size WxH (300x20)", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "range", "range LO,HI (0,100)", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "pos", "position (50)", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "from", "start colour RRGGBB (000000)", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "to", "end colour RRGGBB (FF0000)", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "background", "background colour RRGGBB (FFFFFF)",
     wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "text", "text colour RRGGBB (000000)", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_SWITCH, nullptr, "percent", "draw the percentage", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_NONE, nullptr, nullptr, nullptr, wxCMD_LINE_VAL_NONE, 0}};

// Reads one option through `parse`; an absent option keeps the default.
template <typename Parse>
bool ReadOption(wxCmdLineParser& parser, const char* name, Parse parse, const char* expected) {
    wxString value;
    if (!parser.Found(name, &value) || parse(value)) return true;
    wxFprintf(stderr, "ramp-demo: --%s \"%s\" is not %s.\n", name, value, expected);
    return false;
}

}  // namespace

void CRampDemoApp::OnInitCmdLine(wxCmdLineParser& parser) {
    wxApp::OnInitCmdLine(parser);
    parser.SetDesc(kOptions);
}

bool CRampDemoApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    SnapshotOptions& o = m_snapshot;
    parser.Found("snapshot", &o.file);
    o.drawPercentage = parser.Found("percent");
    return ReadOption(
               parser, "size", [&](const wxString& v) { return ParseFaceSize(v, o.size); },
               "a size like 300x20") &&
           ReadOption(
               parser, "range",
               [&](const wxString& v) { return ParseRange(v, o.rangeLow, o.rangeHigh); },
               "a range like 0,100") &&
           ReadOption(
               parser, "pos", [&](const wxString& v) { return ParseInt(v, o.position); },
               "a whole number") &&
           ReadOption(
               parser, "from", [&](const wxString& v) { return ParseHexColour(v, o.from); },
               "a colour like FF8000") &&
           ReadOption(
               parser, "to", [&](const wxString& v) { return ParseHexColour(v, o.to); },
               "a colour like FF8000") &&
           ReadOption(
               parser, "background",
               [&](const wxString& v) { return ParseHexColour(v, o.background); },
               "a colour like FF8000") &&
           ReadOption(
               parser, "text", [&](const wxString& v) { return ParseHexColour(v, o.text); },
               "a colour like FF8000") &&
           wxApp::OnCmdLineParsed(parser);
}

bool CRampDemoApp::OnInit() {
    if (!wxApp::OnInit()) return false;

    if (!m_snapshot.file.empty()) {
        wxString error;
        if (!RenderSnapshot(m_snapshot, error)) {
            wxFprintf(stderr, "ramp-demo: %s\n", error);
            m_exitCode = 1;
        }
        return true;
    }

    auto* frame = new CRampDemoFrame();
    frame->Show();
    return true;
}

int CRampDemoApp::OnRun() {
    // A snapshot is finished once OnInit returns; no window waits for input.
    if (!m_snapshot.file.empty()) return m_exitCode;
    return wxApp::OnRun();
}
