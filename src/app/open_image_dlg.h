// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open Image...: the caches of a disk image, listed as the image is
// searched (on a worker of its own, with the volume and the part being read
// and a Stop button), each with its volume, snapshot, user, profile, kind,
// containers, entries and whether it was deleted; the problems of the image
// named once. The user opens one cache, or every cache of one volume or
// snapshot at once.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include "disk_image.h"
#include "listview/prompts.h"
#include "listview/window_worker.h"

class wxButton;
class wxGauge;
class wxListCtrl;
class wxStaticText;
class wxTextCtrl;

namespace trovana::app {

inline constexpr int IDC_IMAGE_CACHES = 1090;
inline constexpr int IDC_IMAGE_STOP = 1091;
inline constexpr int IDC_IMAGE_OPEN_ALL = 1092;
inline constexpr int IDC_IMAGE_PROBLEMS = 1093;

// A cache found in the image, with its volume as the list names it and the
// location of its copied files.
struct ImageCacheRow {
    image::ImageCache cache;
    std::string volume;    // "partition 1 (MBR, offset 1048576)"
    std::string snapshot;  // "live" or "VSS 1 (2013-12-03T06:35:09Z)"
    image::ImageVolume imageVolume;
    urlcache::CacheLocation location;
};

// What the user chose to open: one cache, or the caches of one volume or
// snapshot, with what the image records of itself.
struct ImageChoice {
    std::filesystem::path image;
    std::string format;
    std::vector<image::StoredHash> storedHashes;
    std::vector<ImageCacheRow> caches;
    // What could not be copied of their cached files, one sentence each.
    std::vector<std::string> problems;
};

class COpenImageDlg : public wxDialog {
public:
    // The search of `image` starts at once; the caches found are copied into
    // `workFolder`. Stop and Cancel answer at once, also while the image's
    // reads are stuck.
    COpenImageDlg(wxWindow* parent, listview::Prompts& prompts, std::filesystem::path image,
                  std::filesystem::path workFolder);
    ~COpenImageDlg() override;

    // After OK: the cache or caches chosen.
    const ImageChoice& Choice() const { return m_choice; }

    // The rows listed so far, the problems named, whether the search runs,
    // and whether the chosen caches' files are being copied.
    const std::vector<ImageCacheRow>& Rows() const { return m_rows; }
    const std::vector<std::string>& Problems() const { return m_problems; }
    bool IsSearching() const { return m_searching; }
    bool IsCopying() const { return m_copying; }

private:
    struct ImageFacts {
        std::string format;
        std::vector<image::StoredHash> storedHashes;
    };

    void MakeControls();
    void StartSearch(std::filesystem::path workFolder);
    void ShowFacts(const ImageFacts& facts);
    void ShowProgress(const image::ScanProgress& progress);
    void AddRow(const ImageCacheRow& row);
    void AddProblem(const std::string& problem);
    void ShowEnd(bool complete);
    void StopSearch();
    long SelectedRow() const;
    void Open(bool wholeVolume);
    // Copies the chosen caches' cached files out of the image, then ends
    // the dialog with OK.
    void CopyCachedFiles();
    void ShowCopying(const std::string& path);

    listview::Prompts& m_prompts;
    wxListCtrl* m_list = nullptr;
    wxStaticText* m_status = nullptr;
    wxGauge* m_gauge = nullptr;
    wxButton* m_stop = nullptr;
    wxTextCtrl* m_problemText = nullptr;
    std::vector<ImageCacheRow> m_rows;
    std::vector<std::string> m_problems;
    std::set<std::string> m_problemsSaid;
    ImageChoice m_choice;
    bool m_searching = false;
    bool m_copying = false;
    std::shared_ptr<std::atomic<bool>> m_stopWanted = std::make_shared<std::atomic<bool>>(false);
    // Last, so that it stops before the members its posts use go.
    listview::CWindowWorker m_worker;
};

// The text of the Deleted column: empty for a live file.
wxString DeletedText(const image::ImageCache& cache);

}  // namespace trovana::app
