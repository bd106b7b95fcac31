#include "widgets/demo/snapshot_renderer.h"

#include "widgets/color_ramp_progress_ctrl.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/log.h>

namespace {

bool PaintAndSave(wxFrame& frame, const SnapshotOptions& options, wxString& error) {
    auto* ctrl = new CColorRampProgressCtrl(&frame, wxID_ANY);
    ctrl->SetClientSize(options.size);
    if (ctrl->GetClientSize() != options.size) {
        error = wxString::Format("A face of %dx%d pixels cannot be made.", options.size.x,
                                 options.size.y);
        return false;
    }
    if (!ctrl->SetRange(options.rangeLow, options.rangeHigh)) {
        error = wxString::Format(
            "The range %d,%d is not usable: the upper bound must be above "
            "zero and above the lower bound.",
            options.rangeLow, options.rangeHigh);
        return false;
    }
    ctrl->SetPos(options.position);
    ctrl->SetRampColours(options.from, options.to);
    ctrl->SetRampBackgroundColour(options.background);
    ctrl->SetPercentageColour(options.text);
    ctrl->SetDrawPercentage(options.drawPercentage);

    wxBitmap bitmap(options.size);
    {
        wxMemoryDC dc(bitmap);
        ctrl->PaintFace(dc);
    }

    wxLogNull noLogWindow;
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    if (!bitmap.ConvertToImage().SaveFile(options.file, wxBITMAP_TYPE_PNG)) {
        error = wxString::Format("The snapshot could not be written to \"%s\".", options.file);
        return false;
    }
    return true;
}

}  // namespace

bool RenderSnapshot(const SnapshotOptions& options, wxString& error) {
    // A top-level parent that is never shown: the control needs a real
    // window to take its font and size from.
    auto* frame = new wxFrame(nullptr, wxID_ANY, "ramp-demo");
    const bool ok = PaintAndSave(*frame, options, error);
    frame->Destroy();
    return ok;
}
