// SPDX-License-Identifier: GPL-3.0-or-later
// The Copy command: the cached files of the selected rows into a folder
// that the user picks.
#include <memory>

#include <wx/msgdlg.h>
#include <wx/translation.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/cached_file.h"
#include "listview/prompts.h"
#include "listview/recovered_list.h"
#include "operations/copy_files.h"

namespace trovana::listview {

namespace {

constexpr const char* kProgressTitle = wxTRANSLATE("Copying Files...");
// A copy of more files or bytes than these shows the progress window.
constexpr size_t kLongCopyFiles = 20;
constexpr uintmax_t kLongCopyBytes = 8u << 20;

bool IsLongCopy(const std::vector<std::filesystem::path>& sources)
{
    if (sources.size() > kLongCopyFiles)
        return true;
    uintmax_t bytes = 0;
    for (const auto& source : sources) {
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(source, error);
        bytes += error ? 0 : size;
    }
    return bytes > kLongCopyBytes;
}

// One account of the whole copy: what was copied, what had no file, and
// each file that could not be copied with the reason.
wxString CopySummary(size_t copied, const std::filesystem::path& folder, int withoutFile, size_t kept,
                     const std::vector<wxString>& failures, bool cancelled)
{
    constexpr size_t kMaxFailureLines = 8;
    wxString text = wxString::Format(wxPLURAL("%zu file copied to %s.", "%zu files copied to %s.", copied), copied,
                                     wxString::FromUTF8(folder.string()));
    if (cancelled)
        text += "\n" + _("The copy was cancelled.");
    if (withoutFile > 0)
        text += "\n" + wxString::Format(wxPLURAL("%d selected item has no cached file.",
                                                 "%d selected items have no cached file.", withoutFile),
                                        withoutFile);
    if (kept > 0)
        text += "\n" + wxString::Format(wxPLURAL("%zu file already in the folder was left unreplaced.",
                                                 "%zu files already in the folder were left unreplaced.", kept),
                                        kept);
    if (!failures.empty()) {
        text += "\n" + wxString::Format(
                           wxPLURAL("%zu file could not be copied:", "%zu files could not be copied:", failures.size()),
                           failures.size());
        for (size_t i = 0; i < failures.size() && i < kMaxFailureLines; ++i)
            text += "\n" + failures[i];
        if (failures.size() > kMaxFailureLines)
            text += "\n" + wxString::Format(_("(and %zu more)"), failures.size() - kMaxFailureLines);
    }
    return text;
}

}  // namespace

void CCacheListView::CopySelected()
{
    if (WaitForFirstScan([this] { CopySelected(); }))
        return;
    std::vector<std::filesystem::path> sources;
    int withoutFile = 0;
    if (m_bRecoveredShown) {
        // A record's file is copied only when it is there, inside the cache.
        const std::vector<int> rows = m_listRecovered->SelectedRows();
        if (rows.empty()) {
            GetPrompts().MessageBox(this, _("No cache item is selected!"), "", wxOK);
            return;
        }
        for (int row : rows) {
            const std::string& file = m_listRecovered->Records()[static_cast<size_t>(row)].entry.localFileName;
            std::error_code error;
            if (!file.empty() && std::filesystem::is_regular_file(file, error) &&
                IsInsideCache(file, Cache().Location()))
                sources.emplace_back(file);
            else
                ++withoutFile;
        }
        if (sources.empty()) {
            GetPrompts().MessageBox(this,
                                    _("None of the selected records has its file in the cache: nothing is copied."),
                                    wxGetTranslation(kProgressTitle), wxOK | wxICON_INFORMATION);
            return;
        }
        CopyFiles(sources, withoutFile);
        return;
    }
    CCacheList* list = GetSelectionList();
    if (list == nullptr)
        return;
    const RowStore& rows = list->Rows();
    {
        WaitCursorScope cursor(Busy());
        const urlcache::UrlCache::LookupBatch batch(Cache());
        for (int row = rows.NextSelected(); row != -1; row = rows.NextSelected(row)) {
            const auto info = Catalogue().LookupCacheEntry(rows.Text(row, catalogue::kColumnUrl));
            if (info != nullptr && !info->localFileName.empty())
                sources.emplace_back(info->localFileName);
            else
                ++withoutFile;
        }
    }
    CopyFiles(sources, withoutFile);
}

void CCacheListView::CopyFiles(const std::vector<std::filesystem::path>& sources, int withoutFile)
{
    const auto folder = GetPrompts().ChooseFolder(this, _("Select destination folder"),
                                                  operations::ChooserStartFolder());
    if (!folder)
        return;
    Prompts& prompts = GetPrompts();
    operations::CopyDialogue dialogue;
    dialogue.askReplace = [&](const std::filesystem::path& target) {
        const wxString text = wxString::Format(_("The file %s already exists in %s. Replace it?"),
                                               wxString::FromUTF8(target.filename().string()),
                                               wxString::FromUTF8(target.parent_path().string()));
        return prompts.MessageBox(this, text, wxGetTranslation(kProgressTitle), wxYES_NO | wxICON_QUESTION) == wxID_YES;
    };
    dialogue.askSameForAll = [&] {
        return prompts.MessageBox(this, _("Give the same answer for every other file that already exists?"),
                                  wxGetTranslation(kProgressTitle), wxYES_NO | wxICON_QUESTION) == wxID_YES;
    };
    std::vector<wxString> failures;
    dialogue.reportFailure = [&](const std::filesystem::path& source, const std::string& reason) {
        failures.push_back(wxString::FromUTF8(source.filename().string()) + ": " + wxString::FromUTF8(reason));
    };
    size_t kept = 0;
    dialogue.keptExisting = [&kept](const std::filesystem::path&) { ++kept; };
    std::unique_ptr<ProgressWindow> progress;
    bool cancelled = false;
    if (IsLongCopy(sources))
        progress = prompts.StartProgress(this, wxGetTranslation(kProgressTitle), static_cast<int>(sources.size()));
    if (progress) {
        dialogue.progress = [&](size_t done) {
            cancelled = !progress->Update(static_cast<int>(done));
            return !cancelled;
        };
    }
    const size_t copied = sources.empty() ? 0 : operations::CopyFilesTo(sources, *folder, dialogue);
    progress.reset();
    prompts.MessageBox(this, CopySummary(copied, *folder, withoutFile, kept, failures, cancelled),
                       wxGetTranslation(kProgressTitle),
                       failures.empty() ? wxOK | wxICON_INFORMATION : wxOK | wxICON_EXCLAMATION);
}

}  // namespace trovana::listview
