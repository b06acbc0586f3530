// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs and the wait window as the X server shows them at the
// program's 800 x 600: what is drawn on the screen, where the controls lie,
// and the keys a user presses.
#include <algorithm>
#include <functional>

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/listctrl.h>
#include <wx/modalhook.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/translation.h>
#include <wx/uiaction.h>

#include <gtk/gtk.h>

#include "app/open_cache_dlg.h"
#include "app/wait_window.h"
#include "listview/cache_list.h"
#include "listview/screen_fit.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
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
// The toolkit's own choosers are found through the hook that every modal
// dialog passes, as they are in no list of wx's windows.
class LastModal final : public wxModalDialogHook {
public:
    LastModal() { Register(); }
    ~LastModal() override { Unregister(); }
    int Enter(wxDialog* dialog) override
    {
        m_pLast = dialog;
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
    wxDialog* m_pLast = nullptr;
};

template <class T>
bool WhileModal(const std::function<void()>& open, const std::function<void(T&)>& whileOpen)
{
    bool endedByItself = false;
    LastModal hook;
    wxTheApp->CallAfter([&] {
        T* dialog = nullptr;
        const bool shown = WaitUntil([&] {
            dialog = dynamic_cast<T*>(hook.m_pLast);
            return dialog != nullptr && gtk_widget_get_mapped(dialog->GetHandle());
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

// The dialogs and the main window on whatever screen the test runs on (it
// runs on screens of 800 x 600 and 640 x 480 without a window manager too):
// each lies wholly on the screen, its buttons with it.
TEST_F(DialogLayoutTest, EveryWindowFitsTheScreen)
{
    StartWindow();
    const wxRect screen = listview::WorkAreaOf(m_pFrame);
    const auto onScreen = [&screen](wxWindow& window) {
        // A window's place as the X server has it, a native chooser's too.
        wxRect rect = window.GetScreenRect();
        if (window.IsTopLevel()) {
            GdkWindow* drawn = gtk_widget_get_window(window.GetHandle());
            ASSERT_NE(drawn, nullptr);
            gdk_window_get_origin(drawn, &rect.x, &rect.y);
            rect.SetSize(wxSize(gdk_window_get_width(drawn), gdk_window_get_height(drawn)));
        }
        EXPECT_TRUE(screen.Contains(rect)) << window.GetLabel() << " at " << rect.x << "," << rect.y << " "
                                           << rect.width << " x " << rect.height << " on " << screen.width
                                           << " x " << screen.height;
    };
    onScreen(*m_pFrame);
    // Every pane keeps its minimum.
    EXPECT_GE(m_pFrame->m_pTreeView->GetSize().x, 100);
    EXPECT_GE(View().GetSize().y, 100);
    EXPECT_GE(View().m_pWebView->GetSize().y, 90);

    WhileModal<details::CPropertiesDlg>([this] { View().ShowProperties("http://www.example.com/index.htm"); },
                                        [&](details::CPropertiesDlg& dialog) {
                                            onScreen(dialog);
                                            onScreen(*dialog.FindWindow(wxID_OK));
                                            EXPECT_TRUE(Overlaps(dialog).empty()) << Overlaps(dialog).front();
                                        });
    WhileModal<operations::CSearchDlg>([this] { View().Search(); }, [&](operations::CSearchDlg& dialog) {
        onScreen(dialog);
        onScreen(*dialog.FindWindow(wxID_CANCEL));
    });
    WhileModal<app::COpenCacheDlg>(
        [this] {
            app::COpenCacheDlg dialog(m_pFrame, m_pFrame->UserPrompts(), discovery::Environment{});
            dialog.ShowModal();
        },
        [&](app::COpenCacheDlg& dialog) {
            onScreen(dialog);
            onScreen(*dialog.FindWindow(wxID_OK));
        });
}

#ifdef TROVANA_TEST_LOCALE_DIR
// What GTK says on the terminal while a test runs: criticals and warnings.
class GtkComplaints {
public:
    GtkComplaints()
        : m_handler(g_log_set_handler("Gtk", static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                                      &GtkComplaints::Note, &m_said))
    {
    }
    ~GtkComplaints() { g_log_remove_handler("Gtk", m_handler); }
    GtkComplaints(const GtkComplaints&) = delete;
    GtkComplaints& operator=(const GtkComplaints&) = delete;
    const std::vector<std::string>& Said() const { return m_said; }

private:
    static void Note(const gchar*, GLogLevelFlags, const gchar* message, gpointer said)
    {
        static_cast<std::vector<std::string>*>(said)->push_back(message);
    }
    std::vector<std::string> m_said;
    guint m_handler;
};

// The window in German at 800 x 600: every category tab is on the strip,
// none behind scroll arrows, and the Search dialog holds its longer texts
// without GTK complaining of too little room.
TEST_F(DialogLayoutTest, GermanFitsAt800x600)
{
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(TROVANA_TEST_LOCALE_DIR);
    auto* german = new wxTranslations;
    wxTranslations::Set(german);
    // English again for the tests that follow, however this one ends.
    const struct English {
        ~English() { wxTranslations::Set(nullptr); }
    } english;
    german->SetLanguage("de");
    ASSERT_TRUE(german->AddCatalog("trovana"));
    const GtkComplaints complaints;
    StartWindow();
    listview::CTabStrip& tabs = *View().GetTabStrip();
    ASSERT_EQ(tabs.GetItemText(6), "Andere");
    const wxRect last = tabs.GetItemRect(6);
    EXPECT_FALSE(tabs.GetItemRect(0).IsEmpty()) << "the first tab scrolled away";
    EXPECT_LE(last.GetRight(), tabs.GetClientSize().x - 1) << "the last tab is cut";
    EXPECT_EQ(tabs.HitTest(last.GetPosition() + wxPoint(last.width - 2, last.height / 2)), 6);

    operations::SearchCriteria criteria;
    operations::CSearchDlg dialog(m_pFrame, criteria);
    dialog.Show();
    ASSERT_TRUE(WaitUntil([&dialog] { return dialog.IsShownOnScreen(); }));
    ProcessEvents();
    for (wxWindow* child : dialog.GetChildren()) {
        if (auto* box = dynamic_cast<wxCheckBox*>(child)) {
            EXPECT_GE(box->GetSize().x, box->GetBestSize().x) << box->GetLabel();
        }
    }
    EXPECT_TRUE(Overlaps(dialog).empty()) << Overlaps(dialog).front();
    EXPECT_LE(dialog.GetSize().x, 800);
    dialog.Hide();
    ProcessEvents();
    EXPECT_TRUE(complaints.Said().empty()) << complaints.Said().front();
}
#endif

}  // namespace
}  // namespace trovana::test
