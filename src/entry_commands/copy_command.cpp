// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/copy_command.h"

#include <memory>
#include <stdexcept>

#include <wx/defs.h>
#include <wx/translation.h>

#include "operations/cached_file.h"
#include "operations/copy_files.h"

namespace trovana::entry_commands {

namespace {

constexpr const char* kProgressTitle = wxTRANSLATE("Copying Files...");

// One account of the whole copy: what was copied, what had no file, and
// each file that could not be copied with the reason.
wxString CopySummary(const CopyTally& tally, const std::filesystem::path& folder)
{
    constexpr size_t kMaxFailureLines = 8;
    const size_t copied = tally.copied;
    const int withoutFile = tally.withoutFile;
    const size_t kept = tally.kept;
    const std::vector<std::string>& failures = tally.failures;
    wxString text = wxString::Format(wxPLURAL("%zu file copied to %s.", "%zu files copied to %s.", copied), copied,
                                     wxString::FromUTF8(folder.string()));
    if (tally.cancelled)
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
            text += "\n" + wxString::FromUTF8(failures[i]);
        if (failures.size() > kMaxFailureLines)
            text += "\n" + wxString::Format(_("(and %zu more)"), failures.size() - kMaxFailureLines);
    }
    return text;
}

}  // namespace

std::vector<std::filesystem::path> CopyCommand::LookUpFiles(urlcache::UrlCache& cache,
                                                            const std::vector<std::string>& urls, int& withoutFile,
                                                            const std::function<bool(size_t done)>& progress)
{
    std::vector<std::filesystem::path> sources;
    const urlcache::UrlCache::LookupBatch batch(cache);
    for (size_t i = 0; i < urls.size(); ++i) {
        std::unique_ptr<urlcache::CacheEntryInfo> info;
        try {
            info = cache.GetEntryInfo(urls[i]);
        } catch (const std::runtime_error&) {
        } catch (const std::logic_error&) {
        }
        if (info != nullptr && !info->localFileName.empty())
            sources.emplace_back(info->localFileName);
        else
            ++withoutFile;
        if (progress && !progress(i + 1))
            break;
    }
    return sources;
}

std::optional<std::vector<std::filesystem::path>> CopyCommand::RecordFiles(const std::vector<std::string>& files,
                                                                           int& withoutFile)
{
    std::vector<std::filesystem::path> sources;
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
        return std::nullopt;
    }
    return sources;
}

std::optional<std::filesystem::path> CopyCommand::ChooseFolder()
{
    return m_view.UserPrompts().ChooseFolder(m_view.PromptParent(), _("Select destination folder"),
                                             operations::ChooserStartFolder());
}

bool CopyCommand::AskReplace(const std::filesystem::path& target)
{
    const wxString text = wxString::Format(_("The file %s already exists in %s. Replace it?"),
                                           wxString::FromUTF8(target.filename().string()),
                                           wxString::FromUTF8(target.parent_path().string()));
    return m_view.UserPrompts().AskYes(m_view.PromptParent(), text, wxGetTranslation(kProgressTitle));
}

bool CopyCommand::AskSameForAll()
{
    return m_view.UserPrompts().AskYes(m_view.PromptParent(),
                                       _("Give the same answer for every other file that already exists?"),
                                       wxGetTranslation(kProgressTitle));
}

void CopyCommand::Tell(const CopyTally& tally, const std::filesystem::path& folder)
{
    m_view.UserPrompts().MessageBox(m_view.PromptParent(), CopySummary(tally, folder), wxGetTranslation(kProgressTitle),
                                    tally.failures.empty() ? wxOK | wxICON_INFORMATION : wxOK | wxICON_EXCLAMATION);
}

}  // namespace trovana::entry_commands
