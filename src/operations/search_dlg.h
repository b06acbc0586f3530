// SPDX-License-Identifier: GPL-3.0-or-later
// The Search dialog: URL keywords, a day of last access and the categories
// to look for. It shows and edits a set of criteria that outlives it.
#pragma once

#include <initializer_list>

#include <wx/dialog.h>

#include "operations/search_criteria.h"

class wxCheckBox;
class wxComboBox;
class wxDatePickerCtrl;
class wxStaticText;
class wxTextCtrl;

namespace trovana::operations {

// Control ids of the dialog.
inline constexpr int IDC_DATE_FROM = 1024;
inline constexpr int IDC_DATE_TO = 1026;
inline constexpr int IDC_DATE_MODE = 1027;
inline constexpr int IDC_DATE_AND = 1028;
inline constexpr int IDC_KEYWORDS = 1029;
inline constexpr int IDC_USE_KEYWORDS = 1030;
inline constexpr int IDC_USE_DATE = 1031;
inline constexpr int IDC_ALL_TYPES = 1032;
inline constexpr int IDC_DOCUMENTS = 1033;
inline constexpr int IDC_IMAGES = 1034;
inline constexpr int IDC_APPLICATIONS = 1035;
inline constexpr int IDC_COOKIES = 1036;
inline constexpr int IDC_VISITED_LINKS = 1037;
inline constexpr int IDC_OTHER_TYPES = 1038;
inline constexpr int IDC_SEARCH = 1039;

class CSearchDlg : public wxDialog {
public:
    // The criteria must outlive the dialog; the controls start from them.
    CSearchDlg(wxWindow* parent, SearchCriteria& criteria);

    // Stores every control's value into the criteria.
    void UpdateData();
    // Checks or clears "All"; checking it checks the six types too.
    void SetAllTypes(bool b);
    void UpdateKeywordsState();
    void UpdateDateState();
    // The Search button: prepares the criteria and closes with wxID_OK.
    void OnSearch();

private:
    void CreateControls();
    wxCheckBox* AddCheck(int id, const wxString& text, int x, int y, int width);
    void TransferToControls();
    void MakeRoomForTexts(std::initializer_list<wxWindow*> spanning, std::initializer_list<wxWindow*> right);

    SearchCriteria& m_criteria;
    wxCheckBox* m_checkKeywords = nullptr;
    wxTextCtrl* m_editKeywords = nullptr;
    wxCheckBox* m_checkDate = nullptr;
    wxComboBox* m_comboDateMode = nullptr;
    wxDatePickerCtrl* m_dateFrom = nullptr;
    wxStaticText* m_staticAnd = nullptr;
    wxDatePickerCtrl* m_dateTo = nullptr;
    wxCheckBox* m_checkAll = nullptr;
    // Documents, Images, Applications, Cookies, Visited Links, Other Types.
    wxCheckBox* m_checkTypes[6] = {};
};

}  // namespace trovana::operations
