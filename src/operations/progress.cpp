#include "operations/progress.h"

#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

namespace trovana::operations {

namespace {

// The progress control lives in the status bar of the main window.
wxGauge* FindProgress(wxWindow* window)
{
    auto* frame = wxDynamicCast(wxGetTopLevelParent(window), wxFrame);
    wxStatusBar* bar = frame != nullptr ? frame->GetStatusBar() : nullptr;
    if (bar == nullptr)
        return nullptr;
    for (wxWindow* child : bar->GetChildren())
        if (auto* gauge = wxDynamicCast(child, wxGauge))
            return gauge;
    return nullptr;
}

}  // namespace

RowProgress::RowProgress(wxWindow* window)
{
    wxBeginBusyCursor();
    if (wxGauge* gauge = FindProgress(window))
        m_sink = [gauge](int percent) { gauge->SetValue(percent); };
}

RowProgress::~RowProgress()
{
    wxEndBusyCursor();
}

}  // namespace trovana::operations
