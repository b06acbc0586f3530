// SPDX-License-Identifier: GPL-3.0-or-later
// The Properties dialog of an entry, and the message for an entry that has
// left the cache.
#include <filesystem>

#include <wx/listctrl.h>
#include <wx/textctrl.h>

#include "datetime.h"
#include "details/properties_dlg.h"
#include "listview/cache_list.h"
#include "window_fixture.h"

namespace trovana::test {
namespace {

// 1 January 2020 12:00:00 UTC and three later times, as FILETIMEs.
constexpr uint64_t kTime2020 = 132223536000000000ULL;
constexpr uint64_t kHour = 36000000000ULL;
// Far beyond the year 9999: no valid date.
constexpr uint64_t kInvalidTime = 0x7FFFFFFFFFFFFFFFULL;

class PropertiesTest : public WindowTest {
protected:
    urlcache::NewCacheEntry Timed(const std::string& url, uint64_t access)
    {
        urlcache::NewCacheEntry entry = Entry(url, 10, "text/plain");
        entry.lastModifiedTime = kTime2020;
        entry.lastAccessTime = access;
        entry.expireTime = kTime2020 + 2 * kHour;
        entry.lastSyncTime = kTime2020 + 3 * kHour;
        entry.hitRate = 0;
        return entry;
    }
    // The rows of the dialog for the entry: "name=value" each.
    std::vector<std::string> Rows(details::CPropertiesDlg& dialog)
    {
        std::vector<std::string> rows;
        wxListCtrl& list = *dialog.m_listProps;
        for (long row = 0; row < list.GetItemCount(); ++row)
            rows.push_back((list.GetItemText(row, 0) + "=" + list.GetItemText(row, 1)).utf8_string());
        return rows;
    }
};

TEST_F(PropertiesTest, RowsInOrderWithInvalidTimesLeftOut)
{
    m_cache.Add({Timed("http://t.com/all.txt", kTime2020 + kHour), Timed("http://t.com/noaccess.txt", kInvalidTime)});
    StartWindow();
    auto format = [](uint64_t fileTime) { return DateTime::FromFileTime(fileTime).Format(); };

    auto info = View().Catalogue().LookupCacheEntry("http://t.com/all.txt");
    ASSERT_NE(info, nullptr);
    details::CPropertiesDlg dialog(&View());
    dialog.SetEntryInfo(info.get());
    dialog.OnInitDialog();
    const std::string file = "File Name=" + listview::ToDisplayText(info->localFileName).utf8_string();
    EXPECT_EQ(Rows(dialog),
              (std::vector<std::string>{"URL=http://t.com/all.txt", file, "Modified Time=" + format(kTime2020),
                                        "Access Time=" + format(kTime2020 + kHour),
                                        "Expire Time=" + format(kTime2020 + 2 * kHour),
                                        "Sync Time=" + format(kTime2020 + 3 * kHour), "Hit Rate=0"}));
    EXPECT_EQ(dialog.m_editHeader->GetValue(), "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n");
    EXPECT_EQ(dialog.GetTitle(), "Properties");

    // The explanation line follows the clicked row and the header box.
    EXPECT_EQ(dialog.m_editDescription->GetValue(), "");
    dialog.OnClickPropList();  // nothing selected: unchanged
    EXPECT_EQ(dialog.m_editDescription->GetValue(), "");
    dialog.m_listProps->SetItemState(6, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    dialog.OnClickPropList();
    EXPECT_EQ(dialog.m_editDescription->GetValue(), "The number of times the cache entry was retrieved");
    dialog.m_listProps->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    dialog.OnClickPropList();
    EXPECT_EQ(dialog.m_editDescription->GetValue(), "URL name");
    dialog.OnSetFocusHeader();
    EXPECT_EQ(dialog.m_editDescription->GetValue(), "Header information");

    info = View().Catalogue().LookupCacheEntry("http://t.com/noaccess.txt");
    ASSERT_NE(info, nullptr);
    details::CPropertiesDlg second(&View());
    second.SetEntryInfo(info.get());
    second.OnInitDialog();
    const auto rows = Rows(second);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[2].substr(0, 14), "Modified Time=");
    EXPECT_EQ(rows[3].substr(0, 12), "Expire Time=");
    EXPECT_EQ(rows[5], "Hit Rate=0");
}

TEST_F(PropertiesTest, EntryWithoutFileOrHeaderOrTimes)
{
    std::string url = "http://t.com/bare";
    for (int i = 0; i < 12; ++i)
        url += "/a-long-folder-name";
    urlcache::NewCacheEntry bare = Timed(url, kTime2020);
    bare.body.reset();
    bare.headerInfo.clear();
    // Times never set are 0: shown empty, as the lists show them, never as
    // the first day of 1601.
    bare.lastModifiedTime = 0;
    bare.expireTime = 0;
    m_cache.Add({bare});
    StartWindow();
    auto info = View().Catalogue().LookupCacheEntry(url);
    ASSERT_NE(info, nullptr);
    details::CPropertiesDlg dialog(&View());
    dialog.SetEntryInfo(info.get());
    dialog.OnInitDialog();
    EXPECT_EQ(Rows(dialog)[1], "File Name=");
    EXPECT_EQ(Rows(dialog)[2], "Modified Time=");
    EXPECT_EQ(Rows(dialog)[4], "Expire Time=");
    // The value column holds its longest text whole: it is scrolled to,
    // never cut with "...".
    EXPECT_GE(dialog.m_listProps->GetColumnWidth(1), dialog.m_listProps->GetTextExtent(url).x);
    EXPECT_EQ(dialog.m_editHeader->GetValue(), "");
    EXPECT_EQ(Rows(dialog).back(), "Hit Rate=0") << "no file: nothing said of one";
}

// A cached file that is gone (not copied with the evidence): its name
// stays, and that it is absent is said apart.
TEST_F(PropertiesTest, AFileThatIsGoneKeepsItsNameAndIsSaidAbsent)
{
    m_cache.Add({Timed("http://t.com/gone.txt", kTime2020)});
    StartWindow();
    auto info = View().Catalogue().LookupCacheEntry("http://t.com/gone.txt");
    ASSERT_NE(info, nullptr);
    ASSERT_FALSE(info->localFileName.empty());
    std::filesystem::remove(info->localFileName);
    details::CPropertiesDlg dialog(&View());
    dialog.SetEntryInfo(info.get());
    dialog.OnInitDialog();
    const auto rows = Rows(dialog);
    EXPECT_EQ(rows[1], "File Name=" + listview::ToDisplayText(info->localFileName).utf8_string());
    EXPECT_EQ(rows.back(), "File Present=No");
}

TEST_F(PropertiesTest, AnEntryThatLeftTheCacheGivesAMessage)
{
    StartWindow();
    View().ShowProperties("http://gone.example/");
    // The same through a selected row whose entry has gone.
    RowStore& rows = View().GetAllList()->Rows();
    rows.SetText(0, 0, "http://also-gone.example/");
    rows.SetSelected(0, true);
    View().GetAllList()->RowsChanged();
    View().OnProperties();
    ASSERT_EQ(m_prompts.m_asked.size(), 2u);
    for (const auto& box : m_prompts.m_asked) {
        EXPECT_EQ(box.text, "No Information about the url");
        EXPECT_EQ(box.caption, "");
        EXPECT_EQ(box.style & (wxOK | wxYES_NO), wxOK);
    }
}

}  // namespace
}  // namespace trovana::test
