// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of a clicked entry in the pane below the lists, and the
// Properties dialog of an entry.
#include <filesystem>

#include <wx/translation.h>

#include "ascii.h"
#include "classify.h"
#include "details/properties_dlg.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/cached_file.h"
#include "listview/prompts.h"
#include "listview/text_page.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {
constexpr const char* kFrameRight = "right";
}  // namespace

void CCacheListView::ShowPreview(const std::string& url)
{
    if (m_pWebView == nullptr)
        return;
    WaitCursorScope cursor(*m_pBusy);
    m_pWebView->SetCache(Cache().Location());
    const auto info = m_pCatalogue->LookupCacheEntry(url);
    if (info == nullptr) {
        if (ToDisplayText(url) != m_pWebView->m_strCurrentSource)
            ShowTextPreview(url);
        return;
    }
    const std::string& file = info->localFileName;
    if (file.empty()) {
        ShowTextPreview(url);
        return;
    }
    if (ToDisplayText(file) == m_pWebView->m_strCurrentSource)
        return;
    std::string contentType;
    const std::string entryClass = catalogue::ClassifyEntry(*info, contentType);
    bool asText = catalogue::IsScriptOrStyleSheet(file);
    if (catalogue::CategoryFromClass(entryClass) == catalogue::kCategoryApplications && !contentType.empty())
        asText = ToLowerAscii(contentType).find("script") != std::string::npos;
    // A FIFO or device in the cache's place is named on the text page, not opened.
    std::error_code error;
    const auto type = std::filesystem::status(file, error).type();
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found)
        asText = true;
    if (asText)
        ShowTextPreview(file);
    else
        NavigatePreview(file, url);
}

void CCacheListView::NavigatePreview(const std::string& target, const std::string& url)
{
    if (m_pWebView == nullptr)
        return;
    const wxString path = ToDisplayText(target);
    m_pWebView->Navigate2({path, m_bGalleryShown ? kFrameRight : "", false, url});
    m_pWebView->m_strCurrentSource = path;
}

void CCacheListView::ShowTextPreview(const std::string& name)
{
    if (m_pWebView == nullptr)
        return;
    const std::string text = ReadPreviewText(name);
    if (text.empty()) {
        m_pWebView->Navigate("about:blank");
    } else {
        try {
            m_pWebView->ShowTextPage(text);
        } catch (const std::filesystem::filesystem_error& error) {
            GetPrompts().MessageBox(this, wxString::FromUTF8(error.what()), wxString(), wxOK | wxICON_EXCLAMATION);
            return;
        }
    }
    m_pWebView->m_strCurrentSource = ToDisplayText(name);
}

std::string CCacheListView::ReadPreviewText(const std::string& name) const
{
    // Only a file of the open cache is read: a URL such as "/etc/passwd" of
    // an entry without a file names no file to show.
    if (!IsInsideCache(name, m_pCache->Location()))
        return UrlPageText(name);
    return listview::ReadPreviewText(std::filesystem::path(name));
}

void CCacheListView::ShowProperties(const std::string& url)
{
    const auto info = [&] {
        WaitCursorScope cursor(*m_pBusy);
        return m_pCatalogue->LookupCacheEntry(url);
    }();
    if (info == nullptr) {
        GetPrompts().MessageBox(this, _("No Information about the url"), wxString(), wxOK);
        return;
    }
    details::CPropertiesDlg dialog(this);
    dialog.SetEntryInfo(info.get());
    dialog.SetTimesUtc(m_bTimesUtc);
    dialog.SetSourceZone(SourceZone());
    dialog.ShowModal();
}

}  // namespace trovana::listview
