// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menu, button bar and status bar around a splitter whose
// panes are the site tree and the right-hand frame (lists above preview).
// It owns no cache data: it passes its commands, the site tree's selection
// and every key press to the list view.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <optional>

#include <wx/frame.h>

#include "app/help_window.h"
#include "app/open_image_dlg.h"
#include "listview/first_scan.h"
#include "listview/prompts.h"
#include "urlcache.h"

class wxFileHistory;
class wxMenu;
class wxSplitterWindow;

namespace trovana::listview {
class CCacheListView;
class CSiteTree;
}  // namespace trovana::listview

namespace trovana::app {

class CRightFrame;
struct NamedCache;

// Whether the file is a disk image to search for caches (by its bytes).
bool IsDiskImage(const std::filesystem::path& path);

// Whether View > Times in UTC was chosen (kept from one run to the next).
bool TimesInUtcChosen();

class CMainFrame : public wxFrame {
public:
    // Makes the hidden wait window; the frame's own window comes with
    // LoadFrame. The window asks the user through the wx dialogs.
    CMainFrame();
    ~CMainFrame() override;

    // What the window, its list view and its dialogs ask the user through.
    listview::Prompts& UserPrompts() const { return *m_pPrompts; }
    // Asks the user through `prompts` from now on (not owned: they must
    // outlive the window's use of them); null, through the wx dialogs again.
    void UsePrompts(listview::Prompts* prompts);

    // Makes the window with its panes, menu, bars, icon and title, then lets
    // the list view do its one-time set-up, which scans the cache. The
    // window stays hidden. False when the window could not be made. The
    // title names the cache when a name is given; a read-only location
    // leaves the deleting commands disabled. A scan of the same cache
    // started ahead, when given, is used for it.
    bool LoadFrame(urlcache::CacheLocation location, const wxString& name = {},
                   std::unique_ptr<listview::CFirstScan> scan = nullptr);

    // Shows the cache at a path the user named in place of the one shown,
    // read-only when asked or when it cannot be written; the cache shown
    // stays when the path holds none. True when the new cache is shown. A
    // name given (a game's, say) stands in the title for the path's own.
    bool OpenCachePath(const std::filesystem::path& path, bool readOnly, const wxString& name = {});
    // Shows this cache in place of the one shown and adds its path to the
    // recent caches.
    // `problemText` words the cache's problems (for an image's cache: the
    // paths inside the image).
    void ShowCache(NamedCache cache, std::function<std::string(const std::string&)> problemText = {});
    // No cache to show (`why` says so): the title says "no cache", the
    // window says why and how to open one, and nothing can be deleted.
    void ShowNoCache(const wxString& why);
    // Puts the path first in the recent caches and keeps the list, with the
    // name the title gave it (a game's name, say) and the read-only choice
    // for when it is reopened.
    void AddRecentCache(const std::filesystem::path& path, const wxString& name = {}, bool readOnly = false);
    // File > Open Cache...: the caches found on the machine, or a folder or
    // file the user browses to.
    void OnOpenCache();
    // File > Open Image...: a disk image chosen, then its caches.
    void OnOpenImage();
    // Searches the image for caches in its chooser and shows the cache or
    // caches the user picks, read-only. False when none was picked.
    bool OpenImage(const std::filesystem::path& image);
    // The image whose caches are shown, with what was picked in it; none
    // when the cache shown is no image's.
    const std::optional<ImageChoice>& OpenedImage() const { return m_openImage; }
    // The recent caches of the File menu, newest first.
    wxFileHistory& RecentCaches() { return *m_recentCaches; }

    CRightFrame* GetRightFrame() const;
    listview::CCacheListView* GetListView() const;
    wxSplitterWindow* GetSplitter() const { return m_wndSplitter; }

    // The site tree's selection has changed: the list view shows the
    // selected site's entries (none when nothing is selected).
    void OnSiteSelChanged();
    // A right click in the site tree: selects the item at the point (in the
    // tree's client coordinates) and answers true; false, changing nothing,
    // when no item is there.
    bool SelectSiteAt(const wxPoint& point);

    // Keeps the progress control exactly over status field 4.
    void PlaceProgress();

    // Command prompts in status field 0 while a menu item or button is
    // pointed at, "Ready" afterwards.
    void DoGiveHelp(const wxString& text, bool show) override;

    // Help > Contents: the help file's first topic in the help window.
    void OnHelpContents();
    // Help > Check Update: the product's web page in the default browser.
    void OnCheckUpdate();
    // File > Exit: the closing animation, then the close. The close box and
    // Alt+F4 close at once.
    void OnAppExit();

    // The site tree pane; null until the panes exist. Owned by the splitter.
    listview::CSiteTree* m_pTreeView = nullptr;
    // The pause between the closing animation's steps, in milliseconds;
    // tests record the pauses instead of waiting.
    std::function<void(int)> m_closingPause;

private:
    bool OnCreateClient();
    void CreateMenu();
    // File > Export and the View menu, added to the menu CreateMenu made.
    void AddExaminerMenus();
    // View > History Time Zone...: the zone chosen for the cache shown.
    void ChooseHistoryZone();
    // File > Open Cache... and the recent caches, read from the configuration.
    void AddCacheMenus();
    // File > Open Image..., put in the File menu at `position`.
    void AddImageMenu(wxMenu& file, size_t position);
    // The title names the cache; the deleting commands are disabled for a
    // read-only one.
    void ShowCacheState(const wxString& name, bool readOnly);
    void CreateButtonBar();
    void CreateStatusFields();
    void CreateProgress();
    void SetProgramIcon();
    void BindCommands();
    void OnTreeRightClick(wxMouseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void UpdateKeyIndicators();
    void MovePaneFocus(int step);
    void PlayClosingAnimation();

    // The wx dialogs, and the prompts in use: those or others given.
    std::unique_ptr<listview::Prompts> m_wxPrompts;
    listview::Prompts* m_pPrompts;
    // Help > Contents: the help file, read on the first request, and its window.
    CHelpViewer m_helpViewer;
    bool m_bProgressCreated = false;
    wxSplitterWindow* m_wndSplitter = nullptr;
    std::unique_ptr<wxFileHistory> m_recentCaches;
    // The title's name of each recent cache, by path.
    std::map<wxString, wxString> m_recentNames;
    // The recent caches opened read-only by choice, by path.
    std::set<wxString> m_recentReadOnly;
    std::optional<ImageChoice> m_openImage;
};

}  // namespace trovana::app
