// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_fixture.h"

#include <wx/modalhook.h>

#include <cstdlib>

#include "app/trovana_app.h"
#include "details/properties_dlg.h"
#include "listview/screen_fit.h"

namespace trovana::test {

namespace {

// The rows of the Properties dialogs that were opened, "name=value" each.
class PropertiesWatch : public wxModalDialogHook {
public:
    PropertiesWatch() { Register(); }
    ~PropertiesWatch() override { Unregister(); }
    std::vector<std::string> rows;

private:
    // The dialog fills its rows as it would when shown, and is closed at once.
    int Enter(wxDialog* dialog) override
    {
        auto* properties = dynamic_cast<details::CPropertiesDlg*>(dialog);
        if (properties == nullptr)
            return wxID_NONE;
        properties->OnInitDialog();
        wxListCtrl& list = *properties->m_listProps;
        for (long row = 0; row < list.GetItemCount(); ++row)
            rows.push_back((list.GetItemText(row, 0) + "=" + list.GetItemText(row, 1)).utf8_string());
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

}  // namespace

void WindowTest::SetUp()
{
    m_cache.Add({
        Entry("http://www.example.com/index.htm", 1000, "text/html"),
        Entry("http://www.example.com/img/logo.gif", 2000),
        Entry("http://www.example.com/img/photo.jpg", 3000),
        Entry("http://Beta.org/app.js", 400),
        Entry("http://alpha.net/"),
        Entry("http://alpha.net/docs/readme.txt", 50, "text/plain"),
        Entry("Cookie:user@www.example.com/", 60),
        Entry("Visited: user@http://gamma.com/page.htm"),
    });
}

void WindowTest::TearDown()
{
    delete m_pFrame;
    m_pFrame = nullptr;
    ProcessEvents();
}

void WindowTest::StartWindow()
{
    m_pFrame = new app::CMainFrame();
    m_pFrame->UsePrompts(&m_prompts);
    ASSERT_TRUE(m_pFrame->LoadFrame(m_cache.Location()));
    app::ShowMainWindow(*m_pFrame);
    // 800 x 600, or the whole work area of a smaller screen.
    wxSize size(800, 600);
    size.DecTo(listview::WorkAreaOf(m_pFrame).GetSize());
    ASSERT_TRUE(WaitUntil([this, size] { return m_pFrame->IsShownOnScreen() && m_pFrame->GetSize() == size; }));
    ProcessEvents();
}

void WindowTest::ResizeWindow(const wxSize& size)
{
    m_pFrame->SetSize(size);
    ASSERT_TRUE(WaitUntil([this, size] { return m_pFrame->GetSize() == size; }));
    ProcessEvents();
}

catalogue::CNode* WindowTest::NodeAt(std::initializer_list<std::string> path)
{
    catalogue::CNode* node = &View().RootNode();
    for (const std::string& key : path) {
        auto found = node->Children().find(key);
        if (found == node->Children().end())
            return nullptr;
        node = found->second.get();
    }
    return node;
}

long WindowTest::RowOf(wxListCtrl& list, const std::string& text)
{
    for (long row = 0; row < list.GetItemCount(); ++row) {
        if (list.GetItemText(row, 0).utf8_string() == text)
            return row;
    }
    return -1;
}

std::vector<std::string> WindowTest::PropertiesOf(wxListCtrl& list, const std::string& text)
{
    return PropertiesOf(list, RowOf(list, text));
}

std::vector<std::string> WindowTest::PropertiesOf(wxListCtrl& list, long shown)
{
    PropertiesWatch watch;
    list.EnsureVisible(shown);
    ProcessEvents();
    wxRect rect;
    if (!list.GetItemRect(shown, rect))
        return {};
    const wxPoint point = list.ClientToScreen(wxPoint(rect.x + 40, rect.y + rect.height / 2));
    // From elsewhere, so that --sync sees the pointer move.
    const std::string click = "xdotool mousemove 0 0 mousemove --sync " + std::to_string(point.x) + " " +
                              std::to_string(point.y) + " click --repeat 2 1";
    EXPECT_EQ(::system(click.c_str()), 0) << click;
    WaitUntil([&] { return !watch.rows.empty(); });
    return watch.rows;
}

void WindowTest::FinishWork()
{
    ASSERT_TRUE(WaitUntil([this] { return !View().IsWorking() && !View().IsGalleryWorking(); }, 60000));
}

}  // namespace trovana::test
