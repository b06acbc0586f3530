// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window is blocked by what the user does on a large cache: a
// click on the Documents tab, on the Images tab, a click on the Url heading
// of the Images list and of the All list, a search (the Search dialog
// answered OK with a keyword), and the first answer after Delete All (the
// question answered Yes). Each action is sent as the event the click or the menu
// sends; then the time until the event loop runs what was posted right
// after it is the time the window could not answer. The Images tab's
// gallery and the end of Delete All are timed too (until they are shown or
// done, the window answering meanwhile). Delete All runs on a copy of the
// cache and is stopped after its first answer; so are Copy of every row's
// file and Export of every row. Prints each run and the medians. Run under
// an X server.
// Usage: window_probe CACHE_PREFIX [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/modalhook.h>

#include "app/main_frame.h"
#include "app/resource.h"
#include "app/trovana_app.h"
#include "bench_window.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/tab_strip.h"
#include "urlcache.h"

namespace {

using Clock = std::chrono::steady_clock;
using trovana::listview::CCacheListView;

using trovana::bench::HandleEvents;
using trovana::bench::YesPrompts;

template <class Done>
double WaitFor(Clock::time_point start, Done done)
{
    while (!done()) {
        HandleEvents();
        wxMilliSleep(1);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the action as its event would, and answers how long, in ms, until
// the event loop ran what was posted just after it.
template <class Action>
double Blocked(Action action)
{
    HandleEvents();
    bool answered = false;
    const Clock::time_point start = Clock::now();
    action();
    wxTheApp->CallAfter([&answered] { answered = true; });
    return WaitFor(start, [&] { return answered; });
}

// Every modal dialog (the Search dialog) answered OK at once, with what it
// was given.
class OkDialogs final : public wxModalDialogHook {
public:
    OkDialogs() { Register(); }
    ~OkDialogs() override { Unregister(); }
    OkDialogs(const OkDialogs&) = delete;
    OkDialogs& operator=(const OkDialogs&) = delete;

protected:
    int Enter(wxDialog*) override { return wxID_OK; }
    void Exit(wxDialog*) override {}
};

class Window {
public:
    Window(const trovana::urlcache::CacheLocation& location, YesPrompts& prompts) : m_frame(new trovana::app::CMainFrame())
    {
        m_frame->UsePrompts(&prompts);
        if (!m_frame->LoadFrame(location))
            throw std::runtime_error("the window could not be made");
        trovana::app::ShowMainWindow(*m_frame);
        HandleEvents();
    }
    ~Window()
    {
        m_frame->Destroy();
        HandleEvents();
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    trovana::app::CMainFrame& Frame() { return *m_frame; }
    CCacheListView& View() { return *m_frame->GetListView(); }
    // A click on a tab: the strip selects it and sends its notification.
    void ClickTab(int tab)
    {
        View().GetTabStrip()->SetCurSel(tab);
        wxCommandEvent event(trovana::listview::EVT_TAB_SELCHANGE, View().GetTabStrip()->GetId());
        event.SetEventObject(View().GetTabStrip());
        View().GetTabStrip()->ProcessWindowEvent(event);
    }
    void ClickHeading(int column)
    {
        trovana::listview::CCacheList& list = *View().GetActiveList();
        wxListEvent event(wxEVT_LIST_COL_CLICK, list.GetId());
        event.SetEventObject(&list);
        event.m_col = column;
        list.ProcessWindowEvent(event);
    }
    void Menu(int command)
    {
        wxCommandEvent event(wxEVT_MENU, command);
        m_frame->ProcessWindowEvent(event);
    }

private:
    trovana::app::CMainFrame* m_frame;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The cache's user folders copied, for Delete All.
std::filesystem::path CopyPrefix(const std::filesystem::path& prefix, const std::filesystem::path& to)
{
    std::filesystem::remove_all(to);
    std::filesystem::create_directories(to / "drive_c");
    if (std::filesystem::exists(prefix / "drive_c" / "users"))
        std::filesystem::copy(prefix / "drive_c" / "users", to / "drive_c" / "users",
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_symlinks);
    return to;
}

void Probe(const std::string& side, const trovana::urlcache::CacheLocation& location, int runs,
           std::map<std::string, std::vector<double>>& times)
{
    YesPrompts prompts;
    Window window(location, prompts);
    CCacheListView& view = window.View();
    for (int run = 0; run < runs; ++run) {
        window.ClickTab(trovana::catalogue::kCategoryAll);
        HandleEvents();
        times[side + " documents tab"].push_back(Blocked([&] { window.ClickTab(trovana::catalogue::kCategoryDocuments); }));
        window.ClickTab(trovana::catalogue::kCategoryAll);
        HandleEvents();
        const Clock::time_point images = Clock::now();
        times[side + " images tab"].push_back(Blocked([&] { window.ClickTab(trovana::catalogue::kCategoryImages); }));
        times[side + " images gallery"].push_back(WaitFor(images, [&] {
            return view.GetCategoryList()->GetItemCount() == 0 || !view.IsGalleryWorking();
        }));
        times[side + " images sort"].push_back(Blocked([&] { window.ClickHeading(0); }));
        WaitFor(Clock::now(), [&] { return !view.IsGalleryWorking(); });
        window.ClickTab(trovana::catalogue::kCategoryAll);
        HandleEvents();
        times[side + " all sort"].push_back(Blocked([&] { window.ClickHeading(0); }));
        view.LastSearch().m_strKeywords = "sub7/";
        {
            const OkDialogs ok;
            times[side + " search"].push_back(Blocked([&] { window.Menu(trovana::app::ID_CACHE_SEARCH); }));
        }
    }
}

void ProbeDeleteAll(const std::string& side, const std::filesystem::path& prefix, int runs,
                    std::map<std::string, std::vector<double>>& times)
{
    const std::filesystem::path copy =
        std::filesystem::temp_directory_path() / ("trovana-probe-" + std::to_string(::getpid()));
    for (int run = 0; run < runs; ++run) {
        const auto location = trovana::urlcache::LocatePrefixCache(CopyPrefix(prefix, copy));
        YesPrompts prompts;
        Window window(location, prompts);
        CCacheListView& view = window.View();
        times[side + " delete all answer"].push_back(
            Blocked([&] { window.Menu(trovana::app::ID_CACHE_DELETE_ALL); }));
        view.CancelWork();
        WaitFor(Clock::now(), [&] { return !view.IsWorking(); });
    }
    std::filesystem::remove_all(copy);
}

// Copy of every row's file and Export of every row, each stopped after
// its first answer; the cache is not changed, so the files go to a folder
// of their own.
void ProbeCopyExport(const std::string& side, const trovana::urlcache::CacheLocation& location, int runs,
                     std::map<std::string, std::vector<double>>& times)
{
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("trovana-probe-out-" + std::to_string(::getpid()));
    YesPrompts prompts;
    prompts.folder = out;
    prompts.save = trovana::listview::SaveChoice{out / "rows.csv", 0};
    Window window(location, prompts);
    CCacheListView& view = window.View();
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        trovana::listview::CCacheList& all = *view.GetAllList();
        all.Rows().SelectAll(true);
        all.RowsChanged();
        times[side + " copy answer"].push_back(Blocked([&] { window.Menu(trovana::app::ID_CACHE_COPY); }));
        view.CancelWork();
        WaitFor(Clock::now(), [&] { return !view.IsWorking(); });
        times[side + " export answer"].push_back(Blocked([&] { window.Menu(trovana::app::ID_FILE_EXPORT); }));
        view.CancelWork();
        WaitFor(Clock::now(), [&] { return !view.IsWorking(); });
    }
    std::filesystem::remove_all(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_probe CACHE_PREFIX [RUNS]\n");
        return 2;
    }
    const std::filesystem::path prefix = argv[1];
    const int runs = argc > 2 ? std::stoi(argv[2]) : 3;
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv))
        return 1;
    std::map<std::string, std::vector<double>> times;
    const std::filesystem::path empty =
        std::filesystem::temp_directory_path() / ("trovana-probe-empty-" + std::to_string(::getpid()));
    std::filesystem::create_directories(empty);
    // Turn about, so that a change in the machine's load falls on both.
    for (int run = 0; run < runs; ++run) {
        Probe("empty", trovana::urlcache::LocatePrefixCache(empty), 1, times);
        Probe("large", trovana::urlcache::LocatePrefixCache(prefix), 1, times);
        ProbeDeleteAll("empty", empty, 1, times);
        ProbeDeleteAll("large", prefix, 1, times);
        ProbeCopyExport("empty", trovana::urlcache::LocatePrefixCache(empty), 1, times);
        ProbeCopyExport("large", trovana::urlcache::LocatePrefixCache(prefix), 1, times);
    }
    std::filesystem::remove_all(empty);
    for (const auto& [name, values] : times) {
        std::printf("%-26s median %9.1f ms  runs", name.c_str(), Median(values));
        for (const double value : values)
            std::printf(" %.1f", value);
        std::printf("\n");
    }
    wxEntryCleanup();
    return 0;
}
