// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/screenshot.h"

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/timer.h>
#include <wx/weakref.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "listview/cache_list_view.h"
#include "listview/tab_strip.h"

namespace trovana::app {

namespace {
// Time for the panes, the preview included, to draw themselves first.
constexpr int kSettleMs = 3000;
}  // namespace

bool SaveWindowScreenshot(const wxTopLevelWindow& window, const wxString& path)
{
    // What is on the screen, read from the root window, so that the picture
    // shows every child window as drawn (the browser pane included).
    const wxRect rect = window.GetScreenRect();
    GdkWindow* root = gdk_get_default_root_window();
    if (root == nullptr || rect.IsEmpty())
        return false;
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(root, rect.x, rect.y, rect.width, rect.height);
    if (pixbuf == nullptr)
        return false;
    const bool saved = gdk_pixbuf_save(pixbuf, path.utf8_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(pixbuf);
    return saved;
}

void ScheduleScreenshotFromEnvironment(wxTopLevelWindow& window, listview::CCacheListView& view)
{
    wxString path;
    if (!wxGetEnv("TROVANA_SCREENSHOT", &path) || path.empty())
        return;
    wxString tabText;
    long tab = 0;
    if (wxGetEnv("TROVANA_SCREENSHOT_TAB", &tabText) && tabText.ToLong(&tab) && tab >= 0 &&
        tab < view.GetTabStrip()->GetItemCount()) {
        view.GetTabStrip()->SetCurSel(static_cast<int>(tab));
        view.ShowCategory();
        view.UpdateStatusSummary();
    }
    auto* timer = new wxTimer();
    wxWeakRef<wxTopLevelWindow> target(&window);
    timer->Bind(wxEVT_TIMER, [target, path, timer](wxTimerEvent&) {
        if (target)
            SaveWindowScreenshot(*target, path);
        wxTheApp->CallAfter([timer] { delete timer; });
    });
    timer->StartOnce(kSettleMs);
}

}  // namespace trovana::app
