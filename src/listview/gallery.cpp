// SPDX-License-Identifier: GPL-3.0-or-later
// The Images tab's preview: a gallery of every listed picture.
#include <string>
#include <vector>

#include <wx/defs.h>

#include "listview/cache_address.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/prompts.h"
#include "listview/web_view.h"
#include "operations/gallery_pages.h"
#include "operations/progress.h"
#include "work_folder.h"

namespace trovana::listview {

void CCacheListView::MakeGallery()
{
    if (m_listCategory == nullptr || m_pWebView == nullptr)
        return;
    const RowStore& rows = m_listCategory->Rows();
    if (rows.Count() == 0) {
        m_pWebView->Navigate("about:blank");
        return;
    }
    operations::RowProgress busy(*m_pBusy);

    // Rows whose entry has left the cache, or has no file, are left out.
    // Each picture is shown through its cache address, answered from the
    // cache, never as a local file.
    m_pWebView->SetCache(Cache().Location());
    std::vector<std::string> imageFiles;
    std::string lastUrl;
    // The index files are checked for other programs' changes once for
    // all the rows, not once a row.
    const urlcache::UrlCache::LookupBatch batch(Cache());
    for (int row = 0; row < rows.Count(); ++row) {
        lastUrl = rows.Text(row, catalogue::kColumnUrl);
        const auto info = Catalogue().LookupCacheEntry(lastUrl);
        if (info != nullptr && !info->localFileName.empty())
            imageFiles.push_back(CacheAddress(lastUrl));
    }

    std::filesystem::path folder;
    try {
        folder = WorkingFolder();
    } catch (const WorkFolderError& error) {
        GetPrompts().MessageBox(this, wxString::FromUTF8(error.what()), wxString(), wxOK | wxICON_EXCLAMATION);
        return;
    }
    if (!operations::WriteGalleryPages(folder, imageFiles, busy.Sink()))
        return;
    m_pWebView->Navigate(operations::FileUrl((folder / operations::GALLERY_FRAME).string()));
    m_pWebView->m_strCurrentSource = ToDisplayText(lastUrl);
    m_bGalleryShown = true;
}

}  // namespace trovana::listview
