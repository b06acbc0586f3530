// SPDX-License-Identifier: GPL-3.0-or-later
// The Help menu's services, the About box and the closing of the main window.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/filesys.h>
#include <wx/image.h>
#include <wx/html/htmlwin.h>
#include <wx/stattext.h>

#include "app/about_box.h"
#include "app/chm_file.h"
#include "app/help_window.h"
#include "app/resource.h"
#include "scripted_prompts.h"
#include "window_fixture.h"
#include "project_info.h"

// After the wx headers: Xlib defines names that they use.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/extensions/shape.h>

namespace trovana::test {
namespace {

#ifdef TROVANA_HELP_FILE
const std::filesystem::path kHelpFile = TROVANA_HELP_FILE;
#define REQUIRE_HELP_FILE()
#else
const std::filesystem::path kHelpFile;
#define REQUIRE_HELP_FILE() GTEST_SKIP() << "the help file was not built (no chmcmd)"
#endif

std::vector<wxString> StaticTexts(wxWindow& window)
{
    std::vector<wxString> texts;
    for (wxWindow* child : window.GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child))
            texts.push_back(text->GetLabel());
    return texts;
}

TEST(AboutBox, NamesTheProgramWithOkAsTheDefault)
{
    app::CAboutDlg box;
    EXPECT_EQ(box.GetTitle(), "About Trovana");
    EXPECT_EQ(StaticTexts(box),
              (std::vector<wxString>{wxString("Trovana Pro Version ") + kVersion, app::ABOUT_COPYRIGHT, app::PRODUCT_URL,
                                     "Licence: GNU GPL version 3 or later"}));
    auto* name = dynamic_cast<wxStaticText*>(box.FindWindow(app::IDC_ABOUT_NAME));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->GetLabel(), wxString("Trovana Pro Version ") + kVersion);

    auto* ok = dynamic_cast<wxButton*>(box.FindWindow(wxID_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetLabel(), "OK");
    EXPECT_EQ(box.GetDefaultItem(), ok);
    EXPECT_EQ(box.GetEscapeId(), wxID_OK);

    // As wide as 235 dialog units; the client area ends 2 pixels short of
    // 56 dialog units, below the OK button and the four lines.
    const int shown = box.ConvertDialogToPixels(wxSize(0, 56)).y - 2;
    EXPECT_EQ(box.GetClientSize(), wxSize(box.ConvertDialogToPixels(wxSize(235, 0)).x, shown));
    for (wxWindow* child : box.GetChildren())
        EXPECT_LE(child->GetRect().GetBottom(), shown) << child->GetLabel();
}

TEST(HelpFile, IsBuiltWithItsTopicsAndPictures)
{
    REQUIRE_HELP_FILE();
    app::CChmFile file(kHelpFile);
    ASSERT_TRUE(file.IsOpen()) << kHelpFile;
    const auto topic = file.Read("whatis.htm");
    ASSERT_TRUE(topic.has_value());
    EXPECT_NE(topic->find("<title>What is the URL cache?</title>"), std::string::npos);
    for (const char* name : {"/window.htm", "operations.htm", "caches.htm"})
        EXPECT_TRUE(file.Read(name).has_value()) << name;
    const auto picture = file.Read("images/trovana.png");
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->substr(1, 3), "PNG");
    EXPECT_FALSE(file.Read("missing.htm").has_value());
}

TEST(HelpWindow, ShowsTheTopicAndFollowsLinksInsideTheFile)
{
    REQUIRE_HELP_FILE();
    app::CHelpViewer viewer;
    app::CHelpWindow* window = viewer.ShowTopic(kHelpFile, "whatis.htm");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsShown());
    EXPECT_EQ(window->GetOpenedPage(), "trovana-help:/whatis.htm");
    EXPECT_EQ(window->GetTitle(), "Trovana Help - What is the URL cache?");
    const wxString text = window->GetHtml()->ToText();
    EXPECT_NE(text.Find("index.dat"), wxNOT_FOUND);

    // A relative link leads to another page of the same file.
    EXPECT_TRUE(window->GetHtml()->LoadPage("caches.htm"));
    EXPECT_EQ(window->GetOpenedPage(), "trovana-help:/caches.htm");
    EXPECT_NE(window->GetHtml()->ToText().Find("WINEPREFIX"), wxNOT_FOUND);

    // Pictures are read from the file too, relative to the page.
    wxFileSystem files;
    files.ChangePathTo("trovana-help:/whatis.htm");
    std::unique_ptr<wxFSFile> picture(files.OpenFile("images/trovana.png"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetMimeType(), "image/png");
    EXPECT_TRUE(wxImage(*picture->GetStream(), wxBITMAP_TYPE_PNG).IsOk());

    // A second request reuses the window.
    EXPECT_EQ(viewer.ShowTopic(kHelpFile, "whatis.htm"), window);
    EXPECT_EQ(window->GetOpenedPage(), "trovana-help:/whatis.htm");
    window->Destroy();
    ProcessEvents();
}

TEST(HelpWindow, AHelpFileThatCannotBeReadStopsEveryLaterRequest)
{
    REQUIRE_HELP_FILE();
    app::CHelpViewer viewer;
    EXPECT_EQ(viewer.ShowTopic(kHelpFile.parent_path() / "missing.chm", "whatis.htm"), nullptr);
    EXPECT_TRUE(viewer.HasFailed());
    // Even the good file is not tried again.
    EXPECT_EQ(viewer.ShowTopic(kHelpFile, "whatis.htm"), nullptr);
}

class ClosingTest : public WindowTest {
protected:
    // Closes the window by the command or the close box and records the
    // animation's pauses instead of waiting.
    std::vector<int> CloseBy(bool exitCommand)
    {
        std::vector<int> pauses;
        m_pFrame->m_closingPause = [&pauses](int ms) { pauses.push_back(ms); };
        if (exitCommand) {
            wxCommandEvent exit(wxEVT_MENU, app::ID_APP_EXIT);
            m_pFrame->ProcessWindowEvent(exit);
        } else {
            m_pFrame->Close();
        }
        EXPECT_TRUE(wxTheApp->IsScheduledForDestruction(m_pFrame));
        m_pFrame = nullptr;  // destroyed by wx now
        ProcessEvents();
        return pauses;
    }
};

TEST_F(ClosingTest, ExitPlaysTheAnimationBeforeClosing)
{
    StartWindow();
    EXPECT_EQ(CloseBy(true), (std::vector<int>{180, 130, 80, 50, 50, 50, 50, 50, 50, 50, 50, 50}));
}

TEST_F(ClosingTest, EachStepOfTheAnimationReachesTheXServer)
{
    StartWindow();
    GdkWindow* window = gtk_widget_get_window(m_pFrame->GetHandle());
    ASSERT_TRUE(GDK_IS_X11_WINDOW(window));
    Display* display = GDK_WINDOW_XDISPLAY(window);
    const Window id = GDK_WINDOW_XID(window);
    // The area of the window that the X server shows at each pause.
    std::vector<long> areas;
    m_pFrame->m_closingPause = [&](int) {
        int count = 0;
        int ordering = 0;
        XRectangle* rectangles = XShapeGetRectangles(display, id, ShapeBounding, &count, &ordering);
        long area = 0;
        for (int i = 0; i < count; ++i)
            area += long{rectangles[i].width} * rectangles[i].height;
        XFree(rectangles);
        areas.push_back(area);
    };
    wxCommandEvent exit(wxEVT_MENU, app::ID_APP_EXIT);
    m_pFrame->ProcessWindowEvent(exit);
    m_pFrame = nullptr;
    ProcessEvents();

    ASSERT_EQ(areas.size(), 12u);
    // A diamond is half the window; each step takes part of what is left.
    EXPECT_LE(areas.front(), 800L * 600 / 2 + 800);
    for (size_t i = 1; i < areas.size(); ++i)
        EXPECT_LT(areas[i], areas[i - 1]) << i;
    EXPECT_LT(areas.back(), 800L * 600 / 1000);
}

TEST_F(ClosingTest, TheCloseBoxClosesAtOnce)
{
    StartWindow();
    EXPECT_TRUE(CloseBy(false).empty());
}

TEST_F(ClosingTest, CheckUpdateWithoutABrowserNamesTheAddress)
{
    StartWindow();
    // No program to start a browser with.
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "trovana-no-browser";
    std::filesystem::create_directories(empty);
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    const char* browser = std::getenv("BROWSER");
    const std::string savedBrowser = browser != nullptr ? browser : "";
    ::setenv("PATH", empty.c_str(), 1);
    ::unsetenv("BROWSER");
    wxCommandEvent check(wxEVT_MENU, app::ID_CHECK_UPDATE);
    m_pFrame->ProcessWindowEvent(check);
    ProcessEvents();
    ::setenv("PATH", path.c_str(), 1);
    if (browser != nullptr)
        ::setenv("BROWSER", savedBrowser.c_str(), 1);
    std::filesystem::remove(empty);

    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text,
              std::string("No web browser could be started for the address ") + app::PRODUCT_URL + ".");
    EXPECT_EQ(m_prompts.m_asked[0].text.find("error"), std::string::npos);
}

}  // namespace
}  // namespace trovana::test
