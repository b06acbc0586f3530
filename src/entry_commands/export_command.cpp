// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/export_command.h"

#include <filesystem>
#include <memory>

#include <wx/defs.h>
#include <wx/translation.h>

namespace trovana::entry_commands {

namespace {

constexpr const char* kTitle = wxTRANSLATE("Export");
constexpr const char* kProgressTitle = wxTRANSLATE("Exporting...");
// The chooser's file types, in the order of ExportFormat.
constexpr const char* kExportWildcard = wxTRANSLATE(
    "CSV (*.csv)|*.csv|JSON Lines (*.jsonl)|*.jsonl|HTML report (*.html)|*.html");
// An export of more rows than this shows the progress window.
constexpr size_t kLongExport = 2000;

}  // namespace

void ExportCommand::Run(const operations::ExportRows& rows, const TimeZone& sourceZone)
{
    Prompts& prompts = m_view.UserPrompts();
    wxWindow* parent = m_view.PromptParent();
    const wxString title = wxGetTranslation(kTitle);
    if (rows.count == 0) {
        prompts.MessageBox(parent, _("The list is empty: there is nothing to export."), title,
                           wxOK | wxICON_INFORMATION);
        return;
    }
    const auto choice = prompts.ChooseSaveFile(parent, title, wxGetTranslation(kExportWildcard), "trovana-export.csv");
    if (!choice)
        return;
    const operations::ExportTarget target = operations::ResolveExportTarget(choice->path, choice->filter);
    const wxString shownTarget = wxString::FromUTF8(target.path.string());
    if (target.renamed && std::filesystem::exists(target.path) &&
        !prompts.AskYes(parent, wxString::Format(_("The file %s already exists. Replace it?"), shownTarget), title))
        return;

    std::unique_ptr<ProgressWindow> progress;
    if (rows.count > kLongExport)
        progress = prompts.StartProgress(parent, wxGetTranslation(kProgressTitle), static_cast<int>(rows.count));
    operations::ExportTotals totals;
    try {
        WaitCursorScope cursor(m_view.Busy());
        operations::ExportProgress report;
        if (progress)
            report = [&progress](size_t done) { return progress->Update(static_cast<int>(done)); };
        totals = operations::WriteExportFile(m_view.Cache(), target, rows, sourceZone, report);
    } catch (const std::filesystem::filesystem_error& error) {
        progress.reset();
        prompts.MessageBox(parent,
                           wxString::Format(_("The export to %s failed: %s."), shownTarget,
                                            wxString::FromUTF8(error.code().message())) +
                               "\n" + _("No file was written."),
                           title, wxOK | wxICON_EXCLAMATION);
        return;
    }
    progress.reset();
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
