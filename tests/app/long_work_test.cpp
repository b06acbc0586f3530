// SPDX-License-Identifier: GPL-3.0-or-later
// Long work while the window answers, driven through the X server: Delete
// All on a cache of a few thousand entries says how many are done of how
// many, and Cancel (the status bar's button, or Escape) stops it with what
// was not reached kept; the Images tab lists its rows at once and the
// gallery comes after. While the test holds the containers' locks the work
// waits at its first access to the cache, whatever the speed of the
// machine, so that what the window shows meanwhile can be checked. No row
// is previewed meanwhile: the preview reads the cache on the window's thread.
#include <list>
#include <vector>

#include <wx/statusbr.h>

#include "folder_lock.h"
#include "listview/cache_list.h"
#include "listview/tab_strip.h"
#include "window_fixture.h"
#include "x_input.h"

namespace trovana::test {
namespace {

constexpr int kMoreEntries = 3000;

class LongWorkTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        std::vector<urlcache::NewCacheEntry> more;
        for (int i = 0; i < kMoreEntries; ++i)
            more.push_back(Entry("http://host" + std::to_string(i % 50) + ".example/p" + std::to_string(i) +
                                     (i % 3 == 0 ? ".png" : ".htm"),
                                 10, i % 3 == 0 ? "image/png" : "text/html"));
        m_cache.Add(more);
        StartWindow();
    }
    // Every container locked as for a change by another program.
    void LockCache()
    {
        for (const auto& container : m_cache.Location().containers)
            m_locks.emplace_back(container.folder, urlcache::FolderLock::Mode::Exclusive);
    }
    void UnlockCache() { m_locks.clear(); }
    wxString StatusText() { return m_pFrame->GetStatusBar()->GetStatusText(0); }
    // Delete All from the Edit menu, the question answered Yes; the
    // deletion then waits for the locks.
    void StartDeleteAll(size_t count)
    {
        LockCache();
        m_prompts.m_answers = {wxID_YES};
        m_input.Keys("alt+e a");
        const wxString counts = wxString::Format("Deleting: 0 of %zu cache entries done", count);
        ASSERT_TRUE(WaitUntil([&] { return StatusText() == counts; })) << StatusText();
        EXPECT_EQ(m_prompts.m_asked.back().text, "Delete All Cache Items?");
    }
    // Lets the deletion go on after it was stopped and waits for its end:
    // the batch it was in is done, no other.
    void FinishStopped(size_t before)
    {
        EXPECT_TRUE(WaitUntil([&] { return StatusText().StartsWith("Stopping: 0 of "); })) << StatusText();
        UnlockCache();
        FinishWork();
        const size_t left = m_cache.EnumeratedUrls().size();
        EXPECT_LT(left, before) << "the batch under way is done";
        EXPECT_GT(left, 0u) << "the batches after it are not";
        EXPECT_EQ(static_cast<size_t>(View().GetAllList()->GetItemCount()), left) << "the list shows what stays";
        EXPECT_EQ(m_prompts.m_asked.back().text,
                  wxString::Format("Deleting was stopped: %zu of %zu entries were deleted; the %zu not reached "
                                   "are still in the cache.",
                                   before - left, before, left)
                      .utf8_string())
            << "the summary says how many went and how many stay";
        EXPECT_TRUE(StatusText().Contains(" Items, ")) << "the summary is back: " << StatusText();
        EXPECT_EQ(m_pFrame->GetStatusBar()->FindWindow(wxID_CANCEL), nullptr);
    }

    std::list<urlcache::FolderLock> m_locks;
    XInput m_input;
};

TEST_F(LongWorkTest, DeleteAllCountsItsProgressAndCancelOrEscapeStopsIt)
{
    const size_t before = m_cache.EnumeratedUrls().size();
    StartDeleteAll(before);
    EXPECT_FALSE(StatusText().Contains("Ready"));
    // The window answers meanwhile: another tab lists its rows.
    m_input.Keys("ctrl+Next");
    EXPECT_TRUE(WaitUntil([&] { return View().GetTabStrip()->GetCurSel() == catalogue::kCategoryDocuments; }));
    // The Cancel button in the status bar.
    auto* cancel = m_pFrame->GetStatusBar()->FindWindow(wxID_CANCEL);
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return cancel->IsShownOnScreen(); }));
    m_input.Click(*cancel, wxPoint(cancel->GetSize().x / 2, cancel->GetSize().y / 2));
    FinishStopped(before);

    // Escape stops it too.
    const size_t second = m_cache.EnumeratedUrls().size();
    StartDeleteAll(second);
    m_input.Keys("Escape");
    FinishStopped(second);
}

TEST_F(LongWorkTest, TheImagesTabListsItsRowsAtOnceAndTheGalleryFollows)
{
    LockCache();
    listview::CTabStrip& tabs = *View().GetTabStrip();
    const wxRect images = tabs.GetItemRect(catalogue::kCategoryImages);
    m_input.Click(tabs, images.GetPosition() + wxPoint(5, images.height / 2));
    const int pictures = kMoreEntries / 3 + 2;
    ASSERT_TRUE(WaitUntil([&] { return View().GetActiveList()->GetItemCount() == pictures; }))
        << View().GetActiveList()->GetItemCount();
    EXPECT_TRUE(View().GetActiveList()->IsShownOnScreen());
    EXPECT_FALSE(View().IsGalleryShown()) << "the entries are looked up after the list is shown";
    EXPECT_NE(StatusText().Find(wxString::Format("Image files (%d Items", pictures)), wxNOT_FOUND) << StatusText();
    UnlockCache();
    EXPECT_TRUE(WaitUntil([&] { return View().IsGalleryShown(); }, 30000));
}

}  // namespace
}  // namespace trovana::test
