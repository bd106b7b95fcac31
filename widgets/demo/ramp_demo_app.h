// The ramp-demo application: a window to try the control, or with
// --snapshot a renderer of one face into a PNG file.
#pragma once

#include "widgets/demo/snapshot_options.h"

#include <wx/app.h>

class CRampDemoApp : public wxApp {
public:
    bool OnInit() override;
    int OnRun() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

private:
    SnapshotOptions m_snapshot;
    int m_exitCode = 0;
};
