// SPDX-License-Identifier: GPL-3.0-or-later
// View > History Time Zone...: the zone the computer that recorded the cache
// ran in. Daily and weekly history keep their visit times in that machine's
// local time; the window reads them in the zone chosen here, or in the
// cache's own default ("Automatic").
#pragma once

#include <wx/dialog.h>

#include "listview/prompts.h"

class wxComboBox;

namespace trovana::app {

inline constexpr int IDC_HISTORY_ZONE = 1080;

class CHistoryZoneDlg : public wxDialog {
public:
    // `chosen`: the zone chosen before for this cache, empty for Automatic;
    // `automatic`: the name of the zone Automatic stands for. A name that is
    // no time zone is refused through `prompts`.
    CHistoryZoneDlg(wxWindow* parent, listview::Prompts& prompts, const wxString& chosen, const wxString& automatic);

    // After OK: the IANA name chosen, empty for Automatic.
    wxString ChosenZone() const { return m_chosen; }

private:
    void OnOk();

    listview::Prompts& m_prompts;
    wxComboBox* m_zone = nullptr;
    wxString m_automaticText;
    wxString m_chosen;
};

}  // namespace trovana::app
