// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of a clicked entry in the pane below the lists, the
// Properties dialog of an entry, and the Recovered view: every record of
// the cache with its state, shown in place of the tabs, and read-only; and
// the choice of the zone in which times are shown.
#include <filesystem>

#include <wx/translation.h>

#include "details/properties_dlg.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/recovered_list.h"
#include "listview/tab_strip.h"
#include "listview/text_page.h"
#include "listview/web_view.h"
#include "operations/cached_file.h"
#include "operations/preview_kind.h"

namespace trovana::listview {

namespace {
constexpr const char* kFrameRight = "right";

void SetHeading(wxListCtrl& list, int column, const wxString& text)
{
    wxListItem item;
    item.SetMask(wxLIST_MASK_TEXT);
    item.SetText(text);
    list.SetColumn(column, item);
}

// TRANSLATORS: %s is an action, such as "Deleting items".
constexpr const char* kReadOnlyText = wxTRANSLATE(
    "%s is not possible in the Recovered Records view, which shows the records and changes nothing.\n"
    "Choose View > Recovered Records again to return to the cache's entries.");
}  // namespace

void CCacheListView::ShowPreview(const std::string& url)
{
    if (m_pWebView == nullptr)
        return;
    WaitCursorScope cursor(*m_pBusy);
    // A gallery still being made would take the place of this preview.
    if (!m_bGalleryShown)
        m_galleryWorker.Stop();
    m_pWebView->SetCache(Cache().Location());
    const auto info = m_pCatalogue->LookupCacheEntry(url);
    if (info == nullptr) {
        if (ToDisplayText(url) != m_pWebView->CurrentSource())
            ShowTextPreview(url);
        return;
    }
    const std::string& file = info->localFileName;
    if (file.empty()) {
        ShowTextPreview(url);
        return;
    }
    if (ToDisplayText(file) == m_pWebView->CurrentSource())
        return;
    if (operations::PreviewAsText(*info))
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
    m_pWebView->SetCurrentSource(path);
}

void CCacheListView::ShowTextPreview(const std::string& name)
{
    if (m_pWebView == nullptr)
        return;
    const std::string text = PreviewText(name);
    if (text.empty()) {
        ShowBlankPreview();
    } else {
        try {
            m_pWebView->ShowTextPage(text);
        } catch (const std::filesystem::filesystem_error& error) {
            UserPrompts().MessageBox(this, wxString::FromUTF8(error.what()), wxString(), wxOK | wxICON_EXCLAMATION);
            return;
        }
    }
    m_pWebView->SetCurrentSource(ToDisplayText(name));
}

std::string CCacheListView::PreviewText(const std::string& name) const
{
    // Only a file of the open cache is read: a URL such as "/etc/passwd" of
    // an entry without a file names no file to show.
    if (!operations::IsInsideCache(name, m_pCache->Location()))
        return UrlPageText(name);
    return listview::ReadPreviewText(std::filesystem::path(name));
}

void CCacheListView::ShowProperties(const std::string& url)
{
    ListRow row;
    row.texts[catalogue::kColumnUrl] = url;
    ShowProperties(row);
}

void CCacheListView::ShowProperties(const ListRow& row)
{
    const auto info = [&] {
        WaitCursorScope cursor(*m_pBusy);
        return m_pCatalogue->LookupCacheEntry(row);
    }();
    if (info == nullptr) {
        UserPrompts().MessageBox(this, _("No Information about the url"), wxString(), wxOK);
        return;
    }
    details::CPropertiesDlg dialog(this);
    dialog.SetEntryInfo(info.get());
    dialog.SetTimesUtc(m_bTimesUtc);
    dialog.SetSourceZone(SourceZone());
    if (m_entrySource)
        dialog.SetSourceRows(m_entrySource(*info));
    dialog.ShowModal();
}

void CCacheListView::ShowBlankPreview()
{
    if (m_pWebView == nullptr)
        return;
    // Without a cache the pane says why, and how to open one.
    if (!m_strNoCache.empty()) {
        try {
            m_pWebView->ShowTextPage(EscapeHtml((m_strNoCache + ".\n\n" + m_strNoCacheHelp).utf8_string()));
            return;
        } catch (const std::filesystem::filesystem_error&) {
            // The status bar says it still.
        }
    }
    m_pWebView->Navigate("about:blank");
}

void CCacheListView::ShowRecovered(bool show)
{
    if (WaitForFirstScan([this, show] { ShowRecovered(show); }))
        return;
    if (show == m_bRecoveredShown || !m_bInitialized)
        return;
    m_bRecoveredShown = show;
    if (show)
        SurveyRecords();
    m_tabCategory->Show(!show);
    m_listRecovered->Show(show);
    ShowBlankPreview();
    if (show) {
        for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch})
            list->Hide();
        LayoutControls();
        m_listRecovered->SetFocus();
    } else {
        ShowCategory();
        GetActiveList()->SetFocus();
    }
    UpdateStatusSummary();
}

void CCacheListView::SurveyRecords()
{
    std::vector<std::string> problems;
    {
        const BusyScope busy(Busy(), wxTRANSLATE("Collecting Data ..."));
        m_listRecovered->Survey(Cache().Location(), problems);
    }
    if (!problems.empty())
        UserPrompts().ShowProblems(this, _("Some records could not be read:"), WordedProblems(std::move(problems)));
}

wxWindow* CCacheListView::GetShownList() const
{
    if (m_bRecoveredShown)
        return m_listRecovered;
    return GetActiveList();
}

bool CCacheListView::RefuseWhileRecovered(const wxString& action)
{
    if (!m_bRecoveredShown)
        return false;
    UserPrompts().MessageBox(this, wxString::Format(wxGetTranslation(kReadOnlyText), action), wxString(),
                             wxOK | wxICON_INFORMATION);
    return true;
}

void CCacheListView::PreviewRecovered(long row)
{
    const auto& records = m_listRecovered->Records();
    if (row < 0 || static_cast<size_t>(row) >= records.size())
        return;
    const urlcache::SurveyedRecord& record = records[static_cast<size_t>(row)];
    // Only a live entry is shown from the cache; any other record has its
    // URL shown as text, never an entry of the same URL.
    if (record.state == urlcache::RecordState::Live)
        ShowPreview(record.entry.sourceUrlName);
    else
        ShowTextPreview(record.entry.sourceUrlName);
}

void CCacheListView::ShowRecoveredProperties()
{
    const std::vector<int> rows = m_listRecovered->SelectedRows();
    if (rows.empty())
        return;
    details::CPropertiesDlg dialog(this);
    const urlcache::CacheEntryInfo& entry = m_listRecovered->Records()[static_cast<size_t>(rows.front())].entry;
    dialog.SetEntryInfo(&entry);
    dialog.SetTimesUtc(m_bTimesUtc);
    dialog.SetSourceZone(SourceZone());
    if (m_entrySource)
        dialog.SetSourceRows(m_entrySource(entry));
    dialog.ShowModal();
}

void CCacheListView::SetTimesUtc(bool utc)
{
    if (WaitForFirstScan([this, utc] { SetTimesUtc(utc); }) || WaitForWork([this, utc] { SetTimesUtc(utc); }))
        return;
    m_bTimesUtc = utc;
    const auto zone = utc ? catalogue::ShownTimes::Utc : catalogue::ShownTimes::Local;
    m_pCatalogue->SetZone(zone);
    const wxString heading = utc ? _("Access Time (UTC)") : _("Access Time");
    for (CCacheList* list : {m_listAll, m_listCategory, m_listSearch}) {
        if (list->GetColumnCount() > catalogue::kColumnAccessTime)
            SetHeading(*list, catalogue::kColumnAccessTime, heading);
    }
    m_listRecovered->SetShownTimes(zone);
    if (!m_bInitialized)
        return;
    // The texts come from the scan: the cache is read anew, and the tab
    // that was shown is shown again.
    const int tab = m_tabCategory->GetCurSel();
    RescanNow();
    if (tab != catalogue::kCategorySearchResults && tab != catalogue::kCategoryAll) {
        m_tabCategory->SetCurSel(tab);
        ShowCategory();
        UpdateStatusSummary();
    }
}

}  // namespace trovana::listview
