// SPDX-License-Identifier: GPL-3.0-or-later
#include "details/properties_dlg.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <tuple>

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "datetime.h"
#include "faithful_text.h"
#include "record_kind.h"

namespace trovana::details {

namespace {
struct Explanation {
    const char* name;
    const char* text;
};
// The names and their descriptions are shown through wxGetTranslation.
constexpr Explanation kExplanations[] = {
    {wxTRANSLATE("URL"), wxTRANSLATE("URL name")},
    {wxTRANSLATE("File Name"), wxTRANSLATE("Local file name")},
    {wxTRANSLATE("File Present"), wxTRANSLATE("Whether the cached file is there (a copied profile may lack it)")},
    {wxTRANSLATE("Table"), wxTRANSLATE("The WebCache database's table that holds the row")},
    {wxTRANSLATE("Entry Id"), wxTRANSLATE("The row's EntryId in that table (LeakFiles: its LeakId)")},
    {wxTRANSLATE("Flags"), wxTRANSLATE("The row's Flags as stored (a cookie's: secure, HttpOnly, ...)")},
    {wxTRANSLATE("Cookie Name"), wxTRANSLATE("The cookie's own name, as its row stores it")},
    {wxTRANSLATE("Cookie Value"), wxTRANSLATE("The cookie's own value, as its row stores it")},
    {wxTRANSLATE("Modified Time"), wxTRANSLATE("Last modified time of the URL")},
    {wxTRANSLATE("Access Time"), wxTRANSLATE("Last accessed time")},
    {wxTRANSLATE("Sync Time"), wxTRANSLATE("Last time the cache was synchronized")},
    {wxTRANSLATE("Expire Time"), wxTRANSLATE("Expiration time of this file")},
    {wxTRANSLATE("Creation Time"), wxTRANSLATE("When the entry was made (kept by the WebCache database only)")},
    {wxTRANSLATE("Post-Check Time"),
     wxTRANSLATE("When the entry is to be checked with the server after use (kept by the WebCache database only)")},
    {wxTRANSLATE("Local Time"),
     wxTRANSLATE("The modified time, local time of the zone it was recorded in, falls in the hour a clock change "
                 "skipped or repeated: it names no instant, or two")},
    {wxTRANSLATE("Hit Rate"), wxTRANSLATE("The number of times the cache entry was retrieved")},
    {wxTRANSLATE("Header"), wxTRANSLATE("Header information")},
};

// The layout in dialog units: client size, then each control's x, y,
// width and height.
struct Units {
    int x, y, width, height;
};
constexpr Units kClientSize{0, 0, 388, 244};
constexpr Units kPropertiesBox{7, 7, 374, 106};
constexpr Units kPropertyList{14, 16, 361, 91};
constexpr Units kHeaderBox{7, 113, 374, 89};
constexpr Units kHeaderText{13, 124, 362, 74};
constexpr Units kDescriptionLine{7, 205, 374, 12};
constexpr Units kOkButton{171, 221, 50, 16};
// The room a window manager's frame takes around the dialog, in pixels.
const wxSize kFrameRoom{20, 40};

// Space around a column's text, in dialog units.
constexpr int kColumnMarginDu = 8;
constexpr int kValueWidth = 600;

// The cache's texts are bytes: UTF-8 where valid, else Windows-1252.
// The text every output gives for the bytes (faithful_text.h).
wxString FromCacheBytes(const std::string& bytes)
{
    const std::string text = DecodedText(bytes);
    return wxString::FromUTF8(text.data(), text.size());
}
}  // namespace

CPropertiesDlg::CPropertiesDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Properties"), wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU)
{
    // On a screen too small for the layout it is drawn smaller as a whole;
    // the button and the one-line field keep their heights.
    const wxSize client = ConvertDialogToPixels(wxSize(kClientSize.width, kClientSize.height));
    const wxRect area = wxDisplay(static_cast<unsigned>(std::max(0, wxDisplay::GetFromWindow(parent))))
                            .GetClientArea();
    const double scaleX = std::min(1.0, static_cast<double>(area.width - kFrameRoom.x) / client.x);
    const double scaleY = std::min(1.0, static_cast<double>(area.height - kFrameRoom.y) / client.y);
    auto place = [&, this](const Units& units, bool keepHeight = false) {
        const wxPoint at = ConvertDialogToPixels(wxPoint(units.x, units.y));
        const wxSize size = ConvertDialogToPixels(wxSize(units.width, units.height));
        const int height = keepHeight ? size.y : static_cast<int>(size.y * scaleY);
        const int width = keepHeight ? size.x : static_cast<int>(size.x * scaleX);
        // A control kept whole stays centred where its scaled place is.
        return std::pair{wxPoint(static_cast<int>((at.x + size.x / 2.0) * scaleX - width / 2.0),
                                 static_cast<int>((at.y + size.y / 2.0) * scaleY - height / 2.0)),
                         wxSize(width, height)};
    };
    auto [boxAt, boxSize] = place(kPropertiesBox);
    new wxStaticBox(this, wxID_ANY, _("Properties"), boxAt, boxSize);
    auto [listAt, listSize] = place(kPropertyList);
    m_listProps = new wxListCtrl(this, IDC_PROP_LIST, listAt, listSize,
                                 wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_HRULES | wxLC_VRULES | wxBORDER_THEME);
    auto [headerBoxAt, headerBoxSize] = place(kHeaderBox);
    new wxStaticBox(this, wxID_ANY, _("Header"), headerBoxAt, headerBoxSize);
    auto [headerAt, headerSize] = place(kHeaderText);
    m_editHeader = new wxTextCtrl(this, IDC_PROP_HEADER, wxString(), headerAt, headerSize,
                                  wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
    auto [lineAt, lineSize] = place(kDescriptionLine, true);
    lineSize.x = static_cast<int>(lineSize.x * scaleX);
    lineAt.x = static_cast<int>(ConvertDialogToPixels(wxPoint(kDescriptionLine.x, 0)).x * scaleX);
    m_editDescription = new wxTextCtrl(this, IDC_PROP_DESCRIPTION, wxString(), lineAt, lineSize, wxTE_READONLY);
    auto [okAt, okSize] = place(kOkButton, true);
    auto* ok = new wxButton(this, wxID_OK, _("Ok"), okAt, okSize);
    // Enter closes the dialog wherever the focus is; the list would take it
    // as the activation of its row.
    ok->SetDefault();
    SetAffirmativeId(wxID_OK);
    // Ctrl+C in the list copies the selected row's value: the texts of the
    // rows cannot be selected as the header's can.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        const int key = event.GetKeyCode();
        if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && !event.HasAnyModifiers())
            EndModal(wxID_OK);
        else if ((key == 'C' || key == WXK_INSERT) && event.GetModifiers() == wxMOD_CONTROL && ListHasFocus())
            CopySelectedValue();
        else
            event.Skip();
    });
    SetClientSize(static_cast<int>(client.x * scaleX), static_cast<int>(client.y * scaleY));

    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { OnInitDialog(); });
    m_listProps->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { OnClickPropList(); });
    m_listProps->Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) {
        wxMenu menu;
        menu.Append(wxID_COPY, _("&Copy Value"));
        menu.Enable(wxID_COPY, m_listProps->GetSelectedItemCount() > 0);
        if (m_listProps->GetPopupMenuSelectionFromUser(menu) == wxID_COPY)
            CopySelectedValue();
    });
    m_editHeader->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        event.Skip();
        OnSetFocusHeader();
    });
}

bool CPropertiesDlg::OnInitDialog()
{
    for (const Explanation& explanation : kExplanations)
        m_mapDescriptions[explanation.name] = explanation.text;
    m_listProps->DeleteAllItems();
    m_listProps->DeleteAllColumns();
    m_listProps->InsertColumn(0, _("Name"), wxLIST_FORMAT_LEFT, NameColumnWidth());
    m_listProps->InsertColumn(1, _("Value"), wxLIST_FORMAT_LEFT, kValueWidth);
    if (m_pInfo == nullptr)
        return true;

    AddRow(0, "URL", FromCacheBytes(m_pInfo->sourceUrlName));
    // The stored name stays when the file is not there (not copied with a
    // profile); that it is not there is said apart, after the others.
    const bool hasFile = !m_pInfo->localFileName.empty() || !m_pInfo->storedFileName.empty();
    AddRow(1, "File Name",
           FromCacheBytes(m_pInfo->localFileName.empty() ? m_pInfo->storedFileName : m_pInfo->localFileName));
    long row = 2;
    // The last two only a WebCache database keeps: shown when set.
    const std::tuple<uint64_t, const char*, bool> times[] = {
        {m_pInfo->lastModifiedTime, "Modified Time", true},
        {m_pInfo->lastAccessTime, "Access Time", true},
        {m_pInfo->expireTime, "Expire Time", true},
        {m_pInfo->lastSyncTime, "Sync Time", true},
        {m_pInfo->creationTime, "Creation Time", false},
        {m_pInfo->postCheckTime, "Post-Check Time", false},
    };
    // Daily and weekly history keep the visit in the recording machine's
    // local time: read in its zone, which is named.
    const bool localVisit = m_sourceZone && urlcache::KeepsLocalTime(urlcache::RecordKindOf(m_pInfo->sourceUrlName));
    for (auto [fileTime, name, always] : times) {
        wxString recorded;
        if (localVisit && std::string_view(name) == "Modified Time" && fileTime != 0) {
            fileTime = m_sourceZone->UtcFromLocalFileTime(fileTime);
            recorded = " " + wxString::Format(_("(recorded in %s)"), wxString::FromUTF8(m_sourceZone->Name()));
        }
        // A time never set (0) is shown empty, as the lists show it.
        const DateTime time = m_bTimesUtc ? DateTime::FromFileTimeUtc(fileTime) : DateTime::FromFileTime(fileTime);
        if (fileTime == 0 && always)
            AddRow(row++, name, wxString());
        else if (time.IsValid() && fileTime != 0)
            AddRow(row++, name, time.Format() + (m_bTimesUtc ? " UTC" : "") + recorded);
    }
    if (localVisit) {
        // A local time in the hour a clock change skipped or repeated: say
        // which instant was taken.
        wxString fit;
        switch (m_sourceZone->FitOfLocalFileTime(m_pInfo->lastModifiedTime)) {
        case LocalTimeFit::Unique: break;
        case LocalTimeFit::Skipped:
            fit = _("Does not exist in %s (the hour skipped when summer time began): read with the offset before the "
                    "change");
            break;
        case LocalTimeFit::Repeated:
            fit = _("Exists twice in %s (the hour repeated when summer time ended): the first instant taken");
            break;
        }
        if (!fit.empty())
            AddRow(row++, "Local Time", wxString::Format(fit, wxString::FromUTF8(m_sourceZone->Name())));
    }
    AddRow(row++, "Hit Rate", wxString::Format("%u", m_pInfo->hitRate));
    std::error_code error;
    const bool present = !m_pInfo->localFileName.empty() &&
                         std::filesystem::is_regular_file(std::filesystem::path(m_pInfo->localFileName), error);
    const bool webCache = !m_pInfo->table.empty();
    if (hasFile && (!present || webCache))
        AddRow(row++, "File Present", present ? _("Yes") : _("No"));
    // Where a WebCache row is in its database, and its own flags.
    if (webCache) {
        AddRow(row++, "Table", wxString::FromUTF8(m_pInfo->table));
        AddRow(row++, "Entry Id", wxString::Format("%llu", static_cast<unsigned long long>(m_pInfo->entryId)));
        AddRow(row++, "Flags", wxString::Format("0x%X", m_pInfo->flags));
        // Several cookies of one domain and path share a URL: their own
        // name and value tell them apart.
        if (!m_pInfo->cookieName.empty() || !m_pInfo->cookieValue.empty()) {
            AddRow(row++, "Cookie Name", FromCacheBytes(m_pInfo->cookieName));
            AddRow(row++, "Cookie Value", FromCacheBytes(m_pInfo->cookieValue));
        }
    }
    for (const auto& [name, value] : m_sourceRows) {
        m_listProps->InsertItem(row, name);
        m_listProps->SetItem(row++, 1, value);
    }
    // The value column is as wide as its longest text (a long file name
    // is scrolled to, never cut with "...").
    int widest = kValueWidth;
    for (long item = 0; item < m_listProps->GetItemCount(); ++item)
        widest = std::max(widest, m_listProps->GetTextExtent(m_listProps->GetItemText(item, 1)).x +
                                      ConvertDialogToPixels(wxSize(kColumnMarginDu, 0)).x);
    m_listProps->SetColumnWidth(1, widest);
    if (m_pInfo->headerInfoSize() != 0)
        m_editHeader->ChangeValue(FromCacheBytes(std::string(m_pInfo->headerInfo.c_str())));
    return true;
}

int CPropertiesDlg::NameColumnWidth() const
{
    int widest = m_listProps->GetTextExtent(_("Name")).x;
    for (const Explanation& explanation : kExplanations)
        widest = std::max(widest, m_listProps->GetTextExtent(wxGetTranslation(explanation.name)).x);
    return widest + ConvertDialogToPixels(wxSize(kColumnMarginDu, 0)).x;
}

void CPropertiesDlg::AddRow(long row, const char* name, const wxString& value)
{
    m_listProps->InsertItem(row, wxGetTranslation(name));
    m_listProps->SetItem(row, 1, value);
}

void CPropertiesDlg::OnClickPropList()
{
    const long row = m_listProps->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (row < 0)
        return;
    // The rows show the names in the user's language; the descriptions are
    // kept under the English names.
    const wxString shown = m_listProps->GetItemText(row);
    const auto named = std::find_if(std::begin(kExplanations), std::end(kExplanations),
                                    [&shown](const Explanation& e) { return wxGetTranslation(e.name) == shown; });
    const auto found = named != std::end(kExplanations) ? m_mapDescriptions.find(named->name) : m_mapDescriptions.end();
    m_editDescription->ChangeValue(
        found != m_mapDescriptions.end() ? wxGetTranslation(wxString::FromUTF8(found->second)) : wxString());
}

bool CPropertiesDlg::ListHasFocus() const
{
    for (const wxWindow* focus = FindFocus(); focus != nullptr; focus = focus->GetParent()) {
        if (focus == m_listProps)
            return true;
    }
    return false;
}

void CPropertiesDlg::CopySelectedValue()
{
    const long row = m_listProps->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (row < 0 || !wxTheClipboard->Open())
        return;
    wxTheClipboard->SetData(new wxTextDataObject(m_listProps->GetItemText(row, 1)));
    wxTheClipboard->Close();
}

void CPropertiesDlg::OnSetFocusHeader()
{
    m_editDescription->ChangeValue(wxGetTranslation(wxString::FromUTF8(m_mapDescriptions["Header"])));
}

}  // namespace trovana::details
