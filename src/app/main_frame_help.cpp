// The main window's Help menu and the closing animation of File > Exit.
#include <wx/dcclient.h>
#include <wx/region.h>
#include <wx/utils.h>

#include "app/closing_animation.h"
#include "app/help_window.h"
#include "app/main_frame.h"
#include "app/resource.h"

namespace trovana::app {

void CMainFrame::OnHelpContents()
{
    GetHelpViewer().ShowTopic(ProgramHelpFile(), HELP_TOPIC);
}

void CMainFrame::OnCheckUpdate()
{
    // A failure to start the browser is not reported.
    wxLaunchDefaultBrowser(PRODUCT_URL);
}

void CMainFrame::OnAppExit()
{
    PlayClosingAnimation();
    Close(true);
}

void CMainFrame::PlayClosingAnimation()
{
    const wxSize size = GetSize();
    // The window takes a region only with this style; set now, as it
    // changes nothing else.
    SetWindowStyleFlag(GetWindowStyleFlag() | wxFRAME_SHAPED);
    for (const ClosingStep& step : ClosingAnimationSteps(size.x, size.y)) {
        wxPoint region[4];
        for (size_t i = 0; i < step.region.size(); ++i)
            region[i] = wxPoint(step.region[i].x, step.region[i].y);
        SetShape(wxRegion(4, region, wxODDEVEN_RULE));
        {
            wxClientDC dc(this);
            dc.SetDeviceOrigin(-GetClientAreaOrigin().x, -GetClientAreaOrigin().y);
            dc.SetPen(*wxBLACK_PEN);
            for (size_t i = 0; i + 1 < step.outline.size(); ++i)
                dc.DrawLine(step.outline[i].x, step.outline[i].y, step.outline[i + 1].x, step.outline[i + 1].y);
        }
        Update();
        m_closingPause(step.pauseMs);
    }
}

}  // namespace trovana::app
