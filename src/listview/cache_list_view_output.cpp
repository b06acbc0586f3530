// SPDX-License-Identifier: GPL-3.0-or-later
// Copy and File > Export: what to copy or export is chosen and asked about
// on the window's thread; the files are looked up and copied, and the rows
// written, on the view's worker (cache_list_view_work.cpp) with its own
// handle on the cache, while the status bar counts them. A question about a
// file already in the folder is asked on the window's thread while the copy
// waits for its answer.
#include <algorithm>
#include <optional>

#include <wx/translation.h>

#include "entry_commands/copy_command.h"
#include "entry_commands/export_command.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/recovered_list.h"
#include "operations/copy_files.h"

namespace trovana::listview {

namespace {
// The status bar's counts move about a hundred times over the work.
size_t CountStep(size_t count)
{
    return std::max<size_t>(1, count / 100);
}

// What the user is asked while a command chooses: the command's prompt text,
// as the status bar shows it for the menu item.
constexpr const char* kCopyPrompt = wxTRANSLATE("Copy selected items to a local folder");
constexpr const char* kExportPrompt = wxTRANSLATE("Write the selected items, or the whole list, to a file");
}  // namespace

void CCacheListView::CopySelected()
{
    if (WaitForFirstScan([this] { CopySelected(); }) || WaitForWork([this] { CopySelected(); }))
        return;
    const CommandPrompt prompt(*this, kCopyPrompt);
    entry_commands::CopyCommand copy(*this);
    std::vector<std::string> urls;
    std::vector<std::filesystem::path> files;
    int withoutFile = 0;
    if (m_bRecoveredShown) {
        std::vector<std::string> recordFiles;
        for (int row : m_listRecovered->SelectedRows())
            recordFiles.push_back(m_listRecovered->Records()[static_cast<size_t>(row)].entry.localFileName);
        std::optional<std::vector<std::filesystem::path>> found;
        if (recordFiles.empty())
            UserPrompts().MessageBox(this, _("No cache item is selected!"), "", wxOK);
        else
            found = copy.RecordFiles(recordFiles, withoutFile);
        if (!found)
            return;
        files = std::move(*found);
    } else {
        // The selection is read from the list once: with every row of a
        // large list selected, that is most of what Copy costs the window.
        urls = SelectedUrls();
        if (urls.empty()) {
            UserPrompts().MessageBox(this, _("No cache item is selected!"), "", wxOK);
            return;
        }
    }
    const std::optional<std::filesystem::path> folder = copy.ChooseFolder();
    if (!folder)
        return;
    CopyOff(std::move(urls), std::move(files), withoutFile, *folder);
}

void CCacheListView::CopyOff(std::vector<std::string> urls, std::vector<std::filesystem::path> files, int withoutFile,
                             const std::filesystem::path& folder)
{
    const WorkCounts copying{_("Copying: %zu of %zu files done"), _("Stopping: %zu of %zu files done")};
    const WorkCounts lookingUp{_("Copying: %zu of %zu entries looked up"), _("Stopping: %zu of %zu entries looked up"),
                               0, urls.size()};
    const WorkCounts first = urls.empty() ? WorkCounts{copying.running, copying.stopping, 0, files.size()} : lookingUp;
    StartWork(
        first, [this, location = Cache().Location(), urls = std::move(urls), files = std::move(files), withoutFile,
                folder, copying](const CWindowWorker::Channel& channel, const std::stop_token& cancel) mutable {
            auto tally = std::make_shared<entry_commands::CopyTally>();
            tally->withoutFile = withoutFile;
            // A count for the status bar now and then; false once stopped.
            const auto report = [&](size_t done, size_t count) {
                if (done % CountStep(count) == 0 || done == count)
                    channel.PostPaced([this, done, count] { CountWork(done, count); });
                return !cancel.stop_requested();
            };
            if (!urls.empty()) {
                urlcache::UrlCache cache(location);
                files = entry_commands::CopyCommand::LookUpFiles(
                    cache, urls, tally->withoutFile, [&](size_t done) { return report(done, urls.size()); });
                tally->cancelled = cancel.stop_requested();
                channel.Post([this, copying, count = files.size()] { CountWork(0, count, &copying); });
            }
            size_t done = 0;
            if (!tally->cancelled && !files.empty()) {
                operations::CopyDialogue dialogue;
                // Asked on the window's thread; a stopped worker keeps the file.
                dialogue.askReplace = [&](const std::filesystem::path& target) {
                    return channel
                        .Ask<bool>([this, target] { return entry_commands::CopyCommand(*this).AskReplace(target); })
                        .value_or(false);
                };
                dialogue.askSameForAll = [&] {
                    return channel.Ask<bool>([this] { return entry_commands::CopyCommand(*this).AskSameForAll(); })
                        .value_or(false);
                };
                dialogue.reportFailure = [&](const std::filesystem::path& source, const std::string& reason) {
                    tally->failures.push_back(source.filename().string() + ": " + reason);
                };
                dialogue.keptExisting = [&](const std::filesystem::path&) { ++tally->kept; };
                dialogue.progress = [&](size_t copied) {
                    done = copied;
                    return report(copied, files.size());
                };
                tally->copied = operations::CopyFilesTo(files, folder, dialogue);
                tally->cancelled = done < files.size();
            }
            channel.Post(
                [this, tally, folder] { EndWork([&] { entry_commands::CopyCommand(*this).Tell(*tally, folder); }); });
        });
}

void CCacheListView::ExportRows()
{
    if (WaitForFirstScan([this] { ExportRows(); }) || WaitForWork([this] { ExportRows(); }))
        return;
    const CommandPrompt prompt(*this, kExportPrompt);
    std::optional<operations::ExportRows> rows = GatherExportRows();
    std::optional<operations::ExportTarget> target;
    if (rows)
        target = entry_commands::ExportCommand(*this).ChooseTarget(rows->count);
    if (!target)
        return;
    const size_t count = rows->count;
    StartWork({_("Exporting: %zu of %zu rows done"), _("Stopping: %zu of %zu rows done"), 0, count},
              [this, location = Cache().Location(), rows = std::move(*rows), target = *target, zone = SourceZone()](
                  const CWindowWorker::Channel& channel, const std::stop_token& cancel) {
                  urlcache::UrlCache cache(location);
                  auto outcome = std::make_shared<entry_commands::ExportOutcome>(
                      entry_commands::ExportCommand::Write(cache, target, rows, zone, [&](size_t done) {
                          channel.PostPaced([this, done, count = rows.count] { CountWork(done, count); });
                          return !cancel.stop_requested();
                      }));
                  channel.Post([this, outcome, target] {
                      EndWork([&] { entry_commands::ExportCommand(*this).Tell(*outcome, target); });
                  });
              });
}

std::optional<std::vector<int>> CCacheListView::ChooseExportedRows(std::vector<int> selected, int total)
{
    // A row selected to look at it is no choice of what to export: with
    // part of the list selected, the user says which is meant.
    if (!selected.empty() && static_cast<int>(selected.size()) < total) {
        const std::vector<wxString> choices = {
            wxString::Format(wxPLURAL("The whole list (%d row)", "The whole list (%d rows)", total), total),
            wxString::Format(wxPLURAL("Selected rows only (%zu row)", "Selected rows only (%zu rows)", selected.size()),
                             selected.size())};
        const std::optional<size_t> chosen = UserPrompts().ChooseOne(this, _("Which rows are to be exported?"),
                                                                     _("Export"), choices);
        if (!chosen)
            return std::nullopt;
        if (*chosen == 1)
            return selected;
    }
    std::vector<int> rows(static_cast<size_t>(total));
    for (int row = 0; row < total; ++row)
        rows[static_cast<size_t>(row)] = row;
    return rows;
}

std::optional<operations::ExportRows> CCacheListView::GatherExportRows()
{
    // The rows are copies: the lists may change while the file is written.
    std::optional<std::vector<int>> chosen;
    operations::ExportRows gathered;
    if (m_bRecoveredShown) {
        chosen = ChooseExportedRows(m_listRecovered->SelectedRows(),
                                    static_cast<int>(m_listRecovered->Records().size()));
        if (!chosen)
            return std::nullopt;
        auto records = std::make_shared<std::vector<urlcache::SurveyedRecord>>();
        records->reserve(chosen->size());
        for (int row : *chosen)
            records->push_back(m_listRecovered->Records()[static_cast<size_t>(row)]);
        gathered.row = [records](urlcache::UrlCache&, size_t index, const urlcache::SurveyedRecord*& surveyed) {
            surveyed = &(*records)[index];
            return std::make_unique<urlcache::CacheEntryInfo>(surveyed->entry);
        };
    } else {
        CCacheList* list = GetActiveList();
        list->StoreSelection();
        const RowStore& store = list->Rows();
        std::vector<int> selected;
        for (int row = store.NextSelected(); row != -1; row = store.NextSelected(row))
            selected.push_back(row);
        chosen = ChooseExportedRows(std::move(selected), store.Count());
        if (!chosen)
            return std::nullopt;
        auto rows = std::make_shared<std::vector<ListRow>>();
        rows->reserve(chosen->size());
        for (int row : *chosen)
            rows->push_back(store.Row(row));
        gathered.row = [rows](urlcache::UrlCache& cache, size_t index, const urlcache::SurveyedRecord*& surveyed) {
            surveyed = nullptr;
            return catalogue::LookupRowEntry(cache, (*rows)[index]);
        };
    }
    gathered.count = chosen->size();
    return gathered;
}

}  // namespace trovana::listview
