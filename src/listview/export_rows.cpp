// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export: the rows of the list shown (the selected ones, or all)
// written as CSV, JSON lines or an HTML report. The file is written under a
// temporary name beside the target and takes the target's name only when
// every row is written, so that a failed or cancelled export leaves no
// partial file and never spoils a file it would have replaced.
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include <wx/translation.h>

#include "export_header.h"
#include "export_writer.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/recovered_list.h"
#include "operations/export_target.h"
#include "write_file.h"

namespace trovana::listview {

namespace {

constexpr const char* kTitle = wxTRANSLATE("Export");
constexpr const char* kProgressTitle = wxTRANSLATE("Exporting...");
// An export of more rows than this shows the progress window.
constexpr size_t kLongExport = 2000;
// The text of the rows is passed to the file in pieces of about this size.
constexpr size_t kWriteChunk = 1 << 20;

// One row to write: its entry (null when the cache no longer has it) and,
// from the Recovered view, its record (where it lies, its state).
using RowSource = std::function<std::unique_ptr<urlcache::CacheEntryInfo>(
    size_t index, const urlcache::SurveyedRecord*& surveyed)>;

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
    std::unique_ptr<ProgressWindow> progress;
    if (rows.size() > kLongExport)
        progress = prompts.StartProgress(this, wxGetTranslation(kProgressTitle), static_cast<int>(rows.size()));
    size_t written = 0;
    size_t missing = 0;
    bool cancelled = false;
    try {
        WaitCursorScope cursor(Busy());
        const urlcache::UrlCache::LookupBatch batch(Cache());
        // Daily and weekly history in the zone the cache was written in.
        const TimeZone sourceZone = SourceZone();
        // Written under a temporary name; it takes the target's name only
        // when every byte reached the disk.
        fileio::ReplacingFile file(target.path);
        std::ostringstream out;
        const exporting::ExportHeader header = exporting::MakeExportHeader(Cache().Location(), sourceZone);
        auto writer = exporting::MakeExportWriter(target.format, out, exporting::CatalogueExportColumns(),
                                                  "Trovana export", &header);
        const auto pass = [&] {
            file.Write(out.view());
            out.str({});
        };
        const size_t step = std::max<size_t>(1, rows.size() / 100);
        for (size_t i = 0; i < rows.size(); ++i) {
            const urlcache::SurveyedRecord* surveyed = nullptr;
            const auto entry = source(static_cast<size_t>(rows[i]), surveyed);
            if (entry == nullptr) {
                ++missing;
            } else {
                writer->Write(exporting::CatalogueExportRow(*entry, surveyed, &sourceZone));
                ++written;
            }
            if (out.view().size() >= kWriteChunk)
                pass();
            const bool report = (i + 1) % step == 0 || i + 1 == rows.size();
            if (progress && report && !progress->Update(static_cast<int>(i + 1))) {
                cancelled = true;
                break;
            }
        }
        if (!cancelled) {
            writer->Finish();
            pass();
            file.Commit();
        }
    } catch (const std::filesystem::filesystem_error& error) {
        progress.reset();
        reason = error.code().message();
        sayFailed();
        return;
    }
    progress.reset();
    if (cancelled) {
        prompts.MessageBox(this, _("The export was cancelled. No file was written."), wxGetTranslation(kTitle),
                           wxOK | wxICON_INFORMATION);
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
