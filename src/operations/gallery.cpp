// The Images tab's preview: a gallery of every listed picture.
#include <string>
#include <vector>

#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/web_view.h"
#include "operations/gallery_pages.h"

namespace trovana::listview {

namespace {
// The wait cursor while the gallery is made; the progress back at 0 after.
class GalleryBusyScope {
public:
    explicit GalleryBusyScope(BusyIndicator& busy) : m_busy(busy) { m_busy.SetWaitCursor(); }
    ~GalleryBusyScope()
    {
        m_busy.SetProgress(0);
        m_busy.SetArrowCursor();
    }
    GalleryBusyScope(const GalleryBusyScope&) = delete;
    GalleryBusyScope& operator=(const GalleryBusyScope&) = delete;

private:
    BusyIndicator& m_busy;
};
}  // namespace

void CCacheListView::MakeGallery()
{
    if (m_listCategory == nullptr || m_pWebView == nullptr)
        return;
    const RowStore& rows = m_listCategory->Rows();
    if (rows.Count() == 0) {
        m_pWebView->Navigate("about:blank");
        return;
    }
    GalleryBusyScope busy(*m_pBusy);

    // Rows whose entry has left the cache, or has no file, are left out.
    std::vector<std::string> imageFiles;
    std::string lastUrl;
    for (int row = 0; row < rows.Count(); ++row) {
        lastUrl = rows.Text(row, catalogue::kColumnUrl);
        const auto info = Catalogue().LookupCacheEntry(lastUrl);
        if (info != nullptr && !info->localFileName.empty())
            imageFiles.push_back(info->localFileName);
    }

    const std::filesystem::path folder = operations::WorkingFolder();
    if (folder.empty())
        return;
    auto progress = [this](int percent) { m_pBusy->SetProgress(percent); };
    if (!operations::WriteGalleryPages(folder, imageFiles, progress))
        return;
    m_pWebView->Navigate(operations::FileUrl((folder / operations::GALLERY_FRAME).string()));
    m_pWebView->m_strCurrentSource = ToDisplayText(lastUrl);
    m_bGalleryShown = true;
}

}  // namespace trovana::listview
