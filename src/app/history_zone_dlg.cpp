// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/history_zone_dlg.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include "time_zone.h"

namespace trovana::app {

namespace {
constexpr int kBorder = 8;
constexpr int kTextWidth = 380;
}  // namespace

CHistoryZoneDlg::CHistoryZoneDlg(wxWindow* parent, listview::Prompts& prompts, const wxString& chosen,
                                 const wxString& automatic)
    : wxDialog(parent, wxID_ANY, _("History Time Zone")),
      m_prompts(prompts),
      m_automaticText(wxString::Format(_("Automatic (%s)"), automatic)),
      m_chosen(chosen)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* text = new wxStaticText(this, wxID_ANY,
                                  _("Daily and weekly history keep the time of each visit in the local time of "
                                    "the computer that recorded them. Read them in this time zone "
                                    "(an IANA name such as Europe/Amsterdam):"));
    text->Wrap(FromDIP(kTextWidth));
    sizer->Add(text, 0, wxALL, kBorder);

    wxArrayString names;
    names.Add(m_automaticText);
    for (const std::string& name : TimeZone::KnownNames())
        names.Add(wxString::FromUTF8(name));
    auto* label = new wxStaticText(this, wxID_ANY, _("&Time zone:"));
    m_zone = new wxComboBox(this, IDC_HISTORY_ZONE, chosen.empty() ? m_automaticText : chosen, wxDefaultPosition,
                            wxDefaultSize, names, wxCB_DROPDOWN);
    // Typing a few letters offers the names that begin with them.
    m_zone->AutoComplete(names);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(label, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorder);
    row->Add(m_zone, 1, wxALIGN_CENTER_VERTICAL);
    sizer->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT, kBorder);

    auto* buttons = new wxStdDialogButtonSizer;
    auto* ok = new wxButton(this, wxID_OK, _("OK"));
    buttons->AddButton(ok);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    sizer->Add(buttons, 0, wxEXPAND | wxALL, kBorder);
    SetSizerAndFit(sizer);
    ok->SetDefault();
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOk(); }, wxID_OK);
    if (parent != nullptr)
        CentreOnParent();
    m_zone->SetFocus();
    m_zone->SelectAll();
}

void CHistoryZoneDlg::OnOk()
{
    const wxString typed = m_zone->GetValue().Strip(wxString::both);
    if (typed.empty() || typed == m_automaticText) {
        m_chosen.clear();
        EndModal(wxID_OK);
        return;
    }
    if (!TimeZone::Load(typed.utf8_string())) {
        m_prompts.MessageBox(this,
                             wxString::Format(_("%s is no time zone known to this computer. Give an IANA name such as "
                                                "Europe/Amsterdam, or choose Automatic."),
                                              typed),
                             GetTitle(), wxOK | wxICON_EXCLAMATION);
        m_zone->SetFocus();
        return;
    }
    m_chosen = typed;
    EndModal(wxID_OK);
}

}  // namespace trovana::app
