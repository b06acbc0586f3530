// The Copy command: the cached files of the selected rows into a folder
// that the user picks.
#include <memory>

#include <wx/msgdlg.h>
#include <wx/progdlg.h>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "operations/copy_files.h"

namespace trovana::listview {

namespace {

constexpr const char* kProgressTitle = "Copying Files...";
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

}  // namespace

void CCacheListView::CopySelected()
{
    CCacheList* list = GetSelectionList();
    if (list == nullptr)
        return;
    const RowStore& rows = list->Rows();
    const auto folder = GetPrompts().ChooseFolder(this, "Select destination folder", operations::DocumentsFolder());
    if (!folder)
        return;
    std::vector<std::filesystem::path> sources;
    for (int row = rows.NextSelected(); row != -1; row = rows.NextSelected(row)) {
        const auto info = Catalogue().LookupCacheEntry(rows.Text(row, catalogue::kColumnUrl));
        if (info != nullptr && !info->localFileName.empty())
            sources.emplace_back(info->localFileName);
    }
    if (sources.empty())
        return;

    Prompts& prompts = GetPrompts();
    operations::CopyDialogue dialogue;
    dialogue.askReplace = [&](const std::filesystem::path& target) {
        const wxString text = "The file " + wxString::FromUTF8(target.filename().string()) + " already exists in " +
                              wxString::FromUTF8(target.parent_path().string()) + ". Replace it?";
        return prompts.MessageBox(this, text, kProgressTitle, wxYES_NO | wxICON_QUESTION) == wxID_YES;
    };
    dialogue.askSameForAll = [&] {
        return prompts.MessageBox(this, "Give the same answer for every other file that already exists?",
                                  kProgressTitle, wxYES_NO | wxICON_QUESTION) == wxID_YES;
    };
    dialogue.reportFailure = [&](const std::filesystem::path& source, const std::string& reason) {
        prompts.MessageBox(this, "Cannot copy " + wxString::FromUTF8(source.string()) + ": " + wxString::FromUTF8(reason),
                           kProgressTitle, wxOK | wxICON_EXCLAMATION);
    };
    std::unique_ptr<wxProgressDialog> progress;
    if (IsLongCopy(sources)) {
        progress = std::make_unique<wxProgressDialog>(kProgressTitle, "", static_cast<int>(sources.size()), this,
                                                      wxPD_APP_MODAL | wxPD_AUTO_HIDE | wxPD_CAN_ABORT);
        dialogue.progress = [&](size_t done) { return progress->Update(static_cast<int>(done)); };
    }
    operations::CopyFilesTo(sources, *folder, dialogue);
}

}  // namespace trovana::listview
