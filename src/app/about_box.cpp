// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_box.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include "app/program_icon.h"
#include "app/resource.h"

namespace trovana::app {

namespace {
// The box's layout in dialog units.
constexpr int kBoxWidth = 235;
constexpr int kShownHeight = 56;
constexpr int kHeightSlack = 2;
const wxRect kIconRect{12, 15, 20, 20};
const wxRect kNameRect{40, 10, 119, 8};
const wxRect kCopyrightRect{40, 20, 119, 8};
const wxRect kAddressRect{40, 31, 119, 8};
const wxRect kLicenseRect{40, 41, 180, 8};
const wxRect kOkRect{164, 16, 55, 14};
}  // namespace

CAboutDlg::CAboutDlg()
    : wxDialog(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr, wxID_ANY, wxGetTranslation(ABOUT_CAPTION),
               wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
{
    auto place = [this](const wxRect& units) {
        return wxRect(ConvertDialogToPixels(units.GetPosition()), ConvertDialogToPixels(units.GetSize()));
    };
    const wxRect iconRect = place(kIconRect);
    const wxIcon icon = ProgramIcons().GetIcon(iconRect.GetSize(), wxIconBundle::FALLBACK_NEAREST_LARGER);
    new wxStaticBitmap(this, wxID_ANY, icon, iconRect.GetPosition(), iconRect.GetSize());
    auto text = [this, &place](int id, const wxString& label, const wxRect& units) {
        const wxRect rect = place(units);
        new wxStaticText(this, id, label, rect.GetPosition(), rect.GetSize(), wxST_NO_AUTORESIZE);
    };
    text(IDC_ABOUT_NAME, wxString::Format(wxGetTranslation(ABOUT_NAME_VERSION), VERSION_TEXT), kNameRect);
    text(wxID_ANY, ABOUT_COPYRIGHT, kCopyrightRect);
    text(wxID_ANY, PRODUCT_URL, kAddressRect);
    text(wxID_ANY, wxGetTranslation(ABOUT_LICENSE), kLicenseRect);
    const wxRect okRect = place(kOkRect);
    auto* ok = new wxButton(this, wxID_OK, _("OK"), okRect.GetPosition(), okRect.GetSize());
    ok->SetDefault();
    ok->SetFocus();
    SetEscapeId(wxID_OK);

    // The box ends two pixels above the line 56 dialog units below the top
    // of its client area: just below the OK button and the four lines.
    // The window system's frame lies around the client area, so this is the
    // client area's height.
    const wxSize shown = ConvertDialogToPixels(wxSize(kBoxWidth, kShownHeight));
    SetClientSize(shown.x, shown.y - kHeightSlack);
    CentreOnParent();
}

void ShowAboutBox()
{
    CAboutDlg box;
    box.ShowModal();
}

}  // namespace trovana::app
