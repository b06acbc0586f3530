// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_fixture.h"

#include "app/trovana_app.h"
#include "listview/screen_fit.h"

namespace trovana::test {

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

}  // namespace trovana::test
