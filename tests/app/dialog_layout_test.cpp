// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs and the wait window as the X server shows them at the
// program's 800 x 600: what is drawn on the screen, where the controls lie,
// and the keys a user presses.
#include <algorithm>
#include <functional>

#include <wx/app.h>
#include <wx/combobox.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/listctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include "app/wait_window.h"
#include "details/properties_dlg.h"
#include "operations/search_criteria.h"
#include "operations/search_dlg.h"
#include "window_fixture.h"

namespace trovana::test {
namespace {

// What the X server shows now in a rectangle of the screen.
wxImage ScreenPicture(const wxRect& rect)
{
    wxBitmap bitmap(rect.GetSize());
    wxMemoryDC memory(bitmap);
    wxScreenDC screen;
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
    return bitmap.ConvertToImage();
}

int Brightness(const wxImage& image, int x, int y)
{
    return image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y);
}

// The controls of a window that overlap one another; a group box may hold others.
std::vector<wxString> Overlaps(wxWindow& window)
{
    std::vector<wxString> found;
    const wxWindowList& children = window.GetChildren();
    for (auto a = children.begin(); a != children.end(); ++a)
        for (auto b = std::next(a); b != children.end(); ++b)
            if (!dynamic_cast<wxStaticBox*>(*a) && !dynamic_cast<wxStaticBox*>(*b) &&
                (*a)->GetRect().Intersects((*b)->GetRect()))
                found.push_back((*a)->GetName() + " " + (*a)->GetLabel() + " / " + (*b)->GetName() + " " +
                                (*b)->GetLabel());
    return found;
}

// Runs `whileOpen` once the modal dialog of type T is on the screen, from
// inside its modal loop; a dialog still open afterwards is closed, so that a
// failure cannot hang the test. Answers whether the dialog ended by itself.
template <class T>
bool WhileModal(const std::function<void()>& open, const std::function<void(T&)>& whileOpen)
{
    bool endedByItself = false;
    wxTheApp->CallAfter([&] {
        T* dialog = nullptr;
        const bool shown = WaitUntil([&] {
            for (wxWindow* window : wxTopLevelWindows)
                if (auto* found = dynamic_cast<T*>(window); found != nullptr && found->IsShownOnScreen())
                    dialog = found;
            return dialog != nullptr;
        });
        if (!shown) {
            ADD_FAILURE() << "the dialog was not shown";
            return;
        }
        whileOpen(*dialog);
        endedByItself = WaitUntil([&] { return !dialog->IsModal(); });
        if (!endedByItself)
            dialog->EndModal(wxID_CANCEL);
    });
    open();
    return endedByItself;
}

using DialogLayoutTest = WindowTest;

TEST_F(DialogLayoutTest, PropertiesShowsWholeNamesAndEnterClosesIt)
{
    StartWindow();
    int returned = 0;
    const bool closed = WhileModal<details::CPropertiesDlg>(
        [this] { View().ShowProperties("http://www.example.com/index.htm"); },
        [&returned](details::CPropertiesDlg& dialog) {
            wxListCtrl& list = *dialog.m_listProps;
            ASSERT_GE(list.GetItemCount(), 3);
            bool modified = false;
            for (long row = 0; row < list.GetItemCount(); ++row) {
                const wxString name = list.GetItemText(row, 0);
                modified = modified || name == "Modified Time";
                EXPECT_GE(list.GetColumnWidth(0), list.GetTextExtent(name).x + 12) << name;
            }
            EXPECT_TRUE(modified);
            EXPECT_TRUE(Overlaps(dialog).empty()) << Overlaps(dialog).front();
            // Enter from the keyboard, with the focus where the dialog put it.
            dialog.Raise();
            WaitUntil([&dialog] {
                return wxWindow::FindFocus() != nullptr && wxGetTopLevelParent(wxWindow::FindFocus()) == &dialog;
            });
            wxUIActionSimulator().Char(WXK_RETURN);
            WaitUntil([&dialog] { return !dialog.IsModal(); });
            returned = dialog.GetReturnCode();
        });
    EXPECT_TRUE(closed) << "Enter did not close the dialog";
    EXPECT_EQ(returned, wxID_OK);
}

TEST_F(DialogLayoutTest, SearchDialogControlsKeepTheirPlaces)
{
    StartWindow();
    operations::SearchCriteria criteria;
    operations::CSearchDlg dialog(m_pFrame, criteria);
    dialog.Show();
    ASSERT_TRUE(WaitUntil([&dialog] { return dialog.IsShownOnScreen(); }));
    auto* combo = dynamic_cast<wxComboBox*>(dialog.FindWindow(operations::IDC_DATE_MODE));
    ASSERT_NE(combo, nullptr);
    // As tall as a combo box is drawn, above the Types group.
    EXPECT_EQ(combo->GetSize().y, combo->GetBestSize().y);
    EXPECT_LT(combo->GetSize().y, 3 * combo->GetCharHeight());
    for (wxWindow* child : dialog.GetChildren()) {
        if (auto* box = dynamic_cast<wxStaticBox*>(child); box != nullptr && box->GetLabel() == "Types") {
            EXPECT_LT(combo->GetRect().GetBottom(), box->GetRect().GetTop());
        }
    }
    EXPECT_TRUE(Overlaps(dialog).empty()) << Overlaps(dialog).front();
    EXPECT_LE(dialog.GetSize().x, 800);
    EXPECT_LE(dialog.GetSize().y, 600);
}

TEST_F(DialogLayoutTest, WaitWindowIsDrawnBeforeTheWorkAndItsTextCentred)
{
    StartWindow();
    app::ShowBusyIndicator("Scanning the cache ...");
    // No event is handled between the showing and the picture, as during a scan.
    const wxRect rect(app::g_pWaitDlg->GetScreenPosition() + app::g_pWaitDlg->GetClientAreaOrigin(),
                      app::g_pWaitDlg->GetClientSize());
    const wxImage picture = ScreenPicture(rect);
    app::HideBusyIndicator();

    // Text is what differs from the window's background in its corner.
    const int background = Brightness(picture, 0, 0);
    EXPECT_GT(background, 3 * 128) << "drawn black";
    int dark = 0;
    wxRect text;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            if (std::abs(Brightness(picture, x, y) - background) > 90) {
                ++dark;
                text = text.IsEmpty() ? wxRect(x, y, 1, 1) : text.Union(wxRect(x, y, 1, 1));
            }
    ASSERT_GT(dark, 0) << "no text drawn";
    EXPECT_LT(dark, picture.GetWidth() * picture.GetHeight() / 4) << "drawn black";
    // The text keeps clear of the edges and sits in the middle.
    const int margin = app::g_pWaitDlg->ConvertDialogToPixels(wxSize(4, 0)).x;
    EXPECT_GE(text.GetLeft(), margin);
    EXPECT_GE(text.GetTop(), margin / 2);
    EXPECT_LE(text.GetBottom(), picture.GetHeight() - 1 - margin / 2);
    EXPECT_LE(std::abs(text.GetLeft() - (picture.GetWidth() - 1 - text.GetRight())), 4)
        << text.GetLeft() << " " << text.GetRight() << " of " << picture.GetWidth();
}

}  // namespace
}  // namespace trovana::test
