// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open Cache...: the caches found on this computer, searched for
// while the dialog shows (with progress, and a Stop button), a path the user
// types or browses to, and the choice to open the cache read-only.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <vector>

#include <wx/dialog.h>

#include "discovery.h"
#include "listview/prompts.h"
#include "listview/window_worker.h"

class wxButton;
class wxCheckBox;
class wxGauge;
class wxListCtrl;
class wxListEvent;
class wxStaticText;
class wxTextCtrl;

namespace trovana::app {

inline constexpr int IDC_OPEN_CACHES = 1070;
inline constexpr int IDC_OPEN_PATH = 1071;
inline constexpr int IDC_OPEN_BROWSE = 1072;
inline constexpr int IDC_OPEN_READ_ONLY = 1073;
inline constexpr int IDC_OPEN_STOP = 1074;

class COpenCacheDlg : public wxDialog {
public:
    // The search starts at once, on a worker of its own. The dialog never
    // waits for it: Stop and Cancel answer at once, also while the search
    // is stuck in a file system that does not answer. It asks the user
    // through `prompts`.
    COpenCacheDlg(wxWindow* parent, listview::Prompts& prompts,
                  discovery::Environment environment = discovery::Environment::Current());
    ~COpenCacheDlg() override;

    // After OK: the path to open, the name of the cache picked from the list
    // (empty for a path typed or browsed to), and the read-only choice.
    std::filesystem::path ChosenPath() const;
    wxString ChosenName() const;
    bool IsReadOnly() const;

    // The caches listed so far; whether the search has ended.
    const std::vector<discovery::FoundCache>& Caches() const { return m_caches; }
    bool IsSearching() const { return m_searching; }

private:
    void MakeControls();
    void StartSearch(discovery::Environment environment);
    void ShowProgress(const discovery::Progress& progress);
    void ShowFound(discovery::Discovery found);
    void OnRowSelected(wxListEvent& event);
    void OnBrowse();
    void OnOpen();
    void StopSearch();

    listview::Prompts& m_prompts;
    wxListCtrl* m_list = nullptr;
    wxTextCtrl* m_path = nullptr;
    wxCheckBox* m_readOnly = nullptr;
    wxStaticText* m_status = nullptr;
    wxGauge* m_gauge = nullptr;
    wxButton* m_stop = nullptr;
    std::vector<discovery::FoundCache> m_caches;
    // The row picked last, while the path field still shows its path.
    long m_pickedRow = -1;
    bool m_searching = false;
    // Set by Stop: the search ends before its next folder and lists what it
    // found until then.
    std::shared_ptr<std::atomic<bool>> m_stopWanted = std::make_shared<std::atomic<bool>>(false);
    // Last, so that it stops before the members its posts use go. The
    // dialog never waits for its thread.
    listview::CWindowWorker m_worker;
};

// A path typed by the user: "~" and "~/..." expanded, a relative path taken
// from home.
std::filesystem::path ExpandUserPath(const std::string& typed, const std::filesystem::path& home);

}  // namespace trovana::app
