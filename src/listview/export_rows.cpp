// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export: the rows of the list shown (the selected ones, or all)
// written as CSV, JSON lines or an HTML report. The file is written under a
// temporary name beside the target and takes the target's name only when
// every row is written, so that a failed or cancelled export leaves no
// partial file and never spoils a file it would have replaced.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include <wx/translation.h>

#include "export_writer.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/recovered_list.h"
#include "operations/export_target.h"

namespace trovana::listview {

namespace {

constexpr const char* kTitle = wxTRANSLATE("Export");
constexpr const char* kProgressTitle = wxTRANSLATE("Exporting...");
// An export of more rows than this shows the progress window.
constexpr size_t kLongExport = 2000;

// One row to write: its entry (null when the cache no longer has it) and,
// from the Recovered view, its record (where it lies, its state).
using RowSource = std::function<std::unique_ptr<urlcache::CacheEntryInfo>(
    size_t index, const urlcache::SurveyedRecord*& surveyed)>;

// A new, empty file beside target, readable as a new file of the user is.
std::optional<std::filesystem::path> MakeTemporaryFile(const std::filesystem::path& target, std::string& reason)
{
    std::string name = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return std::filesystem::path(name);
}

}  // namespace

void CCacheListView::ExportRows()
{
    if (WaitForFirstScan([this] { ExportRows(); }))
        return;
    // The rows: the selected ones of the list shown, or all of them.
    std::vector<int> rows;
    RowSource source;
    if (m_bRecoveredShown) {
        rows = m_listRecovered->SelectedRows();
        if (rows.empty()) {
            for (size_t i = 0; i < m_listRecovered->Records().size(); ++i)
                rows.push_back(static_cast<int>(i));
        }
        source = [this](size_t row, const urlcache::SurveyedRecord*& surveyed) {
            surveyed = &m_listRecovered->Records()[row];
            return std::make_unique<urlcache::CacheEntryInfo>(surveyed->entry);
        };
    } else {
        CCacheList* list = GetActiveList();
        list->StoreSelection();
        const RowStore* store = &list->Rows();
        for (int row = store->NextSelected(); row != -1; row = store->NextSelected(row))
            rows.push_back(row);
        if (rows.empty()) {
            for (int row = 0; row < store->Count(); ++row)
                rows.push_back(row);
        }
        source = [this, store](size_t row, const urlcache::SurveyedRecord*& surveyed) {
            surveyed = nullptr;
            return Catalogue().LookupCacheEntry(store->Text(static_cast<int>(row), catalogue::kColumnUrl));
        };
    }
    Prompts& prompts = GetPrompts();
    if (rows.empty()) {
        prompts.MessageBox(this, _("The list is empty: there is nothing to export."), wxGetTranslation(kTitle),
                           wxOK | wxICON_INFORMATION);
        return;
    }
    const auto choice = prompts.ChooseSaveFile(this, wxGetTranslation(kTitle),
                                               wxGetTranslation(operations::kExportWildcard), "trovana-export.csv");
    if (!choice)
        return;
    const operations::ExportTarget target = operations::ResolveExportTarget(choice->path, choice->filter);
    if (target.renamed && std::filesystem::exists(target.path) &&
        prompts.MessageBox(
            this,
            wxString::Format(_("The file %s already exists. Replace it?"), wxString::FromUTF8(target.path.string())),
            wxGetTranslation(kTitle), wxYES_NO | wxICON_QUESTION) != wxID_YES)
        return;

    const wxString shownTarget = wxString::FromUTF8(target.path.string());
    std::string reason;
    const auto sayFailed = [&] {
        prompts.MessageBox(
            this,
            wxString::Format(_("The export to %s failed: %s."), shownTarget, wxString::FromUTF8(reason)) + "\n" +
                _("No file was written."),
            wxGetTranslation(kTitle), wxOK | wxICON_EXCLAMATION);
    };
    const auto temporary = MakeTemporaryFile(target.path, reason);
    if (!temporary) {
        sayFailed();
        return;
    }
    std::unique_ptr<ProgressWindow> progress;
    if (rows.size() > kLongExport)
        progress = prompts.StartProgress(this, wxGetTranslation(kProgressTitle), static_cast<int>(rows.size()));
    size_t written = 0;
    size_t missing = 0;
    bool cancelled = false;
    bool failed = false;
    {
        WaitCursorScope cursor(Busy());
        const urlcache::UrlCache::LookupBatch batch(Cache());
        std::ofstream out(*temporary, std::ios::binary | std::ios::trunc);
        // Daily and weekly history in the zone the cache was written in.
        const TimeZone sourceZone = exporting::DefaultSourceZone(Cache().Location());
        auto writer = exporting::MakeExportWriter(target.format, out, exporting::CatalogueExportColumns(),
                                                  "Trovana export");
        const size_t step = std::max<size_t>(1, rows.size() / 100);
        for (size_t i = 0; i < rows.size() && out; ++i) {
            const urlcache::SurveyedRecord* surveyed = nullptr;
            const auto entry = source(static_cast<size_t>(rows[i]), surveyed);
            if (entry == nullptr) {
                ++missing;
            } else {
                writer->Write(exporting::CatalogueExportRow(*entry, surveyed, &sourceZone));
                ++written;
            }
            const bool report = (i + 1) % step == 0 || i + 1 == rows.size();
            if (progress && report && !progress->Update(static_cast<int>(i + 1))) {
                cancelled = true;
                break;
            }
        }
        writer->Finish();
        out.close();
        failed = out.fail();
        if (failed)
            reason = std::strerror(errno);
    }
    progress.reset();
    std::error_code error;
    if (!cancelled && !failed) {
        std::filesystem::rename(*temporary, target.path, error);
        failed = static_cast<bool>(error);
        reason = error.message();
    }
    if (cancelled || failed)
        std::filesystem::remove(*temporary, error);
    if (cancelled) {
        prompts.MessageBox(this, _("The export was cancelled. No file was written."), wxGetTranslation(kTitle),
                           wxOK | wxICON_INFORMATION);
        return;
    }
    if (failed) {
        sayFailed();
        return;
    }
    wxString text = wxString::Format(wxPLURAL("%zu row exported to %s.", "%zu rows exported to %s.", written), written,
                                     shownTarget);
    if (missing > 0)
        text += "\n" +
                wxString::Format(wxPLURAL("%zu listed entry is no longer in the cache and left out.",
                                          "%zu listed entries are no longer in the cache and left out.", missing),
                                 missing);
    prompts.MessageBox(this, text, wxGetTranslation(kTitle), wxOK | wxICON_INFORMATION);
}

}  // namespace trovana::listview
