// SPDX-License-Identifier: GPL-3.0-or-later
// The form in the upper right pane: category tabs over three entry lists
// (every entry; the entries of a category or site; the search results), of
// which one is visible at a time. It holds the catalogue of the cache. Its
// operations on entries are short entries that choose what to work on and
// hand the work to the classes of src/entry_commands, which see the view as
// an EntryView.
#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <wx/imaglist.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/treebase.h>

class wxButton;

#include "busy_indicator.h"
#include "catalogue.h"
#include "classify.h"
#include "entry_commands/deletion.h"
#include "entry_commands/entry_view.h"
#include "entry_commands/gallery_command.h"
#include "export_row.h"
#include "listview/first_scan.h"
#include "listview/list_sorter.h"
#include "operations/export_file.h"
#include "operations/search_criteria.h"
#include "rowstore.h"
#include "urlcache.h"

namespace trovana::listview {

class CCacheList;
class CRecoveredList;
class CSiteTree;
class CTabStrip;
class CWebView;

// Control ids of the form.
inline constexpr int IDC_LIST_ALL = 1010;
inline constexpr int IDC_LIST_CATEGORY = 1011;
inline constexpr int IDC_LIST_SEARCH = 1012;
inline constexpr int IDC_TAB_CATEGORY = 1018;
// An id of its own, not the Delete command's (1019): the main window's
// handlers of that command would take the list's own events.
inline constexpr int IDC_LIST_RECOVERED = 1013;
// Commands of the lists' context menu.
inline constexpr int ID_LIST_PROPERTIES = 101;
inline constexpr int ID_LIST_COPY = 102;
inline constexpr int ID_LIST_DELETE = 103;
inline constexpr int ID_LIST_SEARCH = 105;

// The tabs made at start-up; the search results' tab comes with a search.
inline constexpr int kInitialTabCount = 7;

// Column widths for a list of the given client width: the columns share it
// as 400 : 120 : 80 : 80, less 6 pixels of slack; never below 0. The Access
// Time column is at least accessTimeWidth (so that its text is not cut), up
// to a third of the width, taken from the Url column.
std::array<int, ListRow::kColumnCount> ColumnWidths(int clientWidth, int accessTimeWidth = 0);

class CCacheListView : public wxPanel, private entry_commands::EntryView {
public:
    // Asks the user through `prompts`, which must outlive the view.
    CCacheListView(wxWindow* parent, wxWindowID id, entry_commands::Prompts& prompts);
    ~CCacheListView() override;

    // Asks the user through these prompts from now on; they must outlive the view.
    void UsePrompts(entry_commands::Prompts& prompts) { m_pPrompts = &prompts; }

    // The cache shown; an empty one until this is called, before the
    // initial update. The busy indicator must outlive the view. A scan of
    // the same cache started ahead, when given, stands for the initial
    // update's scan.
    void SetCache(urlcache::CacheLocation location, BusyIndicator& busy,
                  std::unique_ptr<CFirstScan> scan = nullptr);

    // The one-time set-up: pictures, tabs, columns, the first scan and the
    // site tree. A second call does nothing.
    void OnInitialUpdate();

    // Another cache in place of the one shown, once the view is set up: the
    // lists, the site tree and the Recovered view are filled from it, the
    // search results and the preview are cleared.
    void OpenCache(urlcache::CacheLocation location);

    // A read-only cache: the deleting commands do nothing and the Delete key
    // and the lists' menu offer no deletion.
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_bReadOnly; }
    // No cache at all: the status bar says why, the preview says why and
    // what to do, and nothing can be deleted until a cache is opened.
    void ShowNoCache(const wxString& why, const wxString& help);

    // One message naming the containers that could not be read, or only
    // read, when there are any; nothing otherwise.
    void ReportCacheProblems();

    // The list that shows entries for the current tab and tree selection.
    CCacheList* GetActiveList() const;

    // Lists the entries below a node of the site tree's model (of the
    // current tab's category) in the category list.
    void ListSiteEntries(const catalogue::CNode* node);
    // Empties the category list and its byte total.
    void ClearCategoryList();

    // Operations on entries, reached from the main window's commands, the
    // lists' context menu and the keyboard.
    // The Refresh command: scans the cache anew off the window's thread and
    // then rebuilds the lists and the tree; stopped, it keeps the rows shown.
    // (Not wxWindow::Refresh, which only redraws.)
    void RefreshCache();
    void CopySelected();
    void Search();
    // The three ways of choosing the entries of a deletion: the selected
    // rows, every entry (asked about when bAsk is true), the site selected
    // in the tree.
    void DeleteSelected();
    void DeleteAll(bool bAsk);
    void DeleteSite();
    void ShowCategory();
    void UpdateStatusSummary();
    void PreviewSelected();
    void OnProperties();
    // On the Images tab: the gallery of every listed picture in the preview.
    void MakeGallery();
    // Offered every key press of the main window first; true when the key
    // was one of the shortcuts (Ctrl+A, Ctrl+F, Delete, Ctrl+Page Down and
    // Ctrl+Page Up for the next and previous tab) and is used up.
    // keyCode is a wx key code (letters upper case).
    bool HandleListKey(int keyCode, bool bCtrlDown);
    // A column heading was clicked: sorts the active list by that column.
    void OnColumnclickList(int column);
    // True while long work (a deletion, a copy, an export, Refresh) runs
    // off the window's thread.
    bool IsWorking() const { return m_work.has_value(); }
    // Stops that work after the batch it is in.
    void CancelWork();
    // True while a command asks the user (a question, a chooser): the
    // status bar names the command meanwhile.
    bool IsAsking() const { return !m_strAsking.empty(); }

    // The Recovered view: every record of the cache with its state, in
    // place of the tabs and their lists, read-only. Leaving it shows the
    // tabs as they were.
    void ShowRecovered(bool show);
    bool IsRecoveredShown() const { return m_bRecoveredShown; }
    // The list shown now: the recovered list or the active entry list.
    wxWindow* GetShownList() const;

    // Times in UTC instead of local time in the lists and the Properties
    // dialog; the lists are read anew when they are already filled.
    void SetTimesUtc(bool utc);

    // File > Export: the rows of the list shown (or the selected ones, when
    // the user chooses so) to a file the user names.
    void ExportRows();
    // The zone a cache's daily and weekly history were recorded in, which
    // the export and the Properties dialog read their visit times in: the
    // main window sets the user's choice for each cache.
    using SourceZoneChooser = std::function<TimeZone(const urlcache::CacheLocation&)>;
    void SetSourceZoneChooser(SourceZoneChooser chooser) { m_sourceZoneOf = std::move(chooser); }
    TimeZone SourceZone() { return m_sourceZoneOf(Location()); }
    // Rows the Properties dialog adds to an entry's: where it comes from
    // (for a cache opened from a disk image, the image and the path inside
    // it); none when not set.
    using EntrySource = std::function<std::vector<std::pair<wxString, wxString>>(const urlcache::CacheEntryInfo&)>;
    void SetEntrySource(EntrySource source) { m_entrySource = std::move(source); }
    // How the cache's problems are worded for the user: for a cache copied
    // out of a disk image, with the paths inside the image; as they are
    // when not set.
    using ProblemText = std::function<std::string(const std::string&)>;
    void SetProblemText(ProblemText text) { m_problemText = std::move(text); }
    // Where the cache shown was found.
    const urlcache::CacheLocation& Location() const { return m_pCache->Location(); }

    // Preview of an entry in the pane below (URLs and paths are the
    // cache's bytes).
    void ShowPreview(const std::string& url);
    // The Properties dialog of the entry with this URL, or a message when
    // the cache no longer has it.
    void ShowProperties(const std::string& url);
    // The same for a row of a list: its own entry where several share its
    // URL (the cookies of one domain and path in a WebCache database).
    void ShowProperties(const ListRow& row);

    catalogue::CCatalogue& Catalogue() override { return *m_pCatalogue; }
    catalogue::CNode& RootNode() { return m_pCatalogue->RootNode(); }

    // Child controls, owned by the form.
    CCacheList* GetAllList() const { return m_listAll; }
    CCacheList* GetCategoryList() const { return m_listCategory; }
    CCacheList* GetSearchList() const { return m_listSearch; }
    CTabStrip* GetTabStrip() const { return m_tabCategory; }
    CRecoveredList* GetRecoveredList() const { return m_listRecovered; }
    // The status bar's description of a category's tab.
    const wxString& GetDescription(int category) const { return m_strDescription.at(category); }
    // What each column sorts by.
    const std::array<int, ListRow::kColumnCount>& GetColumnKinds() const { return m_nColumnKind; }
    // The direction of the last column sort, shared by every list and column.
    bool IsSortAscending() const { return m_bSortAscending; }
    // Byte totals of the category list and of the search results.
    int64_t GetListSize() const { return m_nListSize; }
    int64_t GetSearchSize() const { return m_nSearchSize; }
    bool IsGalleryShown() const { return m_bGalleryShown; }
    // True while the gallery's pictures are looked up: before it is shown,
    // and afterwards those of the rows it does not show.
    bool IsGalleryWorking() const { return m_galleryWorker.IsRunning(); }
    // True once OnInitialUpdate has run.
    bool IsInitialized() const { return m_bInitialized; }
    // The Search dialog's criteria, kept from one search to the next.
    operations::SearchCriteria& LastSearch() { return m_dlgSearch; }

    // Set by the frames when they make the panes; not owned.
    CSiteTree* m_pSiteTree = nullptr;
    CWebView* m_pWebView = nullptr;
    // The node selected in the site tree; null before the first selection
    // and while nothing is selected; the root node stands for every site.
    catalogue::CNode* m_pSelectedNode = nullptr;

private:
    SourceZoneChooser m_sourceZoneOf = exporting::DefaultSourceZone;
    EntrySource m_entrySource;
    ProblemText m_problemText;
    // The problems as the user reads them (m_problemText).
    std::vector<std::string> WordedProblems(std::vector<std::string> problems) const;
    // Not owned: the main window's.
    entry_commands::Prompts* m_pPrompts;
    // What the commands on entries see of the view.
    wxWindow* PromptParent() override { return this; }
    entry_commands::Prompts& UserPrompts() override { return *m_pPrompts; }
    BusyIndicator& Busy() override { return *m_pBusy; }
    urlcache::UrlCache& Cache() override { return *m_pCache; }
    std::vector<std::string> SelectedUrls() override;
    // Takes the rows of the URLs out of all three lists, and their sizes out
    // of the lists' totals.
    void RemoveRows(const std::vector<std::string>& urls) override;

    // The active list with its selection taken from the control; null, after
    // saying "No cache item is selected!", when no row is selected.
    CCacheList* GetSelectionList();
    // The rows File > Export writes: every row of the list shown, or the
    // selected ones when the user chooses so; none when the user cancels.
    std::optional<operations::ExportRows> GatherExportRows();
    // All `total` rows, or the selected ones when the user picks "Selected
    // rows only" (asked when some but not all are selected).
    std::optional<std::vector<int>> ChooseExportedRows(std::vector<int> selected, int total);
    // Site tree (filled from the catalogue's model): the "All" item for the
    // root; the items below are made as they are expanded.
    void FillSiteTree(catalogue::CNode& root);
    // Shows the entry of url, whose cached file is target, from the cache.
    void NavigatePreview(const std::string& target, const std::string& url);
    void ShowTextPreview(const std::string& name);
    // The text the preview shows for a name: a file's text when it lies
    // inside the open cache, else the name as a URL.
    std::string PreviewText(const std::string& name) const;
    void ShowBlankPreview();

    void OnSize(wxSizeEvent& event);
    void LayoutControls();
    void MakeImageLists();
    void SetUpList(CCacheList& list, int hitRateWidth);
    void SetUpSiteTree();
    void BindListEvents(CCacheList& list);
    void BindRecoveredEvents();
    void OnSelchangeTab();
    void OnClickList();
    void OnDblclkList();
    void OnRclickList();
    // True when the key was a shortcut and is used up.
    bool OnKeydownList(int keyCode, bool bCtrlDown);
    // Copies the rows of one category out of the All list.
    void CopyCategoryRows(int category);
    // While the Recovered view is shown: says that it is read-only and
    // answers true; false otherwise.
    bool RefuseWhileRecovered(const wxString& action);
    void SurveyRecords();
    void PreviewRecovered(long row);
    void ShowRecoveredProperties();
    // Whether the keyboard focus is in one of the three lists.
    bool HasListFocus() const;
    // Shows this cache and catalogue from now on.
    void InstallCatalogue(std::unique_ptr<urlcache::UrlCache> cache, std::unique_ptr<catalogue::CCatalogue> catalogue);
    // The first scan: the one started ahead when it used the zone shown,
    // else a scan now. The rows of a scan ahead are shown as they come; the
    // tree and the cache come at its end (FinishFirstScan).
    void FirstScan();
    void AppendScannedRows(std::vector<ListRow>&& rows, int64_t totalSize);
    // The All list drew rows of the first scan: it goes on.
    void OnFirstRowsPaint(wxPaintEvent& event);
    void FinishFirstScan(CFirstScan::Ending&& ending);
    // Forgets a first scan still running, and the actions waiting for it:
    // the cache it scans is being replaced.
    void DropPendingScan();
    // While the first scan runs: keeps the action to run once it has ended,
    // shows the wait window meanwhile, and answers true. False otherwise.
    bool WaitForFirstScan(std::function<void()> action);
    // The lists, the tree and the status after the catalogue was scanned.
    void ShowScannedCache();
    // Refresh on the window's thread, for a new cache or a new zone of times.
    void RescanNow();

    // Child controls, owned by the form.
    CCacheList* m_listSearch = nullptr;
    CCacheList* m_listCategory = nullptr;
    CTabStrip* m_tabCategory = nullptr;
    CCacheList* m_listAll = nullptr;
    CRecoveredList* m_listRecovered = nullptr;
    bool m_bGalleryShown = false;
    std::array<wxString, catalogue::kCategoryCount> m_strDescription;
    std::array<int, ListRow::kColumnCount> m_nColumnKind{};
    // Inverted on every column click before the sort. Starts ascending, so
    // the first click sorts descending.
    bool m_bSortAscending = true;
    bool m_bInitialized = false;
    operations::SearchCriteria m_dlgSearch;
    int64_t m_nListSize = 0;
    int64_t m_nSearchSize = 0;
    bool m_bRecoveredShown = false;
    bool m_bTimesUtc = false;
    bool m_bReadOnly = false;
    wxString m_strNoCache;  // why there is no cache, while there is none
    wxString m_strNoCacheHelp;
    std::unique_ptr<urlcache::UrlCache> m_pCache;
    std::unique_ptr<catalogue::CCatalogue> m_pCatalogue;
    std::unique_ptr<CFirstScan> m_scanAhead;
    // The scan ahead once the window is made; kept after its end.
    std::unique_ptr<CFirstScan> m_pendingScan;
    // What the user asked for while the first scan ran.
    std::vector<std::function<void()>> m_afterScan;
    bool m_bProblemsWanted = false;  // ReportCacheProblems came before the scan ended
    // Previews the selected row once a run of selection changes has ended.
    wxTimer m_previewTimer{this};
    BusyIndicator m_noBusyIndicator;
    // The wait cursor and progress of the cache given to SetCache.
    BusyIndicator* m_pBusy = &m_noBusyIndicator;
    RowStore m_rowsCategory;
    RowStore m_rowsSearch;
    // The site tree's pictures belong to the tree control, which may be
    // destroyed before or after this view.
    wxImageList m_imlTabs;
    wxImageList m_imlSmall;

    // The Images tab's gallery (cache_list_view_gallery.cpp): shown when its
    // pages are written; forgotten with the rows it was made of.
    void ShowGallery(const entry_commands::Gallery& gallery, const std::string& lastUrl);
    void ForgetGallery();
    entry_commands::PictureMemo m_pictureMemo;
    // The pictures the gallery shows now.
    std::vector<std::string> m_galleryPictures;
    // After what its posts use, so that it stops first.
    CWindowWorker m_galleryWorker;

    // Long work off the window's thread (cache_list_view_work.cpp): the
    // status bar says how many are done of how many, Cancel (the status
    // bar's button, or Escape) stops it between two batches, and commands
    // that would change the cache or the lists meanwhile wait for its end.
    struct WorkCounts {
        // Formats of the count done and the count to do: "Deleting: %zu of
        // %zu cache entries done", and the same once Cancel was pressed.
        wxString running;
        wxString stopping;
        size_t done = 0;
        size_t count = 0;
    };
    // The work hears of Cancel, and of the window closing, through `cancel`.
    using LongWork = std::function<void(const CWindowWorker::Channel& channel, const std::stop_token& cancel)>;
    // Starts the work; it ends by posting a call of EndWork. When it throws,
    // endOnFailure (else EndWork) ends it on the window's thread before the
    // failure reaches the event loop.
    void StartWork(WorkCounts counts, LongWork work, std::function<void()> endOnFailure = {});
    // New counts, from the work's posts; new texts too when given.
    void CountWork(size_t done, size_t count, const WorkCounts* texts = nullptr);
    // Ends the work: the Cancel button goes and the summary comes back; then
    // `tell` (what the work did, to the lists and the user), then the
    // actions that waited for the work.
    void EndWork(const std::function<void()>& tell = {});
    // While work runs: keeps the action to run once it has ended and
    // answers true. False otherwise.
    bool WaitForWork(std::function<void()> action);
    void ShowWorkProgress();
    // The status bar's text while work runs: how many are done of how many.
    wxString WorkProgressText() const;
    void ShowCancelButton(bool show);
    void PlaceCancelButton();
    // While a command asks its questions: the status bar names the command
    // (its prompt text, as for its menu item), not "Ready"; afterwards the
    // summary, or the progress of the work the command started.
    class CommandPrompt {
    public:
        CommandPrompt(CCacheListView& view, const char* prompt);
        ~CommandPrompt();
        CommandPrompt(const CommandPrompt&) = delete;
        CommandPrompt& operator=(const CommandPrompt&) = delete;

    private:
        CCacheListView& m_view;
        wxString m_strOuter;  // the prompt of a command that this one is part of
    };
    wxString m_strAsking;  // the prompt of the command asking now
    std::optional<WorkCounts> m_work;
    std::shared_ptr<std::stop_source> m_pStopWork;
    std::vector<std::function<void()>> m_afterWork;
    // On the status bar while work runs; owned by the status bar.
    wxButton* m_btnCancel = nullptr;

    // Deletions. Each batch's outcome goes to the BatchTaker as it ends,
    // then the WorkEnder hears whether the user stopped it.
    using BatchTaker = std::function<void(const entry_commands::DeletionOutcome&)>;
    using WorkEnder = std::function<void(bool stopped)>;
    void RunDeletion(entry_commands::DeletionChoice choice, BatchTaker takeBatch, WorkEnder end);
    void EndDeletion(const WorkEnder& end);
    std::unique_ptr<entry_commands::Deletion> m_pDeletion;
    // On the Images tab, the gallery loses the pictures of the rows that
    // went, from what it knows, without looking anything up.
    void FollowGallery();
    // The scan of Refresh; the rows shown stay until it has ended.
    void EndRefresh(CFirstScan::Ending&& ending, bool stopped);
    // Copy and Export (cache_list_view_output.cpp).
    // Copies into folder the files of the entries of urls, looked up first,
    // or the files given.
    void CopyOff(std::vector<std::string> urls, std::vector<std::filesystem::path> files, int withoutFile,
                 const std::filesystem::path& folder);

    // Last, so that it stops before what its posts use goes.
    CWindowWorker m_worker;
};

}  // namespace trovana::listview
