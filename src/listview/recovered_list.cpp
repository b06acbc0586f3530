// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/recovered_list.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include <wx/settings.h>
#include <wx/translation.h>

#include "listview/cache_list.h"

namespace trovana::listview {

namespace {
constexpr const char* kHeadings[CRecoveredList::kColumns] = {
    wxTRANSLATE("Url"), wxTRANSLATE("State"), wxTRANSLATE("Access Time"), wxTRANSLATE("Hit Rate"), wxTRANSLATE("Size")};
// The blank space a column keeps around its text.
constexpr int kMargin = 8;
// What each state is called in the window (the listing's names are
// "live", "redirect", "leak", "recovered", "deleted" and "log only").
constexpr std::pair<urlcache::RecordState, const char*> kStateTexts[] = {
    {urlcache::RecordState::Live, wxTRANSLATE("live")},
    {urlcache::RecordState::Redirect, wxTRANSLATE("redirect")},
    {urlcache::RecordState::Leak, wxTRANSLATE("leak")},
    {urlcache::RecordState::Recovered, wxTRANSLATE("recovered")},
    {urlcache::RecordState::Deleted, wxTRANSLATE("deleted")},
    {urlcache::RecordState::LogOnly, wxTRANSLATE("log only")},
    {urlcache::RecordState::TableRow, wxTRANSLATE("table row")},
};

wxString StateText(urlcache::RecordState state)
{
    for (const auto& [known, text] : kStateTexts)
        if (known == state)
            return wxGetTranslation(text);
    return wxString();
}
}  // namespace

CRecoveredList::CRecoveredList(wxWindow* parent, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxBORDER_THEME)
{
    for (int column = 0; column < kColumns; ++column)
        InsertColumn(column, wxGetTranslation(kHeadings[column]));
}

void CRecoveredList::Survey(const urlcache::CacheLocation& location, std::vector<std::string>& problems)
{
    m_records.clear();
    try {
        urlcache::RecordSurvey survey(location);
        while (auto record = survey.Next())
            m_records.push_back(std::move(*record));
        problems = survey.Problems();
    } catch (const std::runtime_error& error) {
        problems.push_back(error.what());
    } catch (const std::logic_error& error) {
        problems.push_back(error.what());
    }
    SetItemCount(static_cast<long>(m_records.size()));
    Refresh();
}

void CRecoveredList::SetShownTimes(catalogue::ShownTimes zone)
{
    m_zone = zone;
    wxListItem heading;
    heading.SetMask(wxLIST_MASK_TEXT);
    heading.SetText(zone == catalogue::ShownTimes::Utc ? _("Access Time (UTC)") : _("Access Time"));
    SetColumn(kAccessTime, heading);
    Refresh();
}

void CRecoveredList::FitColumns()
{
    // The state and the time keep room for their whole text; the Url
    // column takes what is left.
    const int width = std::max(0, GetClientSize().x - 6 - wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this));
    // Every heading stays whole, as do the longest state and a time.
    auto room = [this](int column, const wxString& widest) {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT);
        GetColumn(column, item);
        const int heading = GetTextExtent(item.GetText()).x;
        return std::max(heading, GetTextExtent(widest).x) + 2 * kMargin;
    };
    int stateWidth = 0;
    for (const auto& [state, text] : kStateTexts)
        stateWidth = std::max(stateWidth, room(kState, wxGetTranslation(text)));
    int widths[kColumns] = {0, stateWidth, room(kAccessTime, "00/00/00 00:00:00"),
                            std::max(room(kHitRate, "00000"), width * 60 / 680),
                            std::max(room(kSize, "0000000"), width * 70 / 680)};
    widths[kUrl] = std::max(width / 4, width - widths[kState] - widths[kAccessTime] - widths[kHitRate] - widths[kSize]);
    for (int column = 0; column < kColumns; ++column)
        SetColumnWidth(column, widths[column]);
}

std::vector<int> CRecoveredList::SelectedRows() const
{
    std::vector<int> rows;
    for (long item = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        rows.push_back(static_cast<int>(item));
    return rows;
}

void CRecoveredList::SelectAll()
{
    for (long item = 0; item < GetItemCount(); ++item)
        SetItemState(item, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

int CRecoveredList::CountOf(urlcache::RecordState state) const
{
    return static_cast<int>(std::count_if(m_records.begin(), m_records.end(),
                                          [state](const auto& record) { return record.state == state; }));
}

wxString CRecoveredList::OnGetItemText(long item, long column) const
{
    if (item < 0 || static_cast<size_t>(item) >= m_records.size())
        return wxString();
    const urlcache::SurveyedRecord& record = m_records[static_cast<size_t>(item)];
    const urlcache::CacheEntryInfo& entry = record.entry;
    switch (column) {
    // A file a WebCache database keeps as leaked has no URL: its stored
    // (Windows) path shows; so does the file of a row whose URL cannot be read.
    case kUrl:
        return ToDisplayText(!entry.sourceUrlName.empty() ? entry.sourceUrlName
                             : !entry.storedFileName.empty() ? entry.storedFileName
                                                             : entry.localFileName);
    // A WebCache row recovered from the database's pages or its logs says
    // where it lies: the page and byte, or the log file and record.
    // A row of a table without URL cache entries says which table.
    case kState:
        if (record.state == urlcache::RecordState::TableRow)
            return StateText(record.state) + ": " + ToDisplayText(entry.container + " (" + entry.table + ")");
        return record.place.empty() ? StateText(record.state)
                                    : StateText(record.state) + ": " + wxString::FromUTF8(record.place);
    // A time never set shows empty, in local time too.
    case kAccessTime:
        return entry.lastAccessTime == 0 ? wxString() : catalogue::ShownTime(entry.lastAccessTime, m_zone).Format();
    case kHitRate: return wxString::Format("%u", entry.hitRate);
    case kSize:
        return entry.localFileName.empty() && entry.storedFileName.empty() ? wxString()
                                                                           : wxString::Format("%u", entry.sizeLow);
    default: return wxString();
    }
}

int CRecoveredList::OnGetItemImage(long) const
{
    return -1;
}

}  // namespace trovana::listview
