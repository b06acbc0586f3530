// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/copy_command.h"

#include <memory>

#include <wx/defs.h>
#include <wx/translation.h>

#include "operations/cached_file.h"
#include "operations/copy_files.h"

namespace trovana::entry_commands {

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

void CopyCommand::CopyEntries()
{
    std::vector<std::filesystem::path> sources;
    int withoutFile = 0;
    {
        WaitCursorScope cursor(m_view.Busy());
        const urlcache::UrlCache::LookupBatch batch(m_view.Cache());
        for (const std::string& url : m_view.SelectedUrls()) {
            const auto info = m_view.Catalogue().LookupCacheEntry(url);
            if (info != nullptr && !info->localFileName.empty())
                sources.emplace_back(info->localFileName);
            else
                ++withoutFile;
        }
    }
    CopyFiles(sources, withoutFile);
}

void CopyCommand::CopyRecordFiles(const std::vector<std::string>& files)
{
    std::vector<std::filesystem::path> sources;
    int withoutFile = 0;
    for (const std::string& file : files) {
        std::error_code error;
        if (!file.empty() && std::filesystem::is_regular_file(file, error) &&
            operations::IsInsideCache(file, m_view.Cache().Location()))
            sources.emplace_back(file);
        else
            ++withoutFile;
    }
    if (sources.empty()) {
        m_view.UserPrompts().MessageBox(m_view.PromptParent(),
                                        _("None of the selected records has its file in the cache: nothing is copied."),
                                        wxGetTranslation(kProgressTitle), wxOK | wxICON_INFORMATION);
        return;
    }
    CopyFiles(sources, withoutFile);
}

void CopyCommand::CopyFiles(const std::vector<std::filesystem::path>& sources, int withoutFile)
{
    Prompts& prompts = m_view.UserPrompts();
    wxWindow* parent = m_view.PromptParent();
    const auto folder = prompts.ChooseFolder(parent, _("Select destination folder"), operations::ChooserStartFolder());
    if (!folder)
        return;
    operations::CopyDialogue dialogue;
    dialogue.askReplace = [&](const std::filesystem::path& target) {
        const wxString text = wxString::Format(_("The file %s already exists in %s. Replace it?"),
                                               wxString::FromUTF8(target.filename().string()),
                                               wxString::FromUTF8(target.parent_path().string()));
        return prompts.AskYes(parent, text, wxGetTranslation(kProgressTitle));
    };
    dialogue.askSameForAll = [&] {
        return prompts.AskYes(parent, _("Give the same answer for every other file that already exists?"),
                              wxGetTranslation(kProgressTitle));
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
        progress = prompts.StartProgress(parent, wxGetTranslation(kProgressTitle), static_cast<int>(sources.size()));
    if (progress) {
        dialogue.progress = [&](size_t done) {
            cancelled = !progress->Update(static_cast<int>(done));
            return !cancelled;
        };
    }
    const size_t copied = sources.empty() ? 0 : operations::CopyFilesTo(sources, *folder, dialogue);
    progress.reset();
    prompts.MessageBox(parent, CopySummary(copied, *folder, withoutFile, kept, failures, cancelled),
                       wxGetTranslation(kProgressTitle),
                       failures.empty() ? wxOK | wxICON_INFORMATION : wxOK | wxICON_EXCLAMATION);
}

}  // namespace trovana::entry_commands
