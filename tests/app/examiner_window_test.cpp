// SPDX-License-Identifier: GPL-3.0-or-later
// The window's commands for people who examine caches, driven through the
// X server: the Recovered view that changes nothing, times in UTC kept from
// one run to the next, and File > Export read back.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>
#include <wx/app.h>
#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/modalhook.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/webview.h>

#include "app/resource.h"
#include "csv_reader.h"
#include "datetime.h"
#include "details/properties_dlg.h"
#include "export_writer.h"
#include "listview/cache_list.h"
#include "listview/recovered_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "scripted_prompts.h"
#include "csv.h"
#include "sha256.h"
#include "window_fixture.h"
#include "x_input.h"

namespace trovana::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGone = "http://gone.example/old.htm";
// A header naming "Straße München.pdf" as WinINet's ANSI functions store
// it: Windows-1252.
constexpr const char* kStrasse = "http://www.example.de/strasse.pdf";
constexpr const char* kStrasseType = "application/pdf; name=\"Stra\xDF" "e M\xFCnchen.pdf\"";
// 1 January 2020 12:00:00 UTC, as a FILETIME.
constexpr uint64_t kTime2020 = 132223536000000000ULL;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ExaminerWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // The program's settings go to a file of the test's own.
        m_configFile = fs::temp_directory_path() / ("trovana-config-" + std::to_string(::getpid()));
        fs::remove(m_configFile);
        delete wxConfigBase::Set(NewConfig());
        m_export = fs::temp_directory_path() / ("trovana-export-" + std::to_string(::getpid()));
        fs::create_directories(m_export);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        delete wxConfigBase::Set(nullptr);
        fs::remove(m_configFile);
        fs::remove_all(m_export);
    }
    wxConfigBase* NewConfig() { return new wxFileConfig("", "", m_configFile.string(), "", wxCONFIG_USE_LOCAL_FILE); }

    // An entry with a file whose record is then deleted: a recovered record
    // whose file is gone.
    void AddRecoveredRecord()
    {
        m_cache.Add({Entry(kGone, 30, "text/html")});
        urlcache::UrlCache cache(m_cache.Location());
        ASSERT_TRUE(cache.DeleteEntry(kGone).ok());
    }

    listview::CRecoveredList& Recovered() { return *View().GetRecoveredList(); }
    bool MenuChecked(int id) { return m_pFrame->GetMenuBar()->IsChecked(id); }
    std::string StatusText() { return m_pFrame->GetStatusBar()->GetStatusText(0).utf8_string(); }
    // The row of the list whose first column is the text; -1 when none.
    void ClickRow(wxListCtrl& list, long row, const std::string& modifier = {})
    {
        list.EnsureVisible(row);
        ProcessEvents();
        wxRect rect;
        ASSERT_TRUE(list.GetItemRect(row, rect));
        if (!modifier.empty()) {
            EXPECT_EQ(::system(("xdotool keydown " + modifier).c_str()), 0);
        }
        m_input.Click(list, wxPoint(rect.x + 40, rect.y + rect.height / 2));
        if (!modifier.empty()) {
            EXPECT_EQ(::system(("xdotool keyup " + modifier).c_str()), 0);
        }
        ProcessEvents();
    }
    // The messages since the last call, and forgets them.
    std::vector<std::string> TakeMessages()
    {
        std::vector<std::string> texts;
        for (const auto& asked : m_prompts.m_asked)
            texts.push_back(asked.text);
        m_prompts.m_asked.clear();
        return texts;
    }
    void Export(const fs::path& path, int filter)
    {
        m_prompts.m_save = listview::SaveChoice{path, filter};
        m_input.Keys("alt+f e");
        FinishWork();
        ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); }));
    }

    fs::path m_configFile;
    fs::path m_export;
    XInput m_input;
};

TEST_F(ExaminerWindowTest, TheRecoveredViewShowsEveryRecordAndRefusesEveryChange)
{
    AddRecoveredRecord();
    StartWindow();
    const std::vector<std::string> urls = m_cache.EnumeratedUrls();
    // The window opens as it always has.
    EXPECT_FALSE(MenuChecked(app::ID_VIEW_RECOVERED));
    EXPECT_FALSE(Recovered().IsShown());
    EXPECT_TRUE(View().GetAllList()->IsShown());
    EXPECT_EQ(View().GetAllList()->GetItemCount(), static_cast<int>(urls.size()));

    m_input.Keys("alt+v r");
    ASSERT_TRUE(WaitUntil([&] { return Recovered().IsShownOnScreen(); }));
    EXPECT_TRUE(MenuChecked(app::ID_VIEW_RECOVERED));
    EXPECT_FALSE(View().GetTabStrip()->IsShown());
    ASSERT_EQ(Recovered().GetItemCount(), static_cast<int>(urls.size()) + 1);
    const long gone = RowOf(Recovered(), kGone);
    ASSERT_NE(gone, -1);
    EXPECT_EQ(Recovered().GetItemText(gone, listview::CRecoveredList::kState), "recovered");
    for (const std::string& url : urls)
        EXPECT_EQ(Recovered().GetItemText(RowOf(Recovered(), url), listview::CRecoveredList::kState), "live") << url;
    EXPECT_NE(StatusText().find(std::to_string(urls.size()) + " live"), std::string::npos) << StatusText();
    EXPECT_NE(StatusText().find("1 recovered"), std::string::npos) << StatusText();
    // The summary is read whole at 800 x 600.
    EXPECT_EQ(StatusText().rfind("All records, read-only (", 0), 0u) << StatusText();

    // Every way to change the cache is refused with a word why, even when
    // the user would answer Yes to every question.
    ClickRow(Recovered(), 0);
    m_input.Keys("ctrl+a");
    EXPECT_EQ(Recovered().GetSelectedItemCount(), Recovered().GetItemCount());
    TakeMessages();
    m_prompts.m_answers = std::deque<int>(8, wxID_YES);
    m_input.Keys("Delete");
    m_input.Keys("ctrl+f");
    const catalogue::CNode* site = NodeAt({"www.example.com"});
    ASSERT_NE(site, nullptr);
    wxRect rect;
    ASSERT_TRUE(m_pFrame->m_pTreeView->GetBoundingRect(wxTreeItemId(site->TreeItem()), rect, true));
    m_input.KeysLater("Down Return");
    m_input.Click(*m_pFrame->m_pTreeView, rect.GetPosition() + wxPoint(4, rect.height / 2), 3);
    m_input.Join();
    ASSERT_TRUE(WaitUntil([&] { return m_prompts.m_asked.size() >= 3; }));
    const std::vector<std::string> refusals = TakeMessages();
    ASSERT_EQ(refusals.size(), 3u);
    for (const char* action : {"Deleting items", "Searching", "Deleting a site"})
        EXPECT_NE(std::find_if(refusals.begin(), refusals.end(),
                               [&](const std::string& text) {
                                   return text.rfind(std::string(action) + " is not possible in the Recovered", 0) == 0;
                               }),
                  refusals.end())
            << action;
    EXPECT_EQ(m_prompts.m_answers.size(), 8u) << "no question was asked";
    EXPECT_EQ(m_cache.EnumeratedUrls(), urls);
    EXPECT_EQ(Recovered().GetItemCount(), static_cast<int>(urls.size()) + 1);

    // At 800 x 600 the headings are whole, and Delete and Delete All, which
    // could only refuse here, are greyed out.
    for (int column = 0; column < listview::CRecoveredList::kColumns; ++column) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT);
        Recovered().GetColumn(column, heading);
        EXPECT_GT(Recovered().GetColumnWidth(column), Recovered().GetTextExtent(heading.GetText()).x) << column;
    }
    wxTheApp->ProcessIdle();
    EXPECT_FALSE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_DELETE));
    EXPECT_FALSE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_DELETE_ALL));
    EXPECT_TRUE(m_pFrame->GetToolBar()->GetToolEnabled(app::ID_CACHE_COPY));

    // Copy takes only files that are there: none for the recovered record,
    // without asking for a folder; its file is left out beside a live one.
    ClickRow(Recovered(), gone);
    m_input.Keys("alt+e c");
    EXPECT_EQ(TakeMessages(),
              std::vector<std::string>{"None of the selected records has its file in the cache: nothing is copied."});
    EXPECT_TRUE(m_prompts.m_folderTitle.empty());
    ClickRow(Recovered(), RowOf(Recovered(), "http://www.example.com/img/photo.jpg"), "ctrl");
    ASSERT_EQ(Recovered().GetSelectedItemCount(), 2);
    m_prompts.m_folder = m_export;
    m_input.Keys("alt+e c");
    const std::vector<std::string> copied = TakeMessages();
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_NE(copied[0].find("1 file copied"), std::string::npos) << copied[0];
    EXPECT_NE(copied[0].find("1 selected item has no cached file"), std::string::npos) << copied[0];
    EXPECT_EQ(std::distance(fs::directory_iterator(m_export), fs::directory_iterator()), 1);

    // Leaving the view shows the entries of the site the right click chose.
    m_input.Keys("alt+v r");
    ASSERT_TRUE(WaitUntil([&] { return View().GetActiveList()->IsShownOnScreen(); }));
    EXPECT_FALSE(Recovered().IsShown());
    EXPECT_FALSE(MenuChecked(app::ID_VIEW_RECOVERED));
    EXPECT_EQ(View().m_pSelectedNode, site);
    EXPECT_EQ(View().GetActiveList()->GetItemCount(), 4);  // its three files and its cookie
    EXPECT_EQ(m_cache.EnumeratedUrls(), urls);
}

TEST_F(ExaminerWindowTest, TimesInUtcAreShownAndKeptFromOneRunToTheNext)
{
    // Five hours behind UTC all year round.
    ::setenv("TZ", "EST5", 1);
    ::tzset();
    urlcache::NewCacheEntry timed = Entry("http://time.example/a.htm", 10, "text/html");
    timed.lastAccessTime = kTime2020;
    timed.lastModifiedTime = kTime2020;
    m_cache.Add({timed});
    StartWindow();
    // The All list of the window shown now.
    auto all = [&]() -> listview::CCacheList& { return *View().GetAllList(); };
    ASSERT_NE(RowOf(all(), "http://time.example/a.htm"), -1);
    auto accessTime = [&] { return all().GetItemText(RowOf(all(), "http://time.example/a.htm"), 1).utf8_string(); };
    auto heading = [&] {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT);
        all().GetColumn(1, item);
        return item.GetText().utf8_string();
    };
    EXPECT_FALSE(MenuChecked(app::ID_VIEW_TIMES_UTC));
    EXPECT_EQ(accessTime(), "01/01/20 07:00:00");
    EXPECT_EQ(heading(), "Access Time");

    m_input.Keys("alt+v u");
    ASSERT_TRUE(WaitUntil([&] { return MenuChecked(app::ID_VIEW_TIMES_UTC); }));
    EXPECT_EQ(accessTime(), "01/01/20 12:00:00");
    EXPECT_EQ(heading(), "Access Time (UTC)");
    // The Properties dialog of the entry, opened by a double click.
    {
        const std::vector<std::string> rows = PropertiesOf(all(), "http://time.example/a.htm");
        EXPECT_NE(std::find(rows.begin(), rows.end(), "Access Time=01/01/20 12:00:00 UTC"), rows.end());
        EXPECT_NE(std::find(rows.begin(), rows.end(), "Modified Time=01/01/20 12:00:00 UTC"), rows.end());
    }

    // The choice is in the settings file, and the next run starts with it.
    delete m_pFrame;
    m_pFrame = nullptr;
    delete wxConfigBase::Set(nullptr);
    EXPECT_NE(ReadFile(m_configFile).find("TimesInUtc=1"), std::string::npos) << ReadFile(m_configFile);
    wxConfigBase::Set(NewConfig());
    StartWindow();
    EXPECT_TRUE(MenuChecked(app::ID_VIEW_TIMES_UTC));
    EXPECT_EQ(accessTime(), "01/01/20 12:00:00");
    m_input.Keys("alt+v u");
    ASSERT_TRUE(WaitUntil([&] { return !MenuChecked(app::ID_VIEW_TIMES_UTC); }));
    EXPECT_EQ(accessTime(), "01/01/20 07:00:00");
    EXPECT_EQ(heading(), "Access Time");
    EXPECT_FALSE(wxConfigBase::Get()->ReadBool("/View/TimesInUtc", true));
    ::unsetenv("TZ");
    ::tzset();
}

TEST_F(ExaminerWindowTest, TheHistoryTimeZoneIsChosenForTheCacheAndReadsItsVisits)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    // A visit of daily history: its second time is Amsterdam's local time,
    // one hour ahead of UTC in January.
    const std::string visit = ":2020010120200102: user@http://visit.example/";
    urlcache::NewCacheEntry daily = Entry(visit);
    daily.lastModifiedTime = kTime2020;
    daily.lastAccessTime = kTime2020 - 36'000'000'000ULL;  // the same instant, 11:00 UTC
    // 31 October 2021 02:30 happened twice in Amsterdam (summer time ended).
    const std::string fold = ":2021103120211101: user@http://fold.example/";
    urlcache::NewCacheEntry repeated = Entry(fold);
    repeated.lastModifiedTime = 132'801'210'000'000'000ULL;  // 2021-10-31 02:30:00
    m_cache.Add({daily, repeated});
    StartWindow();
    const auto modified = [&] {
        for (const std::string& row : PropertiesOf(*View().GetAllList(), visit)) {
            if (row.starts_with("Modified Time="))
                return row;
        }
        return std::string();
    };
    const auto chosen = [] { return wxConfigBase::Get()->Read("/HistoryTimeZones/Zone1", "").utf8_string(); };
    // A copied cache's default is UTC, named beside the time.
    EXPECT_EQ(modified(), "Modified Time=01/01/20 12:00:00 (recorded in UTC)");

    // View > History Time Zone..., a name typed: kept with the cache.
    m_input.KeysLater("ctrl+a E u r o p e slash A m s t e r d a m Return", "History Time Zone");
    m_input.Keys("alt+v t");
    ASSERT_TRUE(WaitUntil([&] { return chosen() == "Europe/Amsterdam"; }));
    m_input.Join();
    EXPECT_EQ(modified(), "Modified Time=01/01/20 11:00:00 (recorded in Europe/Amsterdam)");
    // A time of the repeated hour says which instant was read.
    const std::vector<std::string> foldRows = PropertiesOf(*View().GetAllList(), fold);
    EXPECT_NE(std::find(foldRows.begin(), foldRows.end(),
                        "Local Time=Exists twice in Europe/Amsterdam (the hour repeated when summer time ended): the "
                        "first instant taken"),
              foldRows.end());
    // The export names it and reads the visit in it.
    ClickRow(*View().GetAllList(), RowOf(*View().GetAllList(), visit));
    m_prompts.m_choice = 1;  // "Selected rows only"
    Export(m_export / "visit.jsonl", 1);
    TakeMessages();
    std::istringstream lines(ReadFile(m_export / "visit.jsonl"));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(nlohmann::json::parse(line)["export_header"]["source_tz"], "Europe/Amsterdam");
    std::getline(lines, line);
    const auto row = nlohmann::json::parse(line);
    EXPECT_EQ(row["source_tz"], "Europe/Amsterdam");
    EXPECT_EQ(row["local_time_fit"], "unique");
    EXPECT_EQ(row["last_modified_utc"], "2020-01-01T11:00:00.0000000Z");
    EXPECT_EQ(row["last_modified_utc"], row["last_access_utc"]);

    // Kept for the next run; an empty field goes back to Automatic.
    delete m_pFrame;
    m_pFrame = nullptr;
    StartWindow();
    EXPECT_EQ(modified(), "Modified Time=01/01/20 11:00:00 (recorded in Europe/Amsterdam)");
    m_input.KeysLater("ctrl+a BackSpace Return", "History Time Zone");
    m_input.Keys("alt+v t");
    ASSERT_TRUE(WaitUntil([&] { return chosen().empty(); }));
    m_input.Join();
    EXPECT_EQ(modified(), "Modified Time=01/01/20 12:00:00 (recorded in UTC)");
    ::unsetenv("TZ");
    ::tzset();
}

TEST_F(ExaminerWindowTest, ExportWritesTheListOrTheSelectionAndReadsBack)
{
    m_cache.Add({Entry(kStrasse, 20, kStrasseType)});  // first: the deleted record's blocks stay free
    AddRecoveredRecord();
    StartWindow();
    const std::vector<std::string> urls = m_cache.EnumeratedUrls();
    urlcache::UrlCache cache(m_cache.Location());
    const auto fromHex = [](const std::string& hex) {
        std::string bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        return bytes;
    };

    // Nothing selected: the whole list, as CSV, every field as the cache has it.
    const fs::path csvPath = m_export / "all.csv";
    Export(csvPath, 0);
    EXPECT_EQ(m_prompts.m_saveWildcard, "CSV (*.csv)|*.csv|JSON Lines (*.jsonl)|*.jsonl|HTML report (*.html)|*.html");
    EXPECT_EQ(TakeMessages(),
              std::vector<std::string>{std::to_string(urls.size()) + " rows exported to " + csvPath.string() + "."});
    const std::string csvText = ReadFile(csvPath);
    ASSERT_EQ(csvText.rfind("\xEF\xBB\xBF", 0), 0u);
    // The provenance first: the tool, the time, the zone, and each
    // container's path and SHA-256 as the file has it.
    const auto csvHeader = cli::test::ParseCsv(csvText.substr(3, csvText.find("\r\nurl,") + 2 - 3));
    ASSERT_GE(csvHeader.size(), 4u);
    EXPECT_EQ(csvHeader[0], (std::vector<std::string>{"#tool", "Trovana", app::VERSION_TEXT}));
    EXPECT_EQ(csvHeader[1][0], "#exported_utc");
    // A copied cache names no zone: the note says UTC is assumed and how to set it.
    ASSERT_EQ(csvHeader[2].size(), 3u);
    EXPECT_EQ(csvHeader[2][1], "UTC");
    EXPECT_NE(csvHeader[2][2].find("History Time Zone"), std::string::npos);
    EXPECT_EQ(csvHeader[3], (std::vector<std::string>{"#codepage", "windows-1252"}));
    std::vector<std::vector<std::string>> containers;
    for (const urlcache::ContainerLocation& container : m_cache.Location().containers)
        containers.push_back({"#container", container.IndexPath().string(),
                              FileSha256Hex(container.IndexPath()).value_or("")});
    EXPECT_EQ(std::vector(csvHeader.begin() + 4, csvHeader.end()), containers);
    const auto csv = cli::test::ParseCsv(csvText.substr(csvText.find("\r\nurl,") + 2));
    ASSERT_EQ(csv.size(), urls.size() + 1);
    const std::vector<std::string> columns = exporting::HexColumns().WithHexColumns(exporting::CatalogueExportColumns());
    EXPECT_EQ(csv[0], columns);
    const size_t urlHex = static_cast<size_t>(std::find(columns.begin(), columns.end(), "url_hex") - columns.begin());
    std::set<std::string> exported;
    for (size_t i = 1; i < csv.size(); ++i) {
        ASSERT_EQ(csv[i].size(), columns.size());
        // The URL's bytes: its text, or beside it where the text does not give them.
        const std::string url = csv[i][urlHex].empty() ? csv[i][0] : fromHex(csv[i][urlHex]);
        const auto entry = cache.GetEntryInfo(url);
        ASSERT_NE(entry, nullptr) << csv[i][0];
        std::vector<std::string> expected, read;
        const exporting::ExportRow row = exporting::CatalogueExportRow(*entry);
        for (const auto& field : row)
            expected.push_back(TextWithControlSymbols(exporting::ValueText(field.value)));
        for (size_t c = 0; c < row.size(); ++c)
            read.push_back(UnescapeCsvField(csv[i][c]));
        EXPECT_EQ(read, expected);
        exported.insert(url);
    }
    EXPECT_EQ(exported, std::set<std::string>(urls.begin(), urls.end()));
    // The Windows-1252 header as the window shows it, its bytes beside it.
    const size_t header = static_cast<size_t>(std::find(columns.begin(), columns.end(), "header") - columns.begin());
    const size_t headerHex = static_cast<size_t>(std::find(columns.begin(), columns.end(), "header_hex") - columns.begin());
    const auto strasse = std::find_if(csv.begin() + 1, csv.end(), [&](const auto& r) { return r[0] == kStrasse; });
    ASSERT_NE(strasse, csv.end());
    EXPECT_NE((*strasse)[header].find("name=\"Stra\xC3\x9F" "e M\xC3\xBCnchen.pdf\""), std::string::npos) << (*strasse)[header];
    EXPECT_EQ(fromHex((*strasse)[headerHex]), cache.GetEntryInfo(kStrasse)->headerInfo);
    EXPECT_NE(fromHex((*strasse)[headerHex]).find("Stra\xDF" "e M\xFCnchen"), std::string::npos);

    // One row clicked to look at it: the user is asked which rows are
    // meant; the whole list is offered first, and cancelling writes nothing.
    listview::CCacheList& all = *View().GetAllList();
    ClickRow(all, RowOf(all, "http://alpha.net/docs/readme.txt"));
    m_prompts.m_choice = std::nullopt;
    Export(m_export / "cancelled.csv", 0);
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{"Which rows are to be exported?"});
    EXPECT_EQ(m_prompts.m_choiceItems,
              (std::vector<std::string>{"The whole list (" + std::to_string(urls.size()) + " rows)",
                                        "Selected rows only (1 row)"}));
    // The whole list, to a name typed with the JSON lines ending while the
    // chooser shows CSV: the ending decides, and the name is kept.
    m_prompts.m_choice = 0;
    Export(m_export / "whole.jsonl", 0);
    EXPECT_EQ(TakeMessages().back(),
              std::to_string(urls.size()) + " rows exported to " + (m_export / "whole.jsonl").string() + ".");
    EXPECT_TRUE(nlohmann::json::parse(ReadFile(m_export / "whole.jsonl").substr(
                                          0, ReadFile(m_export / "whole.jsonl").find('\n')))
                    .contains("export_header"));

    // Two selected rows, "Selected rows only", as JSON lines: a name
    // without an ending gets the type's extension.
    ClickRow(all, RowOf(all, "http://www.example.com/img/logo.gif"), "ctrl");
    m_prompts.m_choice = 1;
    Export(m_export / "two", 1);
    TakeMessages();
    std::istringstream lines(ReadFile(m_export / "two.jsonl"));
    std::string headerLine;
    std::getline(lines, headerLine);
    EXPECT_EQ(nlohmann::json::parse(headerLine)["export_header"]["containers"].size(), containers.size());
    std::vector<nlohmann::json> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(rows.size(), 2u);
    std::set<std::string> two;
    for (const auto& row : rows) {
        two.insert(row["url"].get<std::string>());
        const auto entry = cache.GetEntryInfo(row["url"].get<std::string>());
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(row["size_low"], entry->sizeLow);
        EXPECT_EQ(row["last_access"], entry->lastAccessTime);
        EXPECT_EQ(row["local"], entry->localFileName);
        EXPECT_EQ(row["state"], "live");
    }
    EXPECT_EQ(two, (std::set<std::string>{"http://alpha.net/docs/readme.txt", "http://www.example.com/img/logo.gif"}));

    // The Recovered view's list, with each record's state.
    m_input.Keys("alt+v r");
    ASSERT_TRUE(WaitUntil([&] { return Recovered().IsShownOnScreen(); }));
    Export(m_export / "records", 1);  // the chosen type decides, and gives the name its ending
    TakeMessages();
    std::istringstream recordLines(ReadFile(m_export / "records.jsonl"));
    std::map<std::string, std::string> states;
    for (std::string line; std::getline(recordLines, line);) {
        const auto row = nlohmann::json::parse(line);
        if (row.contains("export_header"))
            continue;
        states[row["url"].get<std::string>()] = row["state"].get<std::string>();
    }
    EXPECT_EQ(states.size(), urls.size() + 1);
    EXPECT_EQ(states[kGone], "recovered");

    // A failure says so and leaves no file: a folder that is not there, and
    // a folder where the file would go, which stays as it was.
    Export(m_export / "missing" / "x.csv", 0);
    std::vector<std::string> failed = TakeMessages();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].rfind("The export to " + (m_export / "missing" / "x.csv").string() + " failed: ", 0), 0u)
        << failed[0];
    EXPECT_NE(failed[0].find("No file was written."), std::string::npos);
    fs::create_directories(m_export / "taken.html" / "inside");
    Export(m_export / "taken.html", 2);
    failed = TakeMessages();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_NE(failed[0].find(" failed: "), std::string::npos) << failed[0];
    EXPECT_TRUE(fs::is_directory(m_export / "taken.html" / "inside"));
    std::set<std::string> left;
    for (const auto& file : fs::directory_iterator(m_export))
        left.insert(file.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"all.csv", "whole.jsonl", "two.jsonl", "records.jsonl", "taken.html"}));
}

TEST_F(ExaminerWindowTest, TheHtmlReportOpensInThePreviewWithoutRunningScripts)
{
    m_cache.Add({Entry("http://x.example/<script>document.title='ran'</script>"),
                 Entry("http://x.example/<img src=x onerror=\"document.title='ran'\">")});
    StartWindow();
    const fs::path report = m_export / "report.html";
    Export(report, 2);
    TakeMessages();
    wxWebView* browser = View().m_pWebView->GetBrowser();
    if (browser == nullptr)
        GTEST_SKIP() << "no browser back end";
    // The report's own policy lets nothing run, the program's scripts
    // included: the title tells whether a script of a URL ran.
    browser->SetPage(wxString::FromUTF8(ReadFile(report)), "about:blank");
    ASSERT_TRUE(WaitUntil([&] { return !browser->IsBusy() && browser->GetCurrentTitle() == "Trovana export"; }));
    WaitUntil([] { return false; }, 700);
    EXPECT_EQ(browser->GetCurrentTitle(), "Trovana export");
    const std::string source = browser->GetPageSource().utf8_string();
    EXPECT_NE(source.find("&lt;script&gt;document.title=&#39;ran&#39;&lt;/script&gt;"), std::string::npos);
    EXPECT_EQ(source.find("<script"), std::string::npos);
    EXPECT_EQ(source.find("<img"), std::string::npos);
}

}  // namespace
}  // namespace trovana::test
