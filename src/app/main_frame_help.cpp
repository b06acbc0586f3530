// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Help menu and the closing animation of File > Exit.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/dcclient.h>
#include <wx/log.h>
#include <wx/region.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "app/closing_animation.h"
#include "app/main_frame.h"
#include "app/resource.h"

// After the wx and GTK headers: Xlib defines names that they use.
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace trovana::app {

namespace {
// Cuts the top-level window to the step's region. GDK keeps a top-level
// window's shape to itself (it only clips its own drawing), so under X the
// shape is given to the server directly.
void ShapeWindow(wxFrame& frame, const ClosingStep& step)
{
    GdkWindow* window = gtk_widget_get_window(frame.GetHandle());
    if (window == nullptr)
        return;
    if (!GDK_IS_X11_WINDOW(window)) {
        wxPoint points[4];
        for (size_t i = 0; i < step.region.size(); ++i)
            points[i] = wxPoint(step.region[i].x, step.region[i].y);
        frame.SetWindowStyleFlag(frame.GetWindowStyleFlag() | wxFRAME_SHAPED);
        frame.SetShape(wxRegion(4, points, wxODDEVEN_RULE));
        return;
    }
    XPoint points[4];
    for (size_t i = 0; i < step.region.size(); ++i)
        points[i] = {static_cast<short>(step.region[i].x), static_cast<short>(step.region[i].y)};
    Region region = XPolygonRegion(points, 4, EvenOddRule);
    XShapeCombineRegion(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), ShapeBounding, 0, 0, region, ShapeSet);
    XDestroyRegion(region);
}

// Waits until the X server has carried out every request sent so far.
void SyncWithServer(wxFrame& frame)
{
    if (GdkWindow* window = gtk_widget_get_window(frame.GetHandle()))
        gdk_display_sync(gdk_window_get_display(window));
}
}  // namespace

void CMainFrame::OnHelpContents()
{
    m_helpViewer.ShowTopic(ProgramHelpFile(), HELP_TOPIC);
}

void CMainFrame::OnCheckUpdate()
{
    bool started = false;
    {
        // wx's own report of the failure names a stale system error.
        wxLogNull quiet;
        started = wxLaunchDefaultBrowser(PRODUCT_URL);
    }
    if (!started)
        UserPrompts().MessageBox(
            this, wxString::Format(_("No web browser could be started for the address %s."), PRODUCT_URL), wxString(),
            wxOK | wxICON_EXCLAMATION);
}

void CMainFrame::OnAppExit()
{
    PlayClosingAnimation();
    Close(true);
}

void CMainFrame::PlayClosingAnimation()
{
    const wxSize size = GetSize();
    // The outline is drawn in window coordinates on the client area.
    const wxPoint client = ClientToScreen(wxPoint(0, 0)) - GetScreenPosition();
    for (const ClosingStep& step : ClosingAnimationSteps(size.x, size.y)) {
        ShapeWindow(*this, step);
        {
            wxClientDC dc(this);
            dc.SetDeviceOrigin(-client.x, -client.y);
            dc.SetPen(*wxBLACK_PEN);
            for (size_t i = 0; i + 1 < step.outline.size(); ++i)
                dc.DrawLine(step.outline[i].x, step.outline[i].y, step.outline[i + 1].x, step.outline[i + 1].y);
        }
        // Nothing is drawn while the pause blocks the program, so the
        // step must be on the screen before it.
        Update();
        SyncWithServer(*this);
        m_closingPause(step.pauseMs);
    }
}
}  // namespace trovana::app
