// SPDX-License-Identifier: GPL-3.0-or-later
// The gallery's pages, byte for byte, and where they are written.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "operations/gallery_pages.h"

namespace trovana::operations {
namespace {

const std::string kLeftHead =
    "<html>\r\n<head>\r\n<title></title>\r\n<STYLE type=\"text/css\">\r\n<!-- \r\n"
    ".imgsborder { border: 2 outset #C0C0C0;width:100;height:80 } \r\n-->\r\n</STYLE>\r\n</head>\r\n<body>\r\n";
const std::string kLeftTail = "</p></body>\r\n</html>\r\n";

std::string AnchorOf(const std::string& url)
{
    return "<a href=\"" + url + "\" target=\"right\"><img border=\"0\" src=\"" + url + "\" class=\"imgsborder\" ></a>";
}

// Undoes the percent-encoding of a file URL, as the browser does.
std::string PathOfFileUrl(const std::string& url)
{
    EXPECT_EQ(url.rfind("file://", 0), 0u);
    std::string path;
    for (size_t i = 7; i < url.size(); ++i) {
        if (url[i] == '%') {
            path += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(GalleryPages, FrameAndRightPagesAreFixed)
{
    EXPECT_EQ(GalleryFramePage(),
              "<html>\r\n<head>\r\n<title></title>\r\n</head>\r\n<frameset cols=\"24%,*\">\r\n"
              "<frame name=\"left\" src=\"left.htm\">\r\n<frame name=\"right\" src=\"right.htm\">\r\n"
              "<noframes>\r\n<body>\r\n"
              "<p>This page uses frames, but your browser doesn't support them.</p>\r\n"
              "</body>\r\n</noframes>\r\n</frameset>\r\n</html>\r\n");
    EXPECT_EQ(GalleryRightPage(), "<html>\r\n<head>\r\n<title></title>\r\n</head>\r\n<body>\r\n</body>\r\n</html>\r\n");
}

TEST(GalleryPages, LeftPageHoldsOneAnchorPerPictureInOrder)
{
    std::vector<int> progress;
    const std::string page = GalleryLeftPage({"/c/b.gif", "/c/a.jpg"}, [&](int p) { progress.push_back(p); });
    EXPECT_EQ(page, kLeftHead + "<p>" + AnchorOf("file:///c/b.gif") + AnchorOf("file:///c/a.jpg") + kLeftTail);
    EXPECT_EQ(progress, std::vector<int>{0});
}

TEST(GalleryPages, NoPicturesLeaveAnEmptyParagraph)
{
    int calls = 0;
    EXPECT_EQ(GalleryLeftPage({}, [&](int) { ++calls; }), kLeftHead + "<p>" + kLeftTail);
    EXPECT_EQ(calls, 0);
}

TEST(GalleryPages, AtMost404PicturesWhileTheProgressRunsToTheEnd)
{
    std::vector<std::string> files;
    for (int i = 0; i < 405; ++i)
        files.push_back("/p/" + std::to_string(i) + ".png");
    std::vector<int> progress;
    const std::string page = GalleryLeftPage(files, [&](int p) { progress.push_back(p); });

    EXPECT_NE(page.find(AnchorOf("file:///p/403.png")), std::string::npos);
    EXPECT_EQ(page.find("/p/404.png"), std::string::npos);
    size_t anchors = 0;
    for (size_t at = page.find("<a href="); at != std::string::npos; at = page.find("<a href=", at + 1))
        ++anchors;
    EXPECT_EQ(anchors, 404u);

    // Every image index that is a multiple of 20, up to the last group.
    std::vector<int> expected;
    for (int k = 0; k < 405; k += 20)
        expected.push_back(100 * k / 405);
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(progress.back(), 98);
}

TEST(GalleryPages, AGroupStartingPastThe400thIsLeftOutWhole)
{
    std::vector<std::string> files(404, "/x.png");
    files.push_back("/y.png");
    files.push_back("/y.png");
    const std::string page = GalleryLeftPage(files, {});
    EXPECT_EQ(page.find("/y.png"), std::string::npos);
}

TEST(GalleryPages, PathsWithSpecialCharactersStillNameTheirFile)
{
    const std::vector<std::string> paths = {
        "/cache/my pictures/a b.jpg", "/cache/x&y.gif",  "/cache/say \"hi\".png", "/cache/#1.png",
        "/cache/what?.png",           "/cache/100%.png", "/cache/<b>.png",        "/cache/caf\xC3\xA9.jpg",
    };
    for (const std::string& path : paths) {
        const std::string url = FileUrl(path);
        SCOPED_TRACE(url);
        EXPECT_EQ(url.find_first_of(" &\"#?<>'"), std::string::npos);
        EXPECT_EQ(PathOfFileUrl(url), path);
        const std::string page = GalleryLeftPage({path}, {});
        EXPECT_NE(page.find(AnchorOf(url)), std::string::npos);
    }
    EXPECT_EQ(FileUrl("/a b/x&y#?%\".gif"), "file:///a%20b/x%26y%23%3F%25%22.gif");
}

TEST(GalleryPages, AttributeTextEscapesItsMarkup)
{
    EXPECT_EQ(EscapeAttribute("a&b\"c<d>e'f"), "a&amp;b&quot;c&lt;d&gt;e'f");
    EXPECT_EQ(EscapeAttribute("file:///plain.gif"), "file:///plain.gif");
}

class GalleryFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("trovana-gallery-" + std::to_string(::getpid()) + "-" +
                    testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder;
};

TEST_F(GalleryFilesTest, WritesTheThreePagesAndReplacesOldOnes)
{
    std::ofstream(m_folder / "left.htm") << "an older and much longer gallery page than the new one";
    ASSERT_TRUE(WriteGalleryPages(m_folder, {"/c/a.gif"}, {}));
    EXPECT_EQ(ReadFile(m_folder / "frame.htm"), GalleryFramePage());
    EXPECT_EQ(ReadFile(m_folder / "right.htm"), GalleryRightPage());
    EXPECT_EQ(ReadFile(m_folder / "left.htm"), GalleryLeftPage({"/c/a.gif"}, {}));
}

TEST_F(GalleryFilesTest, ALeftPageThatCannotBeWrittenMeansNoGallery)
{
    std::filesystem::create_directory(m_folder / "left.htm");  // a folder in its place
    EXPECT_FALSE(WriteGalleryPages(m_folder, {"/c/a.gif"}, {}));
    EXPECT_FALSE(WriteGalleryPages(m_folder / "missing", {"/c/a.gif"}, {}));
}

}  // namespace
}  // namespace trovana::operations
