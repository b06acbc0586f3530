// SPDX-License-Identifier: GPL-3.0-or-later
// The read-only list of every record of the cache (the entries WinINet
// lists, redirects, leaked entries and entries recovered from free blocks),
// each with its state. It draws from the records it holds (virtual mode).
#pragma once

#include <vector>

#include <wx/listctrl.h>

#include "catalogue_entry.h"
#include "record_survey.h"

namespace trovana::listview {

class CRecoveredList : public wxListCtrl {
public:
    enum Column { kUrl, kState, kAccessTime, kHitRate, kSize, kColumns };

    CRecoveredList(wxWindow* parent, wxWindowID id);

    // Reads every record of the cache anew; the problems met go to problems.
    void Survey(const urlcache::CacheLocation& location, std::vector<std::string>& problems);
    // The zone of the Access Time column; redraws.
    void SetShownTimes(catalogue::ShownTimes zone);

    const std::vector<urlcache::SurveyedRecord>& Records() const { return m_records; }
    // The selected rows, in order.
    std::vector<int> SelectedRows() const;
    void SelectAll();
    // How many records have the state.
    int CountOf(urlcache::RecordState state) const;
    // Sets the columns' widths for the list's client width.
    void FitColumns();

private:
    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;

    std::vector<urlcache::SurveyedRecord> m_records;
    catalogue::ShownTimes m_zone = catalogue::ShownTimes::Local;
};

}  // namespace trovana::listview
