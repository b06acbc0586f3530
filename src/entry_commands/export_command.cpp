// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/export_command.h"

#include <filesystem>

#include <wx/defs.h>
#include <wx/translation.h>

namespace trovana::entry_commands {

namespace {

constexpr const char* kTitle = wxTRANSLATE("Export");
// The chooser's file types, in the order of ExportFormat.
constexpr const char* kExportWildcard = wxTRANSLATE(
    "CSV (*.csv)|*.csv|JSON Lines (*.jsonl)|*.jsonl|HTML report (*.html)|*.html");

}  // namespace

std::optional<operations::ExportTarget> ExportCommand::ChooseTarget(size_t count)
{
    Prompts& prompts = m_view.UserPrompts();
    wxWindow* parent = m_view.PromptParent();
    const wxString title = wxGetTranslation(kTitle);
    if (count == 0) {
        prompts.MessageBox(parent, _("The list is empty: there is nothing to export."), title,
                           wxOK | wxICON_INFORMATION);
        return std::nullopt;
    }
    const auto choice = prompts.ChooseSaveFile(parent, title, wxGetTranslation(kExportWildcard), "trovana-export.csv");
    if (!choice)
        return std::nullopt;
    operations::ExportTarget target = operations::ResolveExportTarget(choice->path, choice->filter);
    if (target.renamed && std::filesystem::exists(target.path) &&
        !prompts.AskYes(
            parent,
            wxString::Format(_("The file %s already exists. Replace it?"), wxString::FromUTF8(target.path.string())),
            title))
        return std::nullopt;
    return target;
}

ExportOutcome ExportCommand::Write(urlcache::UrlCache& cache, const operations::ExportTarget& target,
                                   const operations::ExportRows& rows, const TimeZone& sourceZone,
                                   const operations::ExportProgress& progress)
{
    ExportOutcome outcome;
    try {
        outcome.totals = operations::WriteExportFile(cache, target, rows, sourceZone, progress);
    } catch (const std::filesystem::filesystem_error& error) {
        outcome.failure = error.code().message();
    }
    return outcome;
}

void ExportCommand::Tell(const ExportOutcome& outcome, const operations::ExportTarget& target)
{
    Prompts& prompts = m_view.UserPrompts();
    wxWindow* parent = m_view.PromptParent();
    const wxString title = wxGetTranslation(kTitle);
    const wxString shownTarget = wxString::FromUTF8(target.path.string());
    if (!outcome.failure.empty()) {
        prompts.MessageBox(
            parent,
            wxString::Format(_("The export to %s failed: %s."), shownTarget, wxString::FromUTF8(outcome.failure)) +
                "\n" + _("No file was written."),
            title, wxOK | wxICON_EXCLAMATION);
        return;
    }
    const operations::ExportTotals& totals = outcome.totals;
    if (totals.cancelled) {
        prompts.MessageBox(parent, _("The export was cancelled. No file was written."), title,
                           wxOK | wxICON_INFORMATION);
        return;
    }
    wxString text = wxString::Format(wxPLURAL("%zu row exported to %s.", "%zu rows exported to %s.", totals.written),
                                     totals.written, shownTarget);
    if (totals.missing > 0)
        text += "\n" + wxString::Format(
                           wxPLURAL("%zu listed entry is no longer in the cache and left out.",
                                    "%zu listed entries are no longer in the cache and left out.", totals.missing),
                           totals.missing);
    prompts.MessageBox(parent, text, title, wxOK | wxICON_INFORMATION);
}

}  // namespace trovana::entry_commands
