// SPDX-License-Identifier: GPL-3.0-or-later
// The Recovered view of the list view: every record of the cache with its
// state, shown in place of the tabs, and read-only; and the choice of the
// zone in which times are shown.
#include <system_error>

#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/translation.h>

#include "details/properties_dlg.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "listview/cached_file.h"
#include "listview/prompts.h"
#include "listview/recovered_list.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"

namespace trovana::listview {

namespace {
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
    if (m_pWebView != nullptr)
        m_pWebView->Navigate("about:blank");
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
    if (problems.empty())
        return;
    wxString text = _("Some records could not be read:") + "\n";
    for (size_t i = 0; i < problems.size() && i < 8; ++i)
        text += "\n" + wxString::FromUTF8(problems[i]);
    GetPrompts().MessageBox(this, text, wxString(), wxOK | wxICON_EXCLAMATION);
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
    GetPrompts().MessageBox(this, wxString::Format(wxGetTranslation(kReadOnlyText), action), wxString(),
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
    dialog.SetEntryInfo(&m_listRecovered->Records()[static_cast<size_t>(rows.front())].entry);
    dialog.SetTimesUtc(m_bTimesUtc);
    dialog.SetSourceZone(SourceZone());
    dialog.ShowModal();
}

void CCacheListView::SetTimesUtc(bool utc)
{
    if (WaitForFirstScan([this, utc] { SetTimesUtc(utc); }))
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
    RefreshCache();
    if (tab != catalogue::kCategorySearchResults && tab != catalogue::kCategoryAll) {
        m_tabCategory->SetCurSel(tab);
        ShowCategory();
        UpdateStatusSummary();
    }
}

}  // namespace trovana::listview
