// SPDX-License-Identifier: GPL-3.0-or-later
// Another cache in the running window, chosen as a person chooses it (File >
// Recent Caches from the keyboard): it replaces the one shown everywhere, a
// path without a cache leaves the shown one as it was, and a read-only cache
// disables the deleting commands. A copied Windows 10 profile opens with
// its WebCache database, read-only, and leaves the database as it was.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/menu.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/webview.h>

#include <nlohmann/json.hpp>

#include "app/named_cache.h"
#include "app/resource.h"
#include "app/trovana_app.h"
#include "datetime.h"
#include "format.h"
#include "listview/cache_list.h"
#include "listview/recovered_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "scripted_prompts.h"
#include "env_test_support.h"
#include "window_fixture.h"
#include "work_folder.h"
#include "x_input.h"
#include "../platform/webcache/dropped_page.h"
#include "../platform/webcache/esedbexport_rows.h"
#include "../platform/webcache/webcache_sample.h"
#include "project_info.h"

namespace trovana::test {
namespace {
namespace fs = std::filesystem;

class SwitchCacheTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_folder = fs::temp_directory_path() / ("trovana-switch-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        // The recent caches go to a configuration file of the test's own.
        delete wxConfigBase::Set(new wxFileConfig("", "", (m_folder / "config").string(), "", wxCONFIG_USE_LOCAL_FILE));
        m_other = m_folder / "other";
        fs::create_directories(m_other);
        std::ofstream(m_other / "system.reg") << "WINE REGISTRY Version 2\n";
        urlcache::UrlCache other(urlcache::LocatePrefixCache(m_other));
        for (const urlcache::CacheResult& result : other.CreateEntries(
                 {Entry("http://other.example/a.htm", 10, "text/html"),
                  Entry("http://other.example/b/c.gif", 20, "image/gif"), Entry("Cookie:user@other.example/", 5)}))
            ASSERT_TRUE(result.ok()) << result.message;
        StartWindow();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        delete wxConfigBase::Set(nullptr);
        fs::remove_all(m_folder);
    }

    // File > Recent Caches > the first one, from the keyboard.
    void OpenRecent(const fs::path& path, const wxString& name = {})
    {
        m_pFrame->AddRecentCache(path, name);
        m_input.Keys("alt+f r 1");
    }
    std::vector<std::string> TreeSites()
    {
        listview::CSiteTree& tree = *m_pFrame->m_pTreeView;
        std::vector<std::string> sites;
        wxTreeItemIdValue cookie;
        const wxTreeItemId all(View().RootNode().TreeItem());
        for (wxTreeItemId item = tree.GetFirstChild(all, cookie); item.IsOk(); item = tree.GetNextChild(all, cookie))
            sites.push_back(tree.GetItemText(item).utf8_string());
        return sites;
    }
    std::string Title() { return m_pFrame->GetTitle().utf8_string(); }
    // The title of the window with that cache: name, version, cache.
    static std::string Titled(const std::string& cache) { return std::string("Trovana ") + kVersion + cache; }

    fs::path m_folder;
    fs::path m_other;
    XInput m_input;
};

TEST_F(SwitchCacheTest, ARecentCacheReplacesTheShownOneAndAPathWithoutOneChangesNothing)
{
    listview::CCacheList& all = *View().GetAllList();
    // A row previewed, then the Recovered view: both belong to the old cache.
    all.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    View().PreviewSelected();
    m_input.Keys("alt+v r");
    ASSERT_TRUE(WaitUntil([&] { return View().IsRecoveredShown(); }));

    // Reopened under the name it was shown with, not its folder's.
    OpenRecent(m_other, "Other Game");
    ASSERT_TRUE(WaitUntil([&] { return Title() == Titled(" - Other Game"); })) << Title();
    EXPECT_EQ(TreeSites(), std::vector<std::string>{"other.example"});
    EXPECT_EQ(View().m_pSelectedNode, &View().RootNode());
    EXPECT_EQ(all.Rows().Count(), 3);
    EXPECT_TRUE(View().IsRecoveredShown()) << "the view stays, surveyed anew";
    EXPECT_EQ(View().GetRecoveredList()->Records().size(), 3u);
    EXPECT_EQ(View().m_pWebView->GetBrowser()->GetCurrentURL(), "about:blank");
    EXPECT_EQ(m_pFrame->RecentCaches().GetHistoryFile(0).utf8_string(), m_other.string());
    EXPECT_TRUE(m_prompts.m_asked.empty());

    // A file that is no container: one message, the shown cache stays.
    const fs::path notes = m_folder / "notes.txt";
    {
        std::ofstream(notes) << "no cache here\n";
    }
    OpenRecent(notes);
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    ProcessEvents();
    EXPECT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text.rfind("No cache can be opened there", 0), 0u) << m_prompts.m_asked[0].text;
    EXPECT_EQ(Title(), Titled(" - Other Game"));
    EXPECT_EQ(all.Rows().Count(), 3);
    EXPECT_EQ(TreeSites(), std::vector<std::string>{"other.example"});
}

TEST_F(SwitchCacheTest, AReadOnlyCacheDisablesEveryDeletingCommand)
{
    ASSERT_TRUE(m_pFrame->OpenCachePath(m_other, true));
    wxMenuBar& menus = *m_pFrame->GetMenuBar();
    EXPECT_FALSE(menus.IsEnabled(app::ID_CACHE_DELETE));
    EXPECT_FALSE(menus.IsEnabled(app::ID_CACHE_DELETE_ALL));
    EXPECT_FALSE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_DELETE));
    EXPECT_FALSE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_DELETE_ALL));
    EXPECT_NE(m_pFrame->GetStatusBar()->GetStatusText(0).Find("read-only"), wxNOT_FOUND);

    // The Delete key on a row asks nothing.
    listview::CCacheList& all = *View().GetAllList();
    wxRect rect;
    ASSERT_TRUE(all.GetItemRect(0, rect));
    m_input.Click(all, wxPoint(rect.x + 40, rect.y + rect.height / 2));
    m_input.Keys("Delete");
    EXPECT_TRUE(m_prompts.m_asked.empty());
    EXPECT_EQ(all.Rows().Count(), 3);

    // A writable cache opened again has its commands back.
    ASSERT_TRUE(m_pFrame->OpenCachePath(m_other, false));
    EXPECT_TRUE(menus.IsEnabled(app::ID_CACHE_DELETE));
    EXPECT_TRUE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_DELETE_ALL));
}

std::string FileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The titles of the modal dialogs that were opened; each runs as usual.
class DialogTitles : public wxModalDialogHook {
public:
    DialogTitles() { Register(); }
    ~DialogTitles() override { Unregister(); }
    std::vector<std::string> titles;

private:
    int Enter(wxDialog* dialog) override
    {
        titles.push_back(dialog->GetTitle().utf8_string());
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// The first start of a user who never ran Wine and names no cache: the
// window says what trovana-cache says, offers File > Open Cache..., and
// deletes nothing until a cache is opened.
TEST_F(SwitchCacheTest, WithoutAnyCacheTheWindowSaysSoAndOffersToOpenOne)
{
    const fs::path home = m_folder / "home";
    fs::create_directories(home);
    const urlcache::test::ScopedEnv homeVariable("HOME", home.string());
    const urlcache::test::ScopedEnv prefix("WINEPREFIX", std::nullopt);
    const urlcache::test::ScopedEnv profile("TROVANA_PROFILE", std::nullopt);
    std::optional<app::NamedCache> cache = app::FindCurrentUserCache(m_prompts);
    ASSERT_TRUE(cache.has_value());
    const std::string why = "no cache: there is no Wine prefix at " + (home / ".wine").string();
    EXPECT_EQ(cache->absence.utf8_string(), why);
    EXPECT_TRUE(m_prompts.m_asked.empty()) << "said in the window, not in a message box";

    // The window as the program starts it.
    delete m_pFrame;
    m_pFrame = new app::CMainFrame();
    m_pFrame->UsePrompts(&m_prompts);
    ASSERT_TRUE(m_pFrame->LoadFrame(cache->location, cache->name));
    m_pFrame->ShowNoCache(cache->absence);
    app::ShowMainWindow(*m_pFrame);
    ASSERT_TRUE(WaitUntil([&] { return m_pFrame->IsShownOnScreen(); }));
    ProcessEvents();
    EXPECT_EQ(Title(), Titled(" - no cache"));
    EXPECT_EQ(m_pFrame->GetStatusBar()->GetStatusText(0).utf8_string(), why);
    const std::string page = FileBytes(WorkingFolder() / "temp.htm");
    EXPECT_NE(page.find(why), std::string::npos) << page;
    EXPECT_NE(page.find("File &gt; Open Cache..."), std::string::npos) << page;

    // Delete, Delete All from the menu and from the button bar: nothing is asked.
    wxMenuBar& menus = *m_pFrame->GetMenuBar();
    EXPECT_FALSE(menus.IsEnabled(app::ID_CACHE_DELETE));
    EXPECT_FALSE(menus.IsEnabled(app::ID_CACHE_DELETE_ALL));
    EXPECT_FALSE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_DELETE_ALL));
    m_input.Click(*View().GetAllList(), wxPoint(40, 40));
    m_input.Keys("Delete");
    m_input.Keys("alt+e a");
    m_input.Keys("Escape");
    ProcessEvents();
    EXPECT_TRUE(m_prompts.m_asked.empty());

    // Ctrl+O opens File > Open Cache...; a cache opened there is shown with
    // its deleting commands.
    {
        DialogTitles opened;
        m_input.KeysLater("Escape", "Open Cache");
        m_input.Keys("ctrl+o");
        m_input.Join();
        ProcessEvents();
        EXPECT_EQ(opened.titles, std::vector<std::string>{"Open Cache"});
    }
    ASSERT_TRUE(m_pFrame->OpenCachePath(m_other, false));
    EXPECT_TRUE(menus.IsEnabled(app::ID_CACHE_DELETE_ALL));
    EXPECT_EQ(m_pFrame->GetStatusBar()->GetStatusText(0).Find("no cache"), wxNOT_FOUND);
    EXPECT_EQ(Title(), Titled(" - other"));
}

TEST_F(SwitchCacheTest, AWindows10ProfileShowsItsWebCacheReadOnly)
{
    const fs::path profile = m_folder / "Users" / kWebCacheUser;
    const fs::path database = MakeWebCacheProfile(profile);
    ASSERT_FALSE(database.empty());
    // A page of the dropped Container_10 table put back, for the Recovered view.
    ASSERT_TRUE(PutDroppedPage(database));
    const size_t droppedTags = ese::ReadLE<uint16_t>(ReadPageBytes(database, kDroppedPage), 34);
    // The cached page of https://www.google.com/?gws_rd=ssl in its secure folder.
    const fs::path cached = profile / "AppData/Local/Microsoft/Windows/INetCache/IE/EIRRDZXC/XQ9T0GZO.htm";
    fs::create_directories(cached.parent_path());
    std::ofstream(cached) << "<html><head><title>moved here</title></head><body>moved</body></html>";
    const std::string before = FileBytes(database);

    OpenRecent(profile);
    ASSERT_TRUE(WaitUntil([&] { return Title() == Titled(" - Administrator (read-only)"); })) << Title();
    listview::CCacheList& all = *View().GetAllList();
    // Each cookie is its own row (9 of them).
    EXPECT_EQ(all.Rows().Count(), 119);
    // What is not listed is said once, with why: the sample's damage (a page
    // of each of two containers that are not listed), the tables of other
    // kinds; the status bar says it too, and that daily history is read as UTC.
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    for (const char* named : {"Container_4 (iecompat): page 426 fails its checksum", "Container_15 (DOMStore)"})
        EXPECT_NE(m_prompts.m_asked[0].text.find(named), std::string::npos) << m_prompts.m_asked[0].text;
    m_prompts.m_asked.clear();
    const wxString status = m_pFrame->GetStatusBar()->GetStatusText(0);
    EXPECT_NE(status.Find("not all of it listed"), wxNOT_FOUND) << status;
    EXPECT_NE(status.Find("History Time Zone"), wxNOT_FOUND) << status;
    const std::vector<std::string> sites = TreeSites();
    for (const std::string site : {"google.com", "github.com", "www.google.com"})
        EXPECT_NE(std::find(sites.begin(), sites.end(), site), sites.end()) << site;
    EXPECT_NE(m_pFrame->GetStatusBar()->GetStatusText(0).Find(urlcache::kWebCacheReadOnly), wxNOT_FOUND)
        << m_pFrame->GetStatusBar()->GetStatusText(0);
    EXPECT_FALSE(m_pFrame->GetMenuBar()->IsEnabled(app::ID_CACHE_DELETE_ALL));

    // The Visited Links tab, clicked: the history and daily history entries.
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const wxRect tab = tabs.GetItemRect(catalogue::kCategoryVisitedLinks);
    m_input.Click(tabs, tab.GetPosition() + wxPoint(5, tab.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return View().GetActiveList() != &all; }));
    // Daily history ("MSHist" entries) go where those of index.dat go.
    EXPECT_EQ(View().GetActiveList()->Rows().Count(), 33);

    // Back to All; the entry clicked shows its cached file from INetCache.
    const wxRect allTab = tabs.GetItemRect(0);
    m_input.Click(tabs, allTab.GetPosition() + wxPoint(5, allTab.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return View().GetActiveList() == &all; }));
    const std::string page = "https://www.google.com/?gws_rd=ssl";
    const int row = all.Rows().FindText(page);
    ASSERT_GE(row, 0);
    all.EnsureVisible(row);
    ProcessEvents();
    wxRect rect;
    ASSERT_TRUE(all.GetItemRect(row, rect));
    m_input.Click(all, wxPoint(rect.x + 40, rect.y + rect.height / 2));
    listview::CWebView& pane = *View().m_pWebView;
    ASSERT_TRUE(WaitUntil([&] { return pane.LastNavigation().cacheUrl == page; }))
        << pane.LastNavigation().target;
    EXPECT_EQ(pane.LastNavigation().target.utf8_string(), cached.string());
    // The page itself shows, served from the profile's INetCache. The first
    // preview starts WebKit's own processes, which takes seconds on a busy
    // machine (the lookup and the answer take some milliseconds).
    if (wxWebView* browser = pane.GetBrowser()) {
        EXPECT_TRUE(WaitUntil([&] { return browser->GetCurrentTitle() == "moved here"; }, 30000))
            << browser->GetCurrentTitle();
    }

    // Its Properties, by a double click: the time only a WebCache database
    // keeps is among them; one it does not set (0) is left out.
    const std::vector<std::string> properties = PropertiesOf(all, page);
    const auto named = [&](const std::string& name) {
        return std::count_if(properties.begin(), properties.end(),
                             [&](const std::string& row) { return row.rfind(name + "=", 0) == 0; });
    };
    EXPECT_EQ(named("Creation Time"), 1) << ::testing::PrintToString(properties);
    EXPECT_EQ(named("Post-Check Time"), 0) << ::testing::PrintToString(properties);
    EXPECT_EQ(named("URL"), 1) << ::testing::PrintToString(properties);
    // Where the row is in the database, and that its file is there.
    const auto valueIn = [](const std::vector<std::string>& rows, const std::string& name) {
        for (const std::string& row : rows)
            if (row.rfind(name + "=", 0) == 0)
                return row.substr(name.size() + 1);
        return std::string("<none>");
    };
    const auto value = [&](const std::string& name) { return valueIn(properties, name); };
    EXPECT_EQ(value("Table"), "Container_1");
    EXPECT_EQ(value("File Present"), "Yes");
    // http://google.com/ was not copied: its stored size, and its absence said apart.
    const int google = all.Rows().FindText("http://google.com/");
    ASSERT_GE(google, 0);
    EXPECT_EQ(all.Rows().Text(google, catalogue::kColumnSize), "219");
    const std::vector<std::string> moved = PropertiesOf(all, "http://google.com/");
    EXPECT_NE(std::find(moved.begin(), moved.end(), "File Present=No"), moved.end()) << ::testing::PrintToString(moved);
    EXPECT_NE(std::find(moved.begin(), moved.end(), "Entry Id=56"), moved.end()) << ::testing::PrintToString(moved);
    EXPECT_NE(std::find(moved.begin(), moved.end(), "Flags=0x28"), moved.end()) << ::testing::PrintToString(moved);

    // Delete on the row asks nothing and removes nothing.
    m_input.Keys("Delete");
    EXPECT_TRUE(m_prompts.m_asked.empty());
    EXPECT_EQ(all.Rows().Count(), 119);
    EXPECT_TRUE(FileBytes(database) == before) << "the WebCache database changed";
    std::vector<std::string> beside;
    for (const auto& item : fs::directory_iterator(database.parent_path()))
        beside.push_back(item.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"WebCacheV01.dat"}) << "files were made beside the database";

    // Two cookies of one domain and path share a URL; each row's Properties
    // give its own row of CookieEntryEx_4 as esedbexport reads it.
    std::map<std::string, std::map<std::string, std::string>> cookieRows;
    for (auto& cookie : ExportTable(database, "CookieEntryEx_4", m_folder))
        cookieRows[cookie.at("EntryId")] = std::move(cookie);
    ASSERT_EQ(cookieRows.size(), 9u);
    const std::string shared = "Cookie:Administrator@google.com/";
    std::set<std::string> shownIds;
    // From the top: the cookies are listed first, in view without scrolling.
    all.EnsureVisible(0);
    for (long row = 0; row < all.Rows().Count(); ++row) {
        if (all.Rows().Text(static_cast<int>(row), catalogue::kColumnUrl) != shared)
            continue;
        const std::vector<std::string> shown = PropertiesOf(all, row);
        const auto field = [&](const std::string& name) { return valueIn(shown, name); };
        const std::string id = field("Entry Id");
        SCOPED_TRACE(id);
        ASSERT_TRUE(cookieRows.contains(id)) << ::testing::PrintToString(shown);
        shownIds.insert(id);
        const auto& stored = cookieRows.at(id);
        EXPECT_EQ(field("Cookie Name"), TextBeforeNul(stored.at("Name")));
        EXPECT_EQ(field("Cookie Value"), TextBeforeNul(stored.at("Value")));
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%llX", std::stoull(stored.at("Flags")));
        EXPECT_EQ(field("Flags"), flags);
        EXPECT_EQ(field("Expire Time"), DateTime::FromFileTime(std::stoull(stored.at("Expires"))).Format());
        EXPECT_EQ(field("Modified Time"), DateTime::FromFileTime(std::stoull(stored.at("LastModified"))).Format());
    }
    EXPECT_EQ(shownIds, (std::set<std::string>{"9", "10"}));

    // The window's export of the whole list: every cookie its own name.
    const fs::path exported = m_folder / "cookies.jsonl";
    m_prompts.m_asked.clear();
    m_prompts.m_choice = 0;
    m_prompts.m_save = listview::SaveChoice{exported, 1};
    m_input.Keys("alt+f e");
    FinishWork();
    ASSERT_TRUE(WaitUntil([&] {
        return !m_prompts.m_asked.empty() && m_prompts.m_asked.back().text.find("exported") != std::string::npos;
    }));
    EXPECT_EQ(m_prompts.m_asked.back().text, "119 rows exported to " + exported.string() + ".");
    std::ifstream lines(exported);
    std::map<std::string, std::string> exportedNames;
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json row = nlohmann::json::parse(line);
        if (row.contains("table") && row["table"] == "CookieEntryEx_4")
            exportedNames[std::to_string(row["entry_id"].get<uint64_t>())] = row["cookie_name"].get<std::string>();
    }
    ASSERT_EQ(exportedNames.size(), cookieRows.size());
    for (const auto& [id, stored] : cookieRows)
        EXPECT_EQ(exportedNames[id], TextBeforeNul(stored.at("Name"))) << "EntryId " << id;

    // View > Recovered: after every live and leaked record, the rows
    // recovered from the database's pages, each with its page; the lists
    // of live entries keep their 119 rows.
    m_input.Keys("alt+v r");
    listview::CRecoveredList& recovered = *View().GetRecoveredList();
    ASSERT_TRUE(WaitUntil([&] { return recovered.IsShownOnScreen() && recovered.GetItemCount() > 119; }));
    int deleted = 0;
    bool deletedLast = true;
    std::string fwlinkState;
    // The rows of the tables without URL cache entries, each with its
    // table: iecompat's thousands among them.
    std::map<std::string, int> tableRows;
    size_t droppedRows = 0;
    for (long item = 0; item < recovered.GetItemCount(); ++item) {
        const std::string state = recovered.GetItemText(item, listview::CRecoveredList::kState).utf8_string();
        if (state.rfind("table row: ", 0) == 0)
            ++tableRows[state.substr(11)];
        if (state.rfind("deleted: page 160, tag ", 0) == 0 && state.find("table dropped") != std::string::npos)
            ++droppedRows;
        if (state.rfind("deleted: page ", 0) == 0)
            ++deleted;
        else
            deletedLast = deletedLast && deleted == 0;
        if (recovered.GetItemText(item, listview::CRecoveredList::kUrl) ==
            "http://go.microsoft.com/fwlink/?LinkID=627550")
            fwlinkState = state;
    }
    EXPECT_GE(deleted, 80);
    EXPECT_TRUE(deletedLast);
    EXPECT_GE(tableRows["iecompat (Container_4)"], 3000);
    EXPECT_EQ(tableRows["DOMStore (Container_15)"], 1);
    EXPECT_EQ(tableRows["HstsEntryEx (HstsEntryEx_3)"], 5);
    EXPECT_EQ(fwlinkState.rfind("deleted: page 447 ", 0), 0u) << fwlinkState;
    // The dropped page's rows: one per tag but the two whose URL is a long
    // value gone with the table's tree.
    EXPECT_EQ(droppedRows + 2, droppedTags - 1);
    EXPECT_NE(m_pFrame->GetStatusBar()->GetStatusText(0).Find(wxString::Format(" %d deleted", deleted)), wxNOT_FOUND)
        << m_pFrame->GetStatusBar()->GetStatusText(0);
    EXPECT_EQ(all.Rows().Count(), 119);
}

}  // namespace
}  // namespace trovana::test
