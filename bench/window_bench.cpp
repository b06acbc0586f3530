// SPDX-License-Identifier: GPL-3.0-or-later
// The list operations as the user meets them, in the real window on the
// benchmark cache of about 100,000 entries: showing each tab, a column
// click, the status summary, a keyword and a date search, deleting 1,000
// selected rows and Delete All; and the preview of a cached page with its
// 50 cached pictures, on a small cache of its own. Run under an X server
// (xvfb-run).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/mstream.h>
#include <wx/webview.h>

#include "app/main_frame.h"
#include "app/trovana_app.h"
#include "bench_window.h"
#include "bench_cache.h"
#include "listview/cache_address.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "operations/search_match.h"

namespace {

using trovana::listview::CCacheListView;

using trovana::bench::HandleEvents;
using trovana::bench::YesPrompts;

// The main window on a cache, started as the program starts it; it asks
// through the prompts given, else through the wx dialogs.
class Window {
public:
    explicit Window(const trovana::urlcache::CacheLocation& location, trovana::listview::Prompts* prompts = nullptr)
        : m_pFrame(new trovana::app::CMainFrame())
    {
        m_pFrame->UsePrompts(prompts);
        if (!m_pFrame->LoadFrame(location))
            throw std::runtime_error("the window could not be made");
        trovana::app::ShowMainWindow(*m_pFrame);
        HandleEvents();
    }
    ~Window()
    {
        m_pFrame->Destroy();
        HandleEvents();
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    CCacheListView& View() { return *m_pFrame->GetListView(); }

private:
    trovana::app::CMainFrame* m_pFrame;
};

// One window on the unchanged benchmark cache for the benchmarks that only
// read; closed before wx shuts down.
std::unique_ptr<Window> g_readingWindow;

Window& ReadingWindow()
{
    if (!g_readingWindow)
        g_readingWindow = std::make_unique<Window>(trovana::bench::GetBenchCache().location);
    return *g_readingWindow;
}

std::filesystem::path CopyFolder()
{
    return std::filesystem::temp_directory_path() / ("trovana-window-bench-" + std::to_string(::getpid()));
}

void ShowTab(CCacheListView& view, int tab)
{
    view.GetTabStrip()->SetCurSel(tab);
    view.ShowCategory();
    view.UpdateStatusSummary();
}

void BM_ShowTab(benchmark::State& state)
{
    CCacheListView& view = ReadingWindow().View();
    const int tab = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ShowTab(view, tab);
        state.PauseTiming();
        ShowTab(view, trovana::catalogue::kCategoryAll);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowTab)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

// A click on a column heading of the All list, each direction in turn.
void BM_ColumnClick(benchmark::State& state)
{
    CCacheListView& view = ReadingWindow().View();
    ShowTab(view, trovana::catalogue::kCategoryAll);
    for (auto _ : state)
        view.OnColumnclickList(static_cast<int>(state.range(0)));
}
BENCHMARK(BM_ColumnClick)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_StatusSummary(benchmark::State& state)
{
    CCacheListView& view = ReadingWindow().View();
    for (auto _ : state)
        view.UpdateStatusSummary();
}
BENCHMARK(BM_StatusSummary)->Unit(benchmark::kMicrosecond);

// The search over the All list with the criteria the dialog hands over.
void RunSearch(benchmark::State& state, trovana::operations::SearchCriteria criteria)
{
    CCacheListView& view = ReadingWindow().View();
    trovana::operations::PrepareCriteria(criteria);
    const trovana::operations::RowFilter filter = trovana::operations::MakeFilter(criteria);
    int found = 0;
    for (auto _ : state) {
        trovana::RowStore results;
        benchmark::DoNotOptimize(
            trovana::operations::CollectMatches(view.Catalogue().ListAll(), filter, results, [](int) {}));
        found = results.Count();
        state.PauseTiming();
        results.DeleteAll();
        state.ResumeTiming();
    }
    state.counters["found"] = found;
}

void BM_KeywordSearch(benchmark::State& state)
{
    trovana::operations::SearchCriteria criteria;
    criteria.m_strKeywords = "host1\ndir3/\n.css";
    RunSearch(state, criteria);
}
BENCHMARK(BM_KeywordSearch)->Unit(benchmark::kMillisecond);

void BM_DateSearch(benchmark::State& state)
{
    trovana::operations::SearchCriteria criteria;
    criteria.m_bUseKeywords = false;
    criteria.m_bUseDate = true;
    criteria.m_strDateMode = "Between";
    criteria.m_dateFrom = trovana::DateTime::FromParts(2024, 3, 1);
    criteria.m_dateTo = trovana::DateTime::FromParts(2024, 6, 30);
    RunSearch(state, criteria);
}
BENCHMARK(BM_DateSearch)->Unit(benchmark::kMillisecond);

// 1,000 rows spread over the All list, deleted with the list and tree updates.
void BM_DeleteSelected(benchmark::State& state)
{
    YesPrompts prompts;
    for (auto _ : state) {
        state.PauseTiming();
        const trovana::bench::BenchCache copy = trovana::bench::CopyBenchCache(CopyFolder());
        auto window = std::make_unique<Window>(copy.location, &prompts);
        CCacheListView& view = window->View();
        trovana::RowStore& rows = view.GetAllList()->Rows();
        const int step = rows.Count() / 1000;
        for (int row = 0; row < 1000 * step; row += step)
            rows.SetSelected(row, true);
        view.GetAllList()->RowsChanged();
        state.ResumeTiming();
        view.DeleteSelected();
        while (view.IsWorking())
            HandleEvents();
        state.PauseTiming();
        state.counters["left"] = view.GetAllList()->Rows().Count();
        window.reset();
        std::filesystem::remove_all(copy.root);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSelected)->Iterations(3)->Unit(benchmark::kMillisecond);

// Delete All without the question, the rescan included.
void BM_DeleteAll(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const trovana::bench::BenchCache copy = trovana::bench::CopyBenchCache(CopyFolder());
        auto window = std::make_unique<Window>(copy.location);
        state.ResumeTiming();
        window->View().DeleteAll(false);
        while (window->View().IsWorking())
            HandleEvents();
        state.PauseTiming();
        state.counters["left"] = window->View().GetAllList()->Rows().Count();
        window.reset();
        std::filesystem::remove_all(copy.root);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteAll)->Iterations(3)->Unit(benchmark::kMillisecond);

// A cache with one page whose 50 pictures and style sheet are cached too,
// referred to by relative, root-relative and absolute addresses.
constexpr int kPagePictures = 50;
constexpr const char* kPageUrl = "http://bench.test/news/index.htm";

std::string PictureBytes(int width)
{
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    wxImage image(width, 24);
    image.SetRGB(wxRect(0, 0, width, 24), 40, 90, 160);
    wxMemoryOutputStream out;
    image.SaveFile(out, wxBITMAP_TYPE_PNG);
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

trovana::urlcache::CacheLocation MakePageCache(const std::filesystem::path& root)
{
    using namespace trovana::urlcache;
    CacheLocation location;
    location.containers = {{ContainerKind::Content, root / "Content.IE5"}};
    std::vector<NewCacheEntry> entries;
    auto add = [&](const std::string& url, std::string body, const std::string& extension, const std::string& type) {
        NewCacheEntry entry;
        entry.url = url;
        entry.body = std::move(body);
        entry.fileExtension = extension;
        entry.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\n\r\n";
        entries.push_back(std::move(entry));
    };
    std::string page = "<html><head><title>news</title><link rel=\"stylesheet\" href=\"/css/site.css\"></head><body>";
    for (int i = 0; i < kPagePictures; ++i) {
        const std::string name = "pic" + std::to_string(i) + ".png";
        const std::string reference = i % 3 == 0   ? "pics/" + name
                                      : i % 3 == 1 ? "/news/pics/" + name
                                                   : "http://bench.test/news/pics/" + name;
        page += "<p>Item " + std::to_string(i) + " <img src=\"" + reference + "\"></p>";
        add("http://bench.test/news/pics/" + name, PictureBytes(16 + i), "png", "image/png");
    }
    page += "</body></html>";
    add(kPageUrl, page, "htm", "text/html");
    add("http://bench.test/css/site.css", "p { font: 14px sans-serif; color: #234 } img { border: 1px solid }", "css",
        "text/css");
    UrlCache cache(location);
    for (const CacheResult& result : cache.CreateEntries(entries)) {
        if (!result.ok())
            throw std::runtime_error(result.message);
    }
    return location;
}

// From the click's preview call until the page has loaded and every one of
// its pictures is complete and decoded.
void BM_PreviewCachedPage(benchmark::State& state)
{
    const std::filesystem::path root = CopyFolder() / "page";
    std::filesystem::remove_all(root);
    Window window(MakePageCache(root));
    CCacheListView& view = window.View();
    wxWebView* browser = view.m_pWebView->GetBrowser();
    if (browser == nullptr) {
        state.SkipWithError("no browser back end");
        return;
    }
    const wxString address = wxString::FromUTF8(trovana::listview::CacheAddress(kPageUrl));
    const wxString allShown = "String(document.images.length == " + std::to_string(kPagePictures) +
                              " && Array.from(document.images).every(i => i.complete && i.naturalWidth > 0))";
    auto shown = [&] {
        wxString result;
        // Asked every time: the script's wait also runs the browser's events.
        const bool ran = browser->RunScript(allShown, &result);
        return ran && result == "true" && browser->GetCurrentURL() == address && !browser->IsBusy();
    };
    auto blank = [&] {
        wxString url;
        return browser->RunScript("document.URL", &url) && url == "about:blank";
    };
    for (auto _ : state) {
        state.PauseTiming();
        view.m_pWebView->Navigate("about:blank");
        while (!blank())
            HandleEvents();
        view.m_pWebView->SetCurrentSource({});
        state.ResumeTiming();
        view.ShowPreview(kPageUrl);
        while (!shown())
            HandleEvents();
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_PreviewCachedPage)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_readingWindow.reset();
    wxEntryCleanup();
    return 0;
}
