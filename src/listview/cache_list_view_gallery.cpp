// SPDX-License-Identifier: GPL-3.0-or-later
// The Images tab's gallery in the preview. The list is shown first; the
// rows' entries are looked up off the window's thread, and the gallery
// follows when its pages are written. What the lookups found is kept for
// the rows listed, so that a new order of the same rows (a column sort, a
// deletion) writes its pages at once, without looking anything up again.
#include <wx/translation.h>

#include "entry_commands/gallery_command.h"
#include "listview/cache_address.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {
// Rows looked up together after the gallery is shown, between two reports.
constexpr size_t kLearnBatch = 500;

std::vector<std::string> UrlsOf(const RowStore& rows)
{
    std::vector<std::string> urls;
    urls.reserve(static_cast<size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row)
        urls.push_back(rows.Text(row, catalogue::kColumnUrl));
    return urls;
}
}  // namespace

void CCacheListView::ForgetGallery()
{
    m_galleryWorker.Stop();
    m_pictureMemo.clear();
    m_galleryPictures.clear();
}

void CCacheListView::MakeGallery()
{
    if (m_listCategory == nullptr || m_pWebView == nullptr)
        return;
    m_galleryWorker.Stop();
    const RowStore& rows = m_listCategory->Rows();
    if (rows.Count() == 0) {
        ShowBlankPreview();
        return;
    }
    m_pWebView->SetCache(Cache().Location());
    std::vector<std::string> urls = UrlsOf(rows);
    // The preview names the list's last row.
    std::string lastUrl = urls.back();
    if (auto pictures = entry_commands::GalleryPictures(urls, m_pictureMemo, nullptr, CacheAddress)) {
        ShowGallery(entry_commands::WriteGallery(*pictures), lastUrl);
        m_galleryPictures = std::move(*pictures);
        return;
    }
    ShowBlankPreview();
    m_galleryWorker.Run([this, location = Cache().Location(), urls = std::move(urls), memo = m_pictureMemo,
                         lastUrl = std::move(lastUrl)](const CWindowWorker::Channel& channel) mutable {
        urlcache::UrlCache cache(location);
        const auto pictures = entry_commands::GalleryPictures(urls, memo, &cache, CacheAddress, channel.StopToken());
        if (!pictures || channel.StopRequested())
            return;
        auto gallery = std::make_shared<entry_commands::Gallery>(entry_commands::WriteGallery(*pictures));
        auto learnt = std::make_shared<entry_commands::PictureMemo>(memo);
        auto shown = std::make_shared<std::vector<std::string>>(*pictures);
        channel.Post([this, gallery, learnt, lastUrl, shown] {
            m_pictureMemo.merge(*learnt);
            ShowGallery(*gallery, lastUrl);
            m_galleryPictures = std::move(*shown);
        });
        // The other rows too, while the user looks: a sort needs them all.
        entry_commands::LearnPictures(
            urls, memo, cache, CacheAddress, kLearnBatch,
            [&channel, this](entry_commands::PictureMemo&& found) {
                auto batch = std::make_shared<entry_commands::PictureMemo>(std::move(found));
                channel.Post([this, batch] { m_pictureMemo.merge(*batch); });
            },
            channel.StopToken());
    });
}

void CCacheListView::FollowGallery()
{
    // Only a gallery shown, and only from what is known of its rows: the
    // pictures of rows that are no longer listed leave it, the next rows'
    // come in their place. A row not known yet waits for the gallery that
    // is made at the end of the work.
    if (!m_bGalleryShown || m_pWebView == nullptr || m_tabCategory->GetCurSel() != catalogue::kCategoryImages ||
        GetActiveList() != m_listCategory)
        return;
    const RowStore& rows = m_listCategory->Rows();
    if (rows.Count() == 0) {
        ShowBlankPreview();
        m_bGalleryShown = false;
        m_galleryPictures.clear();
        return;
    }
    std::vector<std::string> urls = UrlsOf(rows);
    auto pictures = entry_commands::GalleryPictures(urls, m_pictureMemo, nullptr, CacheAddress);
    if (!pictures || *pictures == m_galleryPictures)
        return;
    ShowGallery(entry_commands::WriteGallery(*pictures), urls.back());
    m_galleryPictures = std::move(*pictures);
}

void CCacheListView::ShowGallery(const entry_commands::Gallery& gallery, const std::string& lastUrl)
{
    if (!gallery.ok) {
        if (!gallery.error.empty())
            UserPrompts().MessageBox(this, wxString::FromUTF8(gallery.error), wxString(), wxOK | wxICON_EXCLAMATION);
        return;
    }
    m_pWebView->Navigate(gallery.page);
    m_pWebView->SetCurrentSource(ToDisplayText(lastUrl));
    m_bGalleryShown = true;
}

}  // namespace trovana::listview
