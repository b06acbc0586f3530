// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/search_dlg.h"

#include <algorithm>

#include <wx/arrstr.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "operations/search_match.h"

namespace trovana::operations {

namespace {

// The dialog's size in dialog units.
constexpr int kWidthDu = 298;
constexpr int kHeightDu = 210;
// The criteria keep the English names; the list shows them translated.
constexpr const char* kDateModes[] = {wxTRANSLATE("On"), wxTRANSLATE("Between"), wxTRANSLATE("After"),
                                      wxTRANSLATE("Before")};
constexpr int kBetweenIndex = 1;

wxDateTime ToWx(const DateTime& date)
{
    if (!date.IsValid())
        return wxDateTime::Today();
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(date.Day()),
                      static_cast<wxDateTime::Month>(date.Month() - 1), date.Year());
}

DateTime FromWx(const wxDateTime& date)
{
    return DateTime::FromParts(date.GetYear(), date.GetMonth() + 1, date.GetDay());
}

}  // namespace

CSearchDlg::CSearchDlg(wxWindow* parent, SearchCriteria& criteria)
    : wxDialog(parent, wxID_ANY, _("Search")), m_criteria(criteria)
{
    if (auto* top = wxDynamicCast(wxGetTopLevelParent(parent), wxTopLevelWindow))
        SetIcons(top->GetIcons());
    CreateControls();
    TransferToControls();
    UpdateDateState();
    UpdateKeywordsState();
    // Typing goes into the keyword field at once, when it is in use.
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
        event.Skip();
        if (m_editKeywords->IsEnabled()) {
            m_editKeywords->SetFocus();
            m_editKeywords->SetInsertionPointEnd();
        }
    });
}

wxCheckBox* CSearchDlg::AddCheck(int id, const wxString& text, int x, int y, int width)
{
    return new wxCheckBox(this, id, text, ConvertDialogToPixels(wxPoint(x, y)),
                          ConvertDialogToPixels(wxSize(width, 10)));
}

void CSearchDlg::MakeRoomForTexts(std::initializer_list<wxWindow*> spanning, std::initializer_list<wxWindow*> right)
{
    // A check box whose text (in some languages) is longer than its place
    // grows to hold it, and pushes what lies to its right on its row.
    const wxWindowList& children = GetChildren();
    for (wxWindow* child : children) {
        auto* box = dynamic_cast<wxCheckBox*>(child);
        const int grow = box != nullptr ? box->GetBestSize().x - box->GetSize().x : 0;
        if (grow <= 0)
            continue;
        const wxRect was = box->GetRect();
        box->SetSize(box->GetBestSize().x, was.height);
        for (wxWindow* other : children) {
            const wxRect rect = other->GetRect();
            if (other != box && rect.x > was.GetRight() && rect.GetBottom() >= was.y && rect.y <= was.GetBottom())
                other->Move(rect.x + grow, rect.y);
        }
    }
    // The dialog widens to its widest row; the controls that span it and
    // the buttons at its right follow.
    const int margin = ConvertDialogToPixels(wxSize(7, 0)).x;
    int widest = 0;
    for (wxWindow* child : children)
        if (std::find(spanning.begin(), spanning.end(), child) == spanning.end())
            widest = std::max(widest, child->GetRect().GetRight() + 1 + margin);
    const int extra = widest - GetClientSize().x;
    if (extra <= 0)
        return;
    SetClientSize(GetClientSize().x + extra, GetClientSize().y);
    for (wxWindow* child : spanning)
        child->SetSize(child->GetSize().x + extra, child->GetSize().y);
    for (wxWindow* child : right)
        child->Move(child->GetPosition().x + extra, child->GetPosition().y);
}

void CSearchDlg::CreateControls()
{
    SetClientSize(ConvertDialogToPixels(wxSize(kWidthDu, kHeightDu)));
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto size = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };

    m_checkKeywords = AddCheck(IDC_USE_KEYWORDS, _("URL keywords (use return key to input multiple keywords)"), 7, 7,
                               284);
    m_editKeywords = new wxTextCtrl(this, IDC_KEYWORDS, "", at(7, 20), size(284, 68), wxTE_MULTILINE);
    m_checkDate = AddCheck(IDC_USE_DATE, _("Access Date"), 7, 98, 58);
    // As tall as the toolkit draws a combo box; its list drops down apart.
    wxArrayString modes;
    for (const char* name : kDateModes)
        modes.Add(wxGetTranslation(name));
    m_comboDateMode = new wxComboBox(this, IDC_DATE_MODE, "", at(68, 96), wxSize(size(62, 0).x, wxDefaultCoord), modes,
                                     wxCB_DROPDOWN);
    m_dateFrom = new wxDatePickerCtrl(this, IDC_DATE_FROM, wxDefaultDateTime, at(136, 95), size(66, 14),
                                      wxDP_DROPDOWN | wxDP_SHOWCENTURY);
    m_staticAnd = new wxStaticText(this, IDC_DATE_AND, _("and"), at(207, 98), size(16, 8));
    m_dateTo = new wxDatePickerCtrl(this, IDC_DATE_TO, wxDefaultDateTime, at(225, 95), size(66, 14),
                                    wxDP_DROPDOWN | wxDP_SHOWCENTURY);

    auto* types = new wxStaticBox(this, wxID_ANY, _("Types"), at(7, 118), size(284, 60));
    m_checkAll = AddCheck(IDC_ALL_TYPES, _("All"), 16, 132, 60);
    const int typeIds[] = {IDC_DOCUMENTS, IDC_IMAGES,        IDC_APPLICATIONS,
                           IDC_COOKIES,   IDC_VISITED_LINKS, IDC_OTHER_TYPES};
    const wxString typeTexts[] = {_("Documents"), _("Images"),        _("Applications"),
                                  _("Cookies"),   _("Visited Links"), _("Other Types")};
    for (int i = 0; i < 6; ++i) {
        const int slot = i + 1;  // "All" holds the first slot
        m_checkTypes[i] = AddCheck(typeIds[i], typeTexts[i], 16 + (slot % 4) * 68, 132 + (slot / 4) * 18, 64);
    }

    auto* search = new wxButton(this, IDC_SEARCH, _("Search"), at(180, 188), size(50, 14));
    auto* cancel = new wxButton(this, wxID_CANCEL, _("Cancel"), at(241, 188), size(50, 14));
    MakeRoomForTexts({m_checkKeywords, m_editKeywords, types}, {search, cancel});
    // Enter acts as the Search button.
    search->SetDefault();
    SetAffirmativeId(IDC_SEARCH);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnSearch(); }, IDC_SEARCH);
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateKeywordsState(); }, IDC_USE_KEYWORDS);
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateDateState(); }, IDC_USE_DATE);
    Bind(
        wxEVT_COMBOBOX, [this](wxCommandEvent&) { UpdateDateState(); }, IDC_DATE_MODE);
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { SetAllTypes(true); }, IDC_ALL_TYPES);
    // Every type box clears "All", Cookies too.
    for (int id : typeIds)
        Bind(
            wxEVT_CHECKBOX, [this](wxCommandEvent&) { SetAllTypes(false); }, id);
}

void CSearchDlg::TransferToControls()
{
    const SearchCriteria& c = m_criteria;
    m_checkAll->SetValue(c.m_bAllTypes);
    const bool types[] = {c.m_bDocuments, c.m_bImages,       c.m_bApplications,
                          c.m_bCookies,   c.m_bVisitedLinks, c.m_bOtherTypes};
    for (int i = 0; i < 6; ++i)
        m_checkTypes[i]->SetValue(types[i]);
    m_checkDate->SetValue(c.m_bUseDate);
    m_checkKeywords->SetValue(c.m_bUseKeywords);
    // The first item that begins with the text is selected; other text stays typed.
    const wxString mode = wxString::FromUTF8(c.m_strDateMode);
    int found = wxNOT_FOUND;
    for (int i = 0; i < 4 && found == wxNOT_FOUND; ++i)
        if (wxString(kDateModes[i]).StartsWith(mode) || wxGetTranslation(kDateModes[i]).StartsWith(mode))
            found = i;
    if (found != wxNOT_FOUND)
        m_comboDateMode->SetSelection(found);
    else
        m_comboDateMode->SetValue(mode);
    m_dateFrom->SetValue(ToWx(c.m_dateFrom));
    m_dateTo->SetValue(ToWx(c.m_dateTo));
    m_editKeywords->ChangeValue(wxString::FromUTF8(c.m_strKeywords));
}

void CSearchDlg::UpdateData()
{
    SearchCriteria& c = m_criteria;
    c.m_bAllTypes = m_checkAll->GetValue();
    bool* types[] = {&c.m_bDocuments, &c.m_bImages,       &c.m_bApplications,
                     &c.m_bCookies,   &c.m_bVisitedLinks, &c.m_bOtherTypes};
    for (int i = 0; i < 6; ++i)
        *types[i] = m_checkTypes[i]->GetValue();
    c.m_bUseDate = m_checkDate->GetValue();
    c.m_bUseKeywords = m_checkKeywords->GetValue();
    const wxString mode = m_comboDateMode->GetValue();
    const auto listed = std::find_if(std::begin(kDateModes), std::end(kDateModes),
                                     [&mode](const char* name) { return wxGetTranslation(name) == mode; });
    c.m_strDateMode = listed != std::end(kDateModes) ? std::string(*listed) : mode.utf8_string();
    c.m_dateFrom = FromWx(m_dateFrom->GetValue());
    c.m_dateTo = FromWx(m_dateTo->GetValue());
    c.m_strKeywords = m_editKeywords->GetValue().utf8_string();
}

void CSearchDlg::SetAllTypes(bool b)
{
    m_criteria.m_bAllTypes = b;
    m_checkAll->SetValue(b);
    if (b)
        for (wxCheckBox* box : m_checkTypes)
            box->SetValue(true);
}

void CSearchDlg::UpdateKeywordsState()
{
    UpdateData();
    m_editKeywords->Enable(m_criteria.m_bUseKeywords);
}

void CSearchDlg::UpdateDateState()
{
    UpdateData();
    m_comboDateMode->Enable(m_criteria.m_bUseDate);
    m_dateFrom->Enable(m_criteria.m_bUseDate);
    const bool between = m_comboDateMode->GetSelection() == kBetweenIndex;
    m_dateTo->Enable(between);
    m_staticAnd->Enable(between);
}

void CSearchDlg::OnSearch()
{
    UpdateData();
    PrepareCriteria(m_criteria);
    if (IsModal()) {
        EndModal(wxID_OK);
    } else {
        SetReturnCode(wxID_OK);
        Hide();
    }
}

}  // namespace trovana::operations
