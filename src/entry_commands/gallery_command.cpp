// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/gallery_command.h"

#include <vector>

#include <wx/defs.h>

#include "operations/gallery_pages.h"
#include "operations/progress.h"
#include "work_folder.h"

namespace trovana::entry_commands {

std::optional<GalleryCommand::Gallery> GalleryCommand::Make(const RowStore& rows, const AddressOf& addressOf)
{
    const operations::RowProgress busy(m_view.Busy());
    // Rows whose entry has left the cache, or has no file, are left out.
    // Each picture is shown through its cache address, answered from the
    // cache, never as a local file.
    std::vector<std::string> imageFiles;
    Gallery gallery;
    {
        // The index files are checked for other programs' changes once for
        // all the rows, not once a row.
        const urlcache::UrlCache::LookupBatch batch(m_view.Cache());
        for (int row = 0; row < rows.Count(); ++row) {
            gallery.lastUrl = rows.Text(row, catalogue::kColumnUrl);
            const auto info = m_view.Catalogue().LookupCacheEntry(gallery.lastUrl);
            if (info != nullptr && !info->localFileName.empty())
                imageFiles.push_back(addressOf(gallery.lastUrl));
        }
    }
    std::filesystem::path folder;
    try {
        folder = WorkingFolder();
    } catch (const WorkFolderError& error) {
        m_view.UserPrompts().MessageBox(m_view.PromptParent(), wxString::FromUTF8(error.what()), wxString(),
                                        wxOK | wxICON_EXCLAMATION);
        return std::nullopt;
    }
    if (!operations::WriteGalleryPages(folder, imageFiles, busy.Sink()))
        return std::nullopt;
    gallery.page = operations::FileUrl((folder / operations::GALLERY_FRAME).string());
    return gallery;
}

}  // namespace trovana::entry_commands
