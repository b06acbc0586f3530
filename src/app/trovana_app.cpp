#include "app/trovana_app.h"

#include <wx/dialog.h>
#include <wx/msgdlg.h>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "app/resource.h"
#include "app/screenshot.h"
#include "listview/cache_list_view.h"
#include "listview/site_tree_ctrl.h"
#include "listview/web_view.h"

namespace trovana::app {

namespace {
const wxSize kWindowSize{800, 600};

// The cache of the current user; an empty one, after saying why, when the
// environment names a folder that cannot be read.
urlcache::CacheLocation CurrentUserCache()
{
    try {
        return urlcache::LocateCurrentUserCache();
    } catch (const urlcache::UrlCacheError& error) {
        wxMessageBox(wxString::FromUTF8(error.what()), APP_TITLE, wxOK | wxICON_EXCLAMATION);
        return urlcache::CacheLocation{};
    }
}
}  // namespace

void ShowMainWindow(wxFrame& frame)
{
    frame.SetSize(kWindowSize);
    frame.Centre(wxBOTH);
    frame.Show();
    frame.Update();
    // The tree starts at its top, "All" in view, whatever the selection and
    // the sorting scrolled it to while the window was hidden.
    if (auto* main = dynamic_cast<CMainFrame*>(&frame); main != nullptr && main->m_pTreeView != nullptr) {
        wxTreeItemIdValue cookie;
        const wxTreeItemId all = main->m_pTreeView->GetFirstChild(main->m_pTreeView->GetTopLevel(), cookie);
        if (all.IsOk())
            main->m_pTreeView->ScrollTo(all);
        // The summary is fitted to the status field now that it has its width.
        if (listview::CCacheListView* view = main->GetListView(); view != nullptr && view->m_bInitialized)
            view->UpdateStatusSummary();
    }
}

int CTrovanaApp::FilterEvent(wxEvent& event)
{
    if (event.GetEventType() == wxEVT_SHOW && !static_cast<wxShowEvent&>(event).IsShown() &&
        dynamic_cast<wxDialog*>(event.GetEventObject()) != nullptr) {
        CallAfter([this] {
            auto* frame = dynamic_cast<CMainFrame*>(GetTopWindow());
            listview::CCacheListView* view = frame != nullptr ? frame->GetListView() : nullptr;
            if (view != nullptr && view->m_pWebView != nullptr)
                view->m_pWebView->Refresh();
        });
    }
    return wxApp::FilterEvent(event);
}

bool CTrovanaApp::OnInit()
{
    SetAppDisplayName(APP_TITLE);
    // The first scan runs on a thread of its own while the frame's window is
    // made (GTK's and WebKit's start take about as long); the window stays
    // hidden until both are done, only the wait window shows meanwhile.
    urlcache::CacheLocation location = CurrentUserCache();
    auto scan = std::make_unique<catalogue::ScanAhead>(
        location, TimesInUtcChosen() ? catalogue::ShownTimes::Utc : catalogue::ShownTimes::Local);
    auto* frame = new CMainFrame();
    SetTopWindow(frame);
    if (!frame->LoadFrame(std::move(location), std::move(scan))) {
        frame->Destroy();
        return false;
    }
    Bind(wxEVT_MENU, [](wxCommandEvent&) { ShowAboutBox(); }, ID_APP_ABOUT);
    ShowMainWindow(*frame);
    CallAfter([frame] { frame->GetListView()->ReportCacheProblems(); });
    ScheduleScreenshotFromEnvironment(*frame, *frame->GetListView());
    return true;
}

}  // namespace trovana::app
