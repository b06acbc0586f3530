// SPDX-License-Identifier: GPL-3.0-or-later
// Long work while the window answers, driven through the X server: Delete
// All, Copy, Export and Refresh on a cache of a few thousand entries say how
// many are done of how many, and Cancel (the status bar's button, or Escape)
// stops them between two batches with nothing lost; the Images tab lists its
// rows at once and the gallery comes after, and loses the pictures of each
// batch of a deletion. While the test holds the containers' locks the work
// waits at its first access to the cache, whatever the speed of the
// machine, so that what the window shows meanwhile can be checked. No row
// is previewed meanwhile: the preview reads the cache on the window's thread.
// What the cache holds afterwards is read by libyal's msiecfexport.
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "app/resource.h"
#include "csv_reader.h"
#include "folder_lock.h"
#include "listview/cache_address.h"
#include "listview/cache_list.h"
#include "listview/tab_strip.h"
#include "listview/window_worker.h"
#include "msiecf_records.h"
#include "window_fixture.h"
#include "work_folder.h"
#include "x_input.h"

namespace trovana::test {
namespace {

namespace fs = std::filesystem;

constexpr int kMoreEntries = 3000;

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The URL records of the containers as msiecfexport reads them: each URL
// with the path of its cached file (empty when it has none).
std::map<std::string, fs::path> MsiecfEntries(const urlcache::CacheLocation& location)
{
    std::map<std::string, fs::path> entries;
    for (const MsiecfRecord& record : MsiecfRecords(location)) {
        const auto field = [&](const char* name) {
            const auto it = record.fields.find(name);
            return it == record.fields.end() ? std::string() : it->second;
        };
        if (field("Record type") != "URL")
            continue;
        // "0 (0x00)(ENG3X4ZR)": the folder's name in the last brackets;
        // "254 (0xfe)": the file lies beside the index.
        const std::string index = field("Cache directory index");
        const size_t open = index.rfind('(');
        std::string folder = open == std::string::npos ? "" : index.substr(open + 1, index.size() - open - 2);
        if (folder.starts_with("0x"))
            folder.clear();
        const std::string file = field("Filename");
        entries[field("Location")] = file.empty() ? fs::path() : record.container.folder / folder / file;
    }
    return entries;
}

std::set<std::string> UrlsOf(const RowStore& rows)
{
    std::set<std::string> urls;
    for (int row = 0; row < rows.Count(); ++row)
        urls.insert(rows.Text(row, catalogue::kColumnUrl));
    return urls;
}

std::set<std::string> KeysOf(const std::map<std::string, fs::path>& entries)
{
    std::set<std::string> keys;
    for (const auto& [key, value] : entries)
        keys.insert(key);
    return keys;
}

class LongWorkTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        std::vector<urlcache::NewCacheEntry> more;
        for (int i = 0; i < kMoreEntries; ++i)
            more.push_back(Entry("http://host" + std::to_string(i % 50) + ".example/p" + std::to_string(i) +
                                     (i % 3 == 0 ? ".png" : ".htm"),
                                 10, i % 3 == 0 ? "image/png" : "text/html"));
        m_cache.Add(more);
        StartWindow();
    }
    // Every container locked as for a change by another program.
    void LockCache()
    {
        for (const auto& container : m_cache.Location().containers)
            m_locks.emplace_back(container.folder, urlcache::FolderLock::Mode::Exclusive);
    }
    void UnlockCache() { m_locks.clear(); }
    // The button bar's Refresh, its first button, clicked in its middle.
    void ClickRefresh()
    {
        wxToolBar& bar = *m_pFrame->GetToolBar();
        ASSERT_EQ(bar.GetToolByPos(0)->GetId(), app::ID_CACHE_REFRESH);
        const wxSize button = bar.GetToolByPos(0)->GetNormalBitmap().GetSize();
        // Never where the pointer is already: xdotool would wait for it to move.
        m_nudge = 6 - m_nudge;
        m_input.Click(bar, wxPoint(button.x / 2 + m_nudge, bar.GetClientSize().y / 2));
    }
    wxString StatusText() { return m_pFrame->GetStatusBar()->GetStatusText(0); }
    void WaitForStatus(const wxString& text)
    {
        ASSERT_TRUE(WaitUntil([&] { return StatusText() == text; })) << StatusText() << " is not " << text;
    }
    // Escape, then the work stops between two batches.
    void PressEscape()
    {
        m_input.Keys("Escape");
        EXPECT_TRUE(WaitUntil([&] { return StatusText().StartsWith("Stopping: "); })) << StatusText();
    }
    // The status bar's text at each question or chooser, by its text or
    // title; at a question, after the frame has heard that the pointer left
    // the menu or button, as it does when the box opens over it.
    void NoteStatusAtQuestions()
    {
        m_prompts.m_onAsk = [this](const std::string& asked) {
            if (asked.ends_with('?'))
                m_pFrame->DoGiveHelp(wxString(), false);
            m_statusAt[asked] = StatusText();
        };
    }
    // Nothing lost, nothing left behind: the cache as msiecfexport reads it
    // holds exactly the entries the All list shows.
    void ExpectListedAsCached()
    {
        EXPECT_EQ(UrlsOf(View().GetAllList()->Rows()), KeysOf(MsiecfEntries(m_cache.Location())));
    }
    // Delete All from the Edit menu, the question answered Yes; the
    // deletion then waits for the locks.
    void StartDeleteAll(size_t count)
    {
        LockCache();
        m_prompts.m_answers = {wxID_YES};
        m_input.Keys("alt+e a");
        const wxString counts = wxString::Format("Deleting: 0 of %zu cache entries done", count);
        ASSERT_TRUE(WaitUntil([&] { return StatusText() == counts; })) << StatusText();
        EXPECT_EQ(m_prompts.m_asked.back().text, "Delete All Cache Items?");
    }
    // Lets the deletion go on after it was stopped and waits for its end:
    // the batch it was in is done, no other.
    void FinishStopped(size_t before)
    {
        EXPECT_TRUE(WaitUntil([&] { return StatusText().StartsWith("Stopping: 0 of "); })) << StatusText();
        UnlockCache();
        FinishWork();
        const size_t left = m_cache.EnumeratedUrls().size();
        EXPECT_LT(left, before) << "the batch under way is done";
        EXPECT_GT(left, 0u) << "the batches after it are not";
        EXPECT_EQ(static_cast<size_t>(View().GetAllList()->GetItemCount()), left) << "the list shows what stays";
        EXPECT_EQ(m_prompts.m_asked.back().text,
                  wxString::Format("Deleting was stopped: %zu of %zu entries were deleted; the %zu not reached "
                                   "are still in the cache.",
                                   before - left, before, left)
                      .utf8_string())
            << "the summary says how many went and how many stay";
        EXPECT_TRUE(StatusText().Contains(" Items, ")) << "the summary is back: " << StatusText();
        EXPECT_EQ(m_pFrame->GetStatusBar()->FindWindow(wxID_CANCEL), nullptr);
        ExpectListedAsCached();
    }

    std::list<urlcache::FolderLock> m_locks;
    XInput m_input;
    std::map<std::string, wxString> m_statusAt;
    int m_nudge = 0;
};

TEST_F(LongWorkTest, DeleteAllCountsItsProgressAndCancelOrEscapeStopsIt)
{
    const size_t before = m_cache.EnumeratedUrls().size();
    NoteStatusAtQuestions();
    StartDeleteAll(before);
    EXPECT_EQ(m_statusAt["Delete All Cache Items?"], "Delete all cache items") << "not Ready while it asks";
    EXPECT_FALSE(StatusText().Contains("Ready"));
    // No second long action meanwhile: Copy is greyed out in the menu.
    m_input.Keys("ctrl+a");
    m_input.Keys("alt+e c");
    m_input.Keys("Escape");  // closes the menu, which stays open
    EXPECT_TRUE(StatusText().StartsWith("Deleting: 0 of ")) << StatusText();
    // The window answers meanwhile: another tab lists its rows.
    m_input.Keys("ctrl+Next");
    EXPECT_TRUE(WaitUntil([&] { return View().GetTabStrip()->GetCurSel() == catalogue::kCategoryDocuments; }));
    // The Cancel button in the status bar.
    auto* cancel = m_pFrame->GetStatusBar()->FindWindow(wxID_CANCEL);
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return cancel->IsShownOnScreen(); }));
    m_input.Click(*cancel, wxPoint(cancel->GetSize().x / 2, cancel->GetSize().y / 2));
    FinishStopped(before);
    EXPECT_TRUE(m_prompts.m_folderTitle.empty()) << "Copy did not start, then or afterwards";

    // Escape stops it too.
    const size_t second = m_cache.EnumeratedUrls().size();
    StartDeleteAll(second);
    m_input.Keys("Escape");
    FinishStopped(second);
}

TEST_F(LongWorkTest, TheImagesTabListsItsRowsAtOnceAndTheGalleryFollows)
{
    LockCache();
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const wxRect images = tabs.GetItemRect(catalogue::kCategoryImages);
    m_input.Click(tabs, images.GetPosition() + wxPoint(5, images.height / 2));
    const int pictures = kMoreEntries / 3 + 2;
    ASSERT_TRUE(WaitUntil([&] { return View().GetActiveList()->GetItemCount() == pictures; }))
        << View().GetActiveList()->GetItemCount();
    EXPECT_TRUE(View().GetActiveList()->IsShownOnScreen());
    EXPECT_FALSE(View().IsGalleryShown()) << "the entries are looked up after the list is shown";
    EXPECT_NE(StatusText().Find(wxString::Format("Image files (%d Items", pictures)), wxNOT_FOUND) << StatusText();
    UnlockCache();
    EXPECT_TRUE(WaitUntil([&] { return View().IsGalleryShown(); }, 30000));
}

TEST_F(LongWorkTest, CopyCountsItsFilesAndCancelKeepsTheFilesCopiedSoFar)
{
    const std::map<std::string, fs::path> cached = MsiecfEntries(m_cache.Location());
    // The files in the order of the rows, which is the copy's order.
    const RowStore& rows = View().GetAllList()->Rows();
    std::vector<fs::path> files;
    for (int row = 0; row < rows.Count(); ++row) {
        const auto found = cached.find(rows.Text(row, catalogue::kColumnUrl));
        ASSERT_NE(found, cached.end()) << rows.Text(row, catalogue::kColumnUrl);
        if (!found->second.empty())
            files.push_back(found->second);
    }
    ASSERT_GT(files.size(), 200u);
    // The 101st file is already in the folder: the copy asks about it, and
    // the user presses Escape meanwhile and keeps the file.
    const fs::path out = fs::temp_directory_path() / ("trovana-copy-" + std::to_string(::getpid()));
    fs::remove_all(out);
    fs::create_directories(out);
    const size_t asked = 100;
    std::ofstream(out / files[asked].filename()) << "mine";
    m_prompts.m_folder = out;
    m_prompts.m_answers = {wxID_NO, wxID_NO};
    wxString atQuestion;
    m_prompts.m_onAsk = [&](const std::string& text) {
        m_statusAt[text] = StatusText();
        if (text.find("Replace it?") == std::string::npos)
            return;
        atQuestion = StatusText();
        PressEscape();
    };
    m_input.Keys("ctrl+a");
    m_input.Keys("alt+e c");
    FinishWork();
    EXPECT_EQ(m_statusAt["Select destination folder"], "Copy selected items to a local folder");
    EXPECT_EQ(atQuestion.BeforeFirst(':'), "Copying") << atQuestion;
    EXPECT_TRUE(atQuestion.EndsWith(wxString::Format(" of %zu files done", files.size()))) << atQuestion;

    std::set<std::string> copied;
    for (const auto& file : fs::directory_iterator(out))
        copied.insert(file.path().filename().string());
    std::set<std::string> expected;
    for (size_t i = 0; i <= asked; ++i)
        expected.insert(files[i].filename().string());
    EXPECT_EQ(copied, expected) << "the files before the question, and the one kept; none after";
    for (size_t i = 0; i < asked; ++i)
        EXPECT_EQ(ReadBytes(out / files[i].filename()), ReadBytes(files[i])) << files[i];
    EXPECT_EQ(ReadBytes(out / files[asked].filename()), "mine");
    ASSERT_FALSE(m_prompts.m_asked.empty());
    const std::string& summary = m_prompts.m_asked.back().text;
    EXPECT_EQ(summary.rfind("100 files copied to " + out.string() + ".\nThe copy was cancelled.", 0), 0u) << summary;
    EXPECT_NE(summary.find("1 file already in the folder was left unreplaced."), std::string::npos) << summary;
    fs::remove_all(out);
}

TEST_F(LongWorkTest, ExportCountsItsRowsAndCancelLeavesNoFile)
{
    const fs::path out = fs::temp_directory_path() / ("trovana-export-" + std::to_string(::getpid()));
    fs::remove_all(out);
    fs::create_directories(out);
    const size_t rows = static_cast<size_t>(View().GetAllList()->GetItemCount());
    NoteStatusAtQuestions();
    m_prompts.m_save = listview::SaveChoice{out / "long.csv", 0};
    LockCache();
    m_input.Keys("alt+f e");
    WaitForStatus(wxString::Format("Exporting: 0 of %zu rows done", rows));
    EXPECT_EQ(m_statusAt["Export"], "Write the selected items, or the whole list, to a file");
    PressEscape();
    UnlockCache();
    FinishWork();
    ASSERT_FALSE(m_prompts.m_asked.empty());
    EXPECT_EQ(m_prompts.m_asked.back().text, "The export was cancelled. No file was written.");
    EXPECT_TRUE(fs::is_empty(out)) << "no file, not even the temporary one";

    m_input.Keys("alt+f e");
    FinishWork();
    ASSERT_FALSE(m_prompts.m_asked.empty());
    EXPECT_EQ(m_prompts.m_asked.back().text,
              std::to_string(rows) + " rows exported to " + (out / "long.csv").string() + ".");
    // The header's records (tool, time, zone, code page, three containers)
    // and the column names, then a record a row: the URLs the cache holds.
    const auto records = cli::test::ParseCsv(ReadBytes(out / "long.csv").substr(3));
    ASSERT_GE(records.size(), 8u);
    std::set<std::string> exported;
    for (size_t i = 8; i < records.size(); ++i)
        if (!records[i].empty() && !records[i][0].empty())
            exported.insert(records[i][0]);
    EXPECT_EQ(exported, KeysOf(MsiecfEntries(m_cache.Location())));
    fs::remove_all(out);
}

TEST_F(LongWorkTest, RefreshCountsWhatItReadsAndCancelKeepsTheRows)
{
    const size_t listed = static_cast<size_t>(View().GetAllList()->GetItemCount());
    const std::set<std::string> before = UrlsOf(View().GetAllList()->Rows());
    m_cache.Add({Entry("http://new.example/a.htm", 10), Entry("http://new.example/b.png", 10, "image/png")});
    LockCache();
    ClickRefresh();
    WaitForStatus(wxString::Format("Refreshing: 0 cache entries read, %zu listed before", listed));
    PressEscape();
    UnlockCache();
    FinishWork();
    EXPECT_EQ(UrlsOf(View().GetAllList()->Rows()), before) << "the rows shown stay";
    EXPECT_FALSE(View().IsWorking());

    ClickRefresh();
    FinishWork();
    ExpectListedAsCached();
    EXPECT_EQ(static_cast<size_t>(View().GetAllList()->GetItemCount()), listed + 2);
}

TEST_F(LongWorkTest, TheGalleryLosesThePicturesOfEachBatchOfADeletion)
{
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const wxRect images = tabs.GetItemRect(catalogue::kCategoryImages);
    m_input.Click(tabs, images.GetPosition() + wxPoint(5, images.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return View().IsGalleryShown(); }, 30000));
    FinishWork();
    const size_t pictures = static_cast<size_t>(View().GetActiveList()->GetItemCount());
    // Each new page of pictures is a new left.htm in the working folder.
    const fs::path folder = WorkingFolder();
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO), 0);
    // The first few hundred rows, selected with the keyboard: the page
    // loses their pictures as their batches end, and those of the rows
    // below take their places.
    wxListCtrl& list = *View().GetActiveList();
    wxRect first;
    ASSERT_TRUE(list.GetItemRect(0, first));
    m_input.Click(list, first.GetPosition() + wxPoint(20, first.height / 2));
    std::string pageDowns;
    for (int i = 0; i < 12; ++i)
        pageDowns += " shift+Next";
    m_input.Keys(pageDowns.substr(1));
    const size_t selected = static_cast<size_t>(list.GetSelectedItemCount());
    ASSERT_GT(selected, 100u);
    std::vector<std::string> deleted;
    for (size_t row = 0; row < selected; ++row)
        deleted.push_back(list.GetItemText(static_cast<long>(row)).utf8_string());
    m_prompts.m_answers = {wxID_YES};
    m_input.Keys("Delete");
    FinishWork();
    size_t pages = 0;
    alignas(inotify_event) char events[1 << 16];
    for (ssize_t got; (got = read(watch, events, sizeof events)) > 0;) {
        for (char* at = events; at < events + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            pages += event->len > 0 && std::string(event->name) == "left.htm";
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_GE(pages, 3u) << "a page for the batches as they end, not one at the end only";
    EXPECT_EQ(static_cast<size_t>(list.GetItemCount()), pictures - selected);
    const std::string page = ReadBytes(folder / "left.htm");
    for (const std::string& url : deleted)
        EXPECT_EQ(page.find("src=\"" + listview::CacheAddress(url) + "\""), std::string::npos) << url;
    EXPECT_NE(page.find("src=\"" + listview::CacheAddress(list.GetItemText(0).utf8_string()) + "\""),
              std::string::npos);
    ExpectListedAsCached();
}

TEST_F(LongWorkTest, ClosingTheWindowStopsTheWorkWithNothingLost)
{
    const size_t before = m_cache.EnumeratedUrls().size();
    StartDeleteAll(before);
    // The window goes while the work waits for the cache; then the work
    // may end the batch it is in, and no other.
    delete m_pFrame;
    m_pFrame = nullptr;
    ProcessEvents();
    UnlockCache();
    listview::CWindowWorker::WaitForAll(std::chrono::seconds(30));
    const size_t left = MsiecfEntries(m_cache.Location()).size();
    EXPECT_TRUE(left == before || left + entry_commands::DeletionBatchSize(before) == before)
        << left << " of " << before << " left";
}

}  // namespace
}  // namespace trovana::test
