// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trovana_app.h"

#include <string_view>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/cmdline.h>
#include <wx/dialog.h>
#include <wx/translation.h>

#include <csignal>
#include <exception>
#include <utility>
#include <vector>

#include "app/about_box.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/named_cache.h"
#include "app/resource.h"
#include "app/screenshot.h"
#include "app/settings_file.h"
#include "app/translations.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/screen_fit.h"
#include "listview/site_tree_ctrl.h"
#include "listview/toolkit_start.h"
#include "listview/web_view.h"
#include "listview/window_worker.h"
#include "work_folder.h"

namespace trovana::app {

namespace {
const wxSize kWindowSize{800, 600};

// What the user is told of the exception being handled: that the command
// failed, and the exception's own text (which names the file) when it has one.
wxString CurrentExceptionText()
{
    wxString text = _("The command could not be completed.");
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            text << "\n\n" << listview::ToDisplayText(error.what());
        } catch (...) {
        }
    }
    return text;
}

const wxSize kSmallestWindow{400, 300};
// How many times the windows' closing waits for modal dialogs to go.
constexpr int kClosingRounds = 100;

bool WindowManagerRuns()
{
    GdkScreen* screen = gdk_screen_get_default();
    return screen != nullptr && GDK_IS_X11_SCREEN(screen) &&
           std::string_view(gdk_x11_screen_get_window_manager_name(screen)) != "unknown";
}
}  // namespace

void ShowMainWindow(wxFrame& frame)
{
    // 800 x 600 where the screen allows it; on a smaller screen the work
    // area, centred on it, so that menus, bars and panes stay reachable.
    const wxRect area = listview::WorkAreaOf(&frame);
    // Never so small that the bars and panes have no room (GTK complains
    // of negative widths while a window manager adds its frame).
    frame.SetMinSize(kSmallestWindow);
    wxSize size = kWindowSize;
    size.DecTo(area.GetSize());
    frame.SetSize(wxRect(size).CentreIn(area));
    // Made before it is shown, the window is shown at once at its size: wx
    // would otherwise wait for a window manager's frame to be measured and
    // first lay the window out at next to no width, of which GTK complains.
    if (WindowManagerRuns())
        gtk_widget_realize(frame.GetHandle());
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

bool CTrovanaApp::OnExceptionInMainLoop()
{
    ReportCurrentException();
    return true;
}

void CTrovanaApp::OnUnhandledException()
{
    ReportCurrentException();
}

listview::Prompts& CTrovanaApp::UserPrompts()
{
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* frame = dynamic_cast<CMainFrame*>(window); frame != nullptr && !frame->IsBeingDeleted())
            return frame->UserPrompts();
    }
    return *m_wxPrompts;
}

void CTrovanaApp::ReportCurrentException()
{
    if (std::exchange(m_bReportingException, true))
        return;
    const wxString text = CurrentExceptionText();
    try {
        UserPrompts().MessageBox(GetTopWindow(), text, wxString(), wxOK | wxICON_ERROR);
    } catch (...) {
        // Nothing more can be shown; the first exception is the one reported.
    }
    m_bReportingException = false;
}

void CTrovanaApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    wxApp::OnInitCmdLine(parser);
    AddProgramOptions(parser);
}

bool CTrovanaApp::OnCmdLineError(wxCmdLineParser& parser)
{
    SetStartFailureStatus(kExitUsage);
    return wxApp::OnCmdLineError(parser);
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
    UseSettingsFile();
    SetAppDisplayName(APP_TITLE);
    if (!wxApp::OnInit())
        return false;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        SetSignalHandler(signal, &CTrovanaApp::EndBySignal);
    // A disk image opens its chooser once the window shows, over no cache.
    const std::filesystem::path path = m_strCachePath.utf8_string();
    const bool image = !path.empty() && IsDiskImage(path);
    // A path or a variable that names no cache ends the program after
    // saying so.
    std::optional<NamedCache> cache = image                   ? NamedCache{{}, LastPart(path), {}, true, true, {}}
                                      : m_strCachePath.empty() ? FindCurrentUserCache(UserPrompts())
                                                               : FindNamedCache(UserPrompts(), nullptr, path);
    if (!cache)
        return false;
    DecideReadOnly(*cache, m_bReadOnly);
    // The first scan runs on a thread of its own while the frame's window is
    // made (GTK's and WebKit's start take about as long).
    auto scan = std::make_unique<listview::CFirstScan>(
        cache->location, TimesInUtcChosen() ? catalogue::ShownTimes::Utc : catalogue::ShownTimes::Local);
    auto* frame = new CMainFrame();
    SetTopWindow(frame);
    if (!frame->LoadFrame(std::move(cache->location), cache->name, std::move(scan))) {
        frame->Destroy();
        return false;
    }
    if (!cache->path.empty())
        frame->AddRecentCache(cache->path, cache->name, cache->readOnlyAsked);
    if (!cache->absence.empty())
        frame->ShowNoCache(cache->absence);
    Bind(
        wxEVT_MENU, [](wxCommandEvent&) { ShowAboutBox(); }, ID_APP_ABOUT);
    ShowMainWindow(*frame);
    CallAfter([frame] { frame->GetListView()->ReportCacheProblems(); });
    if (image)
        CallAfter([frame, path] { frame->OpenImage(path); });
    ScheduleScreenshotFromEnvironment(*frame, *frame->GetListView());
    return true;
}

int CTrovanaApp::OnRun()
{
    const int status = wxApp::OnRun();
    return m_signalStatus != 0 ? m_signalStatus : status;
}

void CTrovanaApp::EndBySignal(int signal)
{
    auto* app = dynamic_cast<CTrovanaApp*>(wxTheApp);
    if (app == nullptr || app->m_signalStatus != 0)
        return;
    app->m_signalStatus = kExitBySignal + signal;
    app->CloseEverything();
}

void CTrovanaApp::CloseEverything()
{
    // GTK's own dialogs (messages, file choosers) and the program's modal
    // windows are cancelled first; the windows close once their loops
    // have returned.
    bool modal = false;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
        auto* window = static_cast<GtkWindow*>(item->data);
        if (GTK_IS_DIALOG(window) && gtk_window_get_modal(window) && gtk_widget_get_visible(GTK_WIDGET(window))) {
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
            modal = true;
        }
    }
    g_list_free(windows);
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog != nullptr && dialog->IsModal()) {
            dialog->EndModal(wxID_CANCEL);
            modal = true;
        }
    }
    // A dialog that does not go (one still being made) is left to the
    // windows' own ending after a while.
    if (modal && ++m_nClosingRounds < kClosingRounds) {
        CallAfter([this] { CloseEverything(); });
        return;
    }
    // Closing a window takes it out of the list.
    const std::vector<wxWindow*> open(wxTopLevelWindows.begin(), wxTopLevelWindows.end());
    for (wxWindow* window : open)
        window->Close(true);
    ExitMainLoop();
}

int CTrovanaApp::OnExit()
{
    // A worker told to stop ends within milliseconds; one stuck in a slow
    // read is not waited for long.
    listview::CWindowWorker::WaitForAll(std::chrono::seconds(2));
    return wxApp::OnExit();
}

}  // namespace trovana::app
