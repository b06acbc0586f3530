#include "app/trovana_app.h"

#include <wx/cmdline.h>
#include <wx/dialog.h>
#include <wx/translation.h>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "app/named_cache.h"
#include "app/resource.h"
#include "app/screenshot.h"
#include "app/translations.h"
#include "listview/toolkit_start.h"
#include "listview/cache_list_view.h"
#include "listview/site_tree_ctrl.h"
#include "listview/web_view.h"
#include "work_folder.h"

namespace trovana::app {

namespace {
const wxSize kWindowSize{800, 600};
constexpr const char* kReadOnlySwitch = "read-only";
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
        if (listview::CCacheListView* view = main->GetListView(); view != nullptr && view->IsInitialized())
            view->UpdateStatusSummary();
    }
}

bool CTrovanaApp::Initialize(int& argc, wxChar** argv)
{
    const listview::ToolkitStartWithoutGl noGl;
    // The preview's website data lives and dies with this process.
    std::error_code error;
    if (const std::filesystem::path folder = PrivateTemporaryFolder(error); !folder.empty())
        listview::KeepToolkitDataIn(folder);
    return wxApp::Initialize(argc, argv);
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

void CTrovanaApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    wxApp::OnInitCmdLine(parser);
    parser.AddLongSwitch(kReadOnlySwitch, _("open the cache without changing anything in it"));
    parser.AddParam(_("a Wine prefix, a user profile folder, a drive root or a container file"), wxCMD_LINE_VAL_STRING,
                    wxCMD_LINE_PARAM_OPTIONAL);
}

bool CTrovanaApp::OnCmdLineParsed(wxCmdLineParser& parser)
{
    if (!wxApp::OnCmdLineParsed(parser))
        return false;
    m_bReadOnly = parser.FoundSwitch(kReadOnlySwitch) == wxCMD_SWITCH_ON;
    if (parser.GetParamCount() > 0)
        m_strCachePath = parser.GetParam(0);
    return true;
}

bool CTrovanaApp::OnInit()
{
    SetUpTranslations();
    SetAppDisplayName(APP_TITLE);
    if (!wxApp::OnInit())
        return false;
    // A path that holds no cache ends the program after saying so.
    std::optional<NamedCache> cache = m_strCachePath.empty() ? FindCurrentUserCache()
                                                             : FindNamedCache(nullptr, m_strCachePath.utf8_string());
    if (!cache)
        return false;
    DecideReadOnly(*cache, m_bReadOnly);
    // The first scan runs on a thread of its own while the frame's window is
    // made (GTK's and WebKit's start take about as long).
    auto scan = std::make_unique<catalogue::ScanAhead>(
        cache->location, TimesInUtcChosen() ? catalogue::ShownTimes::Utc : catalogue::ShownTimes::Local);
    auto* frame = new CMainFrame();
    SetTopWindow(frame);
    if (!frame->LoadFrame(std::move(cache->location), cache->name, std::move(scan))) {
        frame->Destroy();
        return false;
    }
    if (!cache->path.empty())
        frame->AddRecentCache(cache->path, cache->name, cache->readOnlyAsked);
    Bind(
        wxEVT_MENU, [](wxCommandEvent&) { ShowAboutBox(); }, ID_APP_ABOUT);
    ShowMainWindow(*frame);
    CallAfter([frame] { frame->GetListView()->ReportCacheProblems(); });
    ScheduleScreenshotFromEnvironment(*frame, *frame->GetListView());
    return true;
}

}  // namespace trovana::app
