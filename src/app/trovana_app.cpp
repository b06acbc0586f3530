#include "app/trovana_app.h"

#include <wx/msgdlg.h>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "app/resource.h"
#include "app/screenshot.h"
#include "listview/cache_list_view.h"

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
}

bool CTrovanaApp::OnInit()
{
    SetAppDisplayName(APP_TITLE);
    // The frame's window is made and the first scan runs while it is hidden;
    // only the wait window shows meanwhile.
    auto* frame = new CMainFrame();
    SetTopWindow(frame);
    if (!frame->LoadFrame(CurrentUserCache())) {
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
