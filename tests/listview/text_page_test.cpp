// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of the text preview page, the reading of a file for it and the
// per-user folder it goes into; no display needed.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "listview/text_page.h"

namespace trovana::listview {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() : m_path(fs::temp_directory_path() / ("trovana-text-page-" + std::to_string(::getpid())))
    {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempFolder() { fs::remove_all(m_path); }
    const fs::path& Path() const { return m_path; }
    fs::path Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return m_path / name;
    }

private:
    fs::path m_path;
};

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(TextPage, LineBreaksAndLineEnds)
{
    EXPECT_EQ(TextPageBytes("<br>URL: http://a/"), "<HTML><BODY><br>URL: http://a/</BODY></HTML>");
    EXPECT_EQ(TextPageBytes("a{}\nb{}"), "<HTML><BODY>a{}<br>\r\nb{}</BODY></HTML>");
    EXPECT_EQ(TextPageBytes("x\r\ny"), "<HTML><BODY>x\r<br>\r\ny</BODY></HTML>");
    // The search resumes two characters after a kept line feed.
    EXPECT_EQ(TextPageBytes("a\n\nb"), "<HTML><BODY>a<br>\r\n\r\nb</BODY></HTML>");
    EXPECT_EQ(InsertLineBreaks("\n\n\n\n\n"), "<br>\n\n<br>\n\n<br>\n");
    EXPECT_EQ(InsertLineBreaks("a\r\n\r\nb\n"),
              "a\r<br>\n\r<br>\n"
              "b<br>\n");
    EXPECT_EQ(TextPageBytes(""), "<HTML><BODY></BODY></HTML>");
}

TEST(TextPage, MarkupInFilesAndUrlsIsShownAsText)
{
    TempFolder folder;
    const fs::path script = folder.Write("a.js", "if (a < b && c > d)\n<script>x()</script>");
    EXPECT_EQ(ReadPreviewText(script), "if (a &lt; b &amp;&amp; c &gt; d)\n&lt;script&gt;x()&lt;/script&gt;");
    EXPECT_EQ(ReadPreviewText("http://h/?a=1&b=<i>"), "<br>URL: http://h/?a=1&amp;b=&lt;i&gt;");
    EXPECT_EQ(TextPageBytes(ReadPreviewText(script)),
              "<HTML><BODY>if (a &lt; b &amp;&amp; c &gt; d)<br>\r\n&lt;script&gt;x()&lt;/script&gt;</BODY></HTML>");
}

TEST(TextPage, ReadingStopsAtNulAndAtTheLimit)
{
    TempFolder folder;
    EXPECT_EQ(ReadPreviewText(folder.Write("nul.css", std::string("ab\0cd", 5))), "ab");
    EXPECT_EQ(ReadPreviewText(folder.Write("empty.css", "")), "");
    EXPECT_EQ(ReadPreviewText(folder.Write("long.css", "0123456789"), 4), "0123");
    // The default limit: 4 MiB of a larger file.
    const fs::path big = folder.Write("big.js", std::string(kPreviewReadLimit + 100, 'x'));
    EXPECT_EQ(ReadPreviewText(big).size(), kPreviewReadLimit);
    // A folder is no file: its name is shown instead.
    EXPECT_EQ(ReadPreviewText(folder.Path()), "<br>URL: " + folder.Path().string());
    // A FIFO (no writer: opening it for reading would wait for good) and a
    // device are named, never read.
    const fs::path fifo = folder.Path() / "pipe.css";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadPreviewText(fifo), "<br>Not a regular file: " + fifo.string());
    EXPECT_EQ(ReadPreviewText("/dev/zero"), "<br>Not a regular file: /dev/zero");
}

TEST(TextPage, WrittenIntoTheFolderReplacingTheLastPage)
{
    TempFolder folder;
    fs::path page = WriteTextPage(folder.Path(), "first\nline");
    page = WriteTextPage(folder.Path(), "a\nb");  // replaces the first
    EXPECT_EQ(page, folder.Path() / "temp.htm");
    EXPECT_EQ(ReadBytes(page), "<HTML><BODY>a<br>\r\nb</BODY></HTML>");
    // Readable by the user alone, also when an older page was not.
    ::chmod(page.c_str(), 0644);
    page = WriteTextPage(folder.Path(), "secret");
    struct stat st {};
    ASSERT_EQ(::stat(page.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadBytes(page), "<HTML><BODY>secret</BODY></HTML>");
    // A link planted in the page's place is not written through.
    const fs::path elsewhere = folder.Write("elsewhere.txt", "kept");
    fs::remove(page);
    fs::create_symlink(elsewhere, page);
    EXPECT_THROW(WriteTextPage(folder.Path(), "x"), fs::filesystem_error);
    EXPECT_EQ(ReadBytes(elsewhere), "kept");

    EXPECT_THROW(WriteTextPage(folder.Path() / "missing", "x"), fs::filesystem_error);
}

}  // namespace
}  // namespace trovana::listview
