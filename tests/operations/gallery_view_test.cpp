// SPDX-License-Identifier: GPL-3.0-or-later
// The gallery in the window: the pages written for the Images list's rows,
// the preview pane sent to them, and the state the preview keeps.
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include <unistd.h>
#include <wx/webview.h>

#include "listview/cache_address.h"
#include "listview/cache_list.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "operations/gallery_pages.h"
#include "scripted_prompts.h"
#include "window_fixture.h"
#include "work_folder.h"

namespace trovana::test {
namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A real picture, 7 x 5 pixels, as PNG bytes.
std::string PngBytes()
{
    return test::PngBytes(7, 5);
}

// Loads the page in the browser and answers the width of its first picture
// once the browser has loaded it; 0 when it could not be loaded.
int FirstPictureWidth(wxWebView& browser, const wxString& url)
{
    browser.LoadURL(url);
    if (!WaitUntil([&] { return browser.GetCurrentURL() == url && !browser.IsBusy(); }))
        return -1;
    wxString width;
    const bool ran = WaitUntil([&] {
        return browser.RunScript("(function(){var i=document.images[0];return i&&i.complete?i.naturalWidth:-1;})()",
                                 &width) &&
               width != "-1";
    });
    return ran ? wxAtoi(width) : -1;
}

class GalleryTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_cacheHome = std::filesystem::temp_directory_path() / ("trovana-gallery-view-" + std::to_string(::getpid()));
        std::error_code ignored;
        std::filesystem::remove_all(m_cacheHome, ignored);
        const char* old = std::getenv("XDG_CACHE_HOME");
        m_savedCacheHome = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CACHE_HOME", m_cacheHome.c_str(), 1);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        m_savedCacheHome ? setenv("XDG_CACHE_HOME", m_savedCacheHome->c_str(), 1) : unsetenv("XDG_CACHE_HOME");
        // The browser's own processes may still be writing their caches here.
        std::error_code ignored;
        std::filesystem::remove_all(m_cacheHome, ignored);
    }

    // Lists these URLs as the Images tab's rows.
    void ListImages(const std::vector<std::string>& urls)
    {
        RowStore& rows = View().GetCategoryList()->Rows();
        rows.DeleteAll();
        for (const std::string& url : urls)
            rows.InsertRow(rows.Count(), url, catalogue::kCategoryImages);
        View().GetCategoryList()->RowsChanged();
    }
    // The gallery shows each picture through its cache address.
    std::string Address(const std::string& url) { return listview::CacheAddress(url); }
    std::filesystem::path Folder() const { return WorkingFolder(); }

    std::filesystem::path m_cacheHome;
    std::optional<std::string> m_savedCacheHome;
};

TEST_F(GalleryTest, WritesThePicturesOfTheRowsInRowOrderAndShowsThem)
{
    StartWindow();
    const std::string photo = "http://www.example.com/img/photo.jpg";
    const std::string logo = "http://www.example.com/img/logo.gif";
    const std::string gone = "http://www.example.com/img/gone.png";  // left the cache since the scan
    const std::string page = "http://alpha.net/";                    // an entry without a file
    ListImages({photo, gone, logo, page});
    View().MakeGallery();
    FinishWork();

    EXPECT_EQ(ReadFile(Folder() / "frame.htm"), operations::GalleryFramePage());
    EXPECT_EQ(ReadFile(Folder() / "right.htm"), operations::GalleryRightPage());
    EXPECT_EQ(ReadFile(Folder() / "left.htm"), operations::GalleryLeftPage({Address(photo), Address(logo)}, {}));
    EXPECT_TRUE(View().IsGalleryShown());
    // The last row's URL, though it has no file.
    EXPECT_EQ(View().m_pWebView->CurrentSource(), page);
    wxWebView* browser = View().m_pWebView->GetBrowser();
    ASSERT_NE(browser, nullptr);
    const wxString frameUrl = operations::FileUrl((Folder() / "frame.htm").string());
    EXPECT_TRUE(WaitUntil([&] { return browser->GetCurrentURL() == frameUrl; }));

    // Sorted anew: the gallery follows the new order.
    ListImages({logo, photo});
    View().MakeGallery();
    FinishWork();
    EXPECT_EQ(ReadFile(Folder() / "left.htm"), operations::GalleryLeftPage({Address(logo), Address(photo)}, {}));
    EXPECT_EQ(View().m_pWebView->CurrentSource(), photo);
}

TEST_F(GalleryTest, TheImagesTabRebuildsItAfterASortAndADeletion)
{
    StartWindow();
    const std::string photo = "http://www.example.com/img/photo.jpg";
    const std::string logo = "http://www.example.com/img/logo.gif";
    View().GetTabStrip()->SetCurSel(catalogue::kCategoryImages);
    View().ShowCategory();
    FinishWork();
    ASSERT_TRUE(View().IsGalleryShown());
    auto galleryInRowOrder = [&] {
        std::vector<std::string> files;
        const RowStore& rows = View().GetCategoryList()->Rows();
        for (int row = 0; row < rows.Count(); ++row)
            files.push_back(Address(rows.Text(row, 0)));
        return operations::GalleryLeftPage(files, {});
    };

    // Each click on a column heading writes the gallery in the new order,
    // at once: the pictures of the same rows are not looked up again.
    for (int click = 0; click < 2; ++click) {
        View().OnColumnclickList(0);
        EXPECT_FALSE(View().IsGalleryWorking()) << "click " << click;
        EXPECT_EQ(ReadFile(Folder() / "left.htm"), galleryInRowOrder()) << "click " << click;
    }

    // A deletion writes it without the deleted picture.
    m_prompts.m_answers = {wxID_YES};
    View().GetCategoryList()->Rows().SelectAll(false);
    View().GetCategoryList()->Rows().SetSelected(View().GetCategoryList()->Rows().FindText(logo), true);
    View().GetCategoryList()->RowsChanged();
    View().DeleteSelected();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(ReadFile(Folder() / "left.htm"), operations::GalleryLeftPage({Address(photo)}, {}));
    EXPECT_EQ(ReadFile(Folder() / "left.htm").find(Address(logo)), std::string::npos);
}

TEST_F(GalleryTest, RowsWithoutPicturesStillShowTheEmptyGallery)
{
    StartWindow();
    ListImages({"http://alpha.net/", "http://www.example.com/img/gone.png"});
    View().MakeGallery();
    FinishWork();
    EXPECT_EQ(ReadFile(Folder() / "left.htm"), operations::GalleryLeftPage({}, {}));
    EXPECT_TRUE(View().IsGalleryShown());
}

TEST_F(GalleryTest, AnEmptyListBlanksThePreviewAndWritesNothing)
{
    StartWindow();
    // The folder is the process's: an earlier test's pages go first.
    for (const char* page : {"frame.htm", "left.htm", "right.htm"})
        std::filesystem::remove(Folder() / page);
    ListImages({});
    View().MakeGallery();
    FinishWork();
    EXPECT_FALSE(std::filesystem::exists(Folder() / "frame.htm"));
    EXPECT_FALSE(std::filesystem::exists(Folder() / "left.htm"));
    EXPECT_FALSE(View().IsGalleryShown());
    EXPECT_TRUE(View().m_pWebView->CurrentSource().empty());
}

TEST_F(GalleryTest, TheBrowserLoadsTheThumbnailOfACachedPicture)
{
    urlcache::NewCacheEntry picture;
    picture.url = "http://www.example.com/img/red.png";
    picture.body = PngBytes();
    picture.fileExtension = "png";
    m_cache.Add({picture});
    StartWindow();
    ListImages({picture.url});
    View().MakeGallery();
    FinishWork();
    wxWebView* browser = View().m_pWebView->GetBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(FirstPictureWidth(*browser, operations::FileUrl((Folder() / "left.htm").string())), 7);
}

TEST_F(GalleryTest, TheBrowserReachesPicturesWhosePathsNeedEscaping)
{
    StartWindow();
    wxWebView* browser = View().m_pWebView->GetBrowser();
    ASSERT_NE(browser, nullptr);
    for (const char* name : {"a b", "x&y", "say \"hi\"", "#1", "what?", "100%"}) {
        SCOPED_TRACE(name);
        // Pages of the program's own, in its working folder.
        const std::filesystem::path folder = Folder() / name;
        std::filesystem::create_directories(folder);
        const std::filesystem::path file = folder / (std::string(name) + ".png");
        std::ofstream(file, std::ios::binary) << PngBytes();
        ASSERT_TRUE(operations::WriteGalleryPages(folder, {file.string()}, {}));
        EXPECT_EQ(FirstPictureWidth(*browser, operations::FileUrl((folder / "left.htm").string())), 7);
    }
}

}  // namespace
}  // namespace trovana::test
