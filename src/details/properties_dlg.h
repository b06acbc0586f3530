// SPDX-License-Identifier: GPL-3.0-or-later
// The Properties dialog: what the URL cache records about one entry (URL,
// local file, its valid times, hit count and stored response header), with
// a line that explains the property last clicked. Modal and read-only.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <wx/dialog.h>

#include "time_zone.h"
#include "urlcache.h"

class wxListCtrl;
class wxListEvent;
class wxTextCtrl;

namespace trovana::details {

// Control ids of the dialog.
inline constexpr int IDC_PROP_LIST = 1005;
inline constexpr int IDC_PROP_DESCRIPTION = 1009;
inline constexpr int IDC_PROP_HEADER = 1010;

class CPropertiesDlg : public wxDialog {
public:
    explicit CPropertiesDlg(wxWindow* parent);

    // The entry shown (not owned); set before the dialog runs.
    void SetEntryInfo(const urlcache::CacheEntryInfo* info) { m_pInfo = info; }
    // Shows the times in UTC, marked so, instead of local time.
    void SetTimesUtc(bool utc) { m_bTimesUtc = utc; }
    // The zone daily and weekly history were recorded in: their Modified
    // Time, the visit in that machine's local time, is read in it and
    // named beside the time.
    void SetSourceZone(TimeZone zone) { m_sourceZone = std::move(zone); }
    // Rows shown after the entry's own: where it comes from, names already
    // in the user's language.
    void SetSourceRows(std::vector<std::pair<wxString, wxString>> rows) { m_sourceRows = std::move(rows); }

    // Fills the explanations and the rows; runs when the dialog starts.
    bool OnInitDialog();
    // Shows the explanation of the first selected row, if there is one.
    void OnClickPropList();
    // Shows the explanation of the header.
    void OnSetFocusHeader();
    // Puts the value of the selected row on the clipboard (Ctrl+C, or the
    // list's menu).
    void CopySelectedValue();

    wxTextCtrl* m_editDescription = nullptr;
    wxListCtrl* m_listProps = nullptr;
    wxTextCtrl* m_editHeader = nullptr;
    std::map<std::string, std::string> m_mapDescriptions;

private:
    // Wide enough for the longest property name.
    int NameColumnWidth() const;
    bool ListHasFocus() const;
    void AddRow(long row, const char* name, const wxString& value);

    const urlcache::CacheEntryInfo* m_pInfo = nullptr;
    bool m_bTimesUtc = false;
    std::optional<TimeZone> m_sourceZone;
    std::vector<std::pair<wxString, wxString>> m_sourceRows;
};

}  // namespace trovana::details
