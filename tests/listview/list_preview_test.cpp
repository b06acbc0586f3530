// The preview of a clicked row: which entries are navigated to and which
// are shown as a text page, the record of the current source, the gallery's
// frame, and a pane that reaches no server and runs no page script.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include <wx/webview.h>

#include "listview/cache_list.h"
#include "listview/web_view.h"
#include "window_fixture.h"

namespace trovana::test {
namespace {

namespace fs = std::filesystem;

urlcache::NewCacheEntry WithFile(const std::string& url, const std::string& body, const std::string& extension,
                                 const std::string& contentType = {})
{
    urlcache::NewCacheEntry entry = Entry(url, 0, contentType);
    entry.body = body;
    entry.fileExtension = extension;
    return entry;
}

class PreviewTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_work = fs::temp_directory_path() / ("trovana-preview-" + std::to_string(::getpid()));
        const char* saved = std::getenv("XDG_CACHE_HOME");
        m_savedCacheHome = saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
        ::setenv("XDG_CACHE_HOME", m_work.c_str(), 1);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        if (m_savedCacheHome)
            ::setenv("XDG_CACHE_HOME", m_savedCacheHome->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        fs::remove_all(m_work);
    }

    listview::CWebView& Pane() { return *View().m_pWebView; }
    // Selects the row of the URL in the All list and clicks it.
    void Click(const std::string& url)
    {
        RowStore& rows = View().m_listAll->Rows();
        rows.SelectAll(false);
        const int row = rows.FindText(url);
        ASSERT_GE(row, 0) << url;
        rows.SetSelected(row, true);
        View().m_listAll->RowsChanged();
        View().PreviewSelected();
    }
    std::string LocalFile(const std::string& url)
    {
        auto info = View().Catalogue().LookupCacheEntry(url);
        return info != nullptr ? info->localFileName : std::string();
    }
    std::string PageBytes()
    {
        std::ifstream file(m_work / "trovana" / "temp.htm", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    bool ShownAsText() const
    {
        return m_pFrame->GetListView()->m_pWebView->m_lastNavigation.target.EndsWith("temp.htm");
    }

    fs::path m_work;
    std::optional<std::string> m_savedCacheHome;
};

TEST_F(PreviewTest, EachKindOfEntryTakesItsWay)
{
    m_cache.Add({
        WithFile("http://p.com/style.css", "a{}\nb{}", "css"),
        WithFile("http://p.com/run.cgi", "var x = 1 < 2;", "cgi", "application/x-javascript"),
        WithFile("http://p.com/doc", "%PDF", "js", "application/pdf"),
        WithFile("http://p.com/page.htm", "<p>hi</p>", "htm", "text/html"),
        WithFile("http://p.com/empty.js", "", "js"),
    });
    StartWindow();
    listview::CWebView& pane = Pane();

    Click("http://p.com/style.css");
    EXPECT_TRUE(ShownAsText());
    EXPECT_TRUE(pane.m_lastNavigation.noHistory);
    EXPECT_EQ(PageBytes(), "<HTML><BODY>a{}<br>\r\nb{}</BODY></HTML>");
    EXPECT_EQ(pane.m_strCurrentSource, LocalFile("http://p.com/style.css"));
    EXPECT_TRUE(pane.GetOffline());

    Click("http://p.com/run.cgi");  // a script content type: text
    EXPECT_EQ(PageBytes(), "<HTML><BODY>var x = 1 &lt; 2;</BODY></HTML>");

    // Another content type of its class: navigated to, whatever the file's name.
    Click("http://p.com/doc");
    EXPECT_EQ(pane.m_lastNavigation.target, LocalFile("http://p.com/doc"));
    EXPECT_FALSE(pane.m_lastNavigation.noHistory);

    Click("http://p.com/page.htm");
    EXPECT_EQ(pane.m_lastNavigation.target, LocalFile("http://p.com/page.htm"));
    EXPECT_EQ(pane.m_lastNavigation.frame, "");
    // The same row again: nothing new.
    const int navigations = pane.m_nNavigations;
    Click("http://p.com/page.htm");
    EXPECT_EQ(pane.m_nNavigations, navigations);

    // An empty file blanks the pane; its name is still the current source.
    Click("http://p.com/empty.js");
    EXPECT_EQ(pane.m_lastNavigation.target, "about:blank");
    EXPECT_EQ(pane.m_strCurrentSource, LocalFile("http://p.com/empty.js"));
}

TEST_F(PreviewTest, EntriesWithoutFilesShowTheirUrl)
{
    StartWindow();
    listview::CWebView& pane = Pane();
    Click("http://alpha.net/");  // an entry without a local file: every time
    EXPECT_TRUE(ShownAsText());
    EXPECT_EQ(PageBytes(), "<HTML><BODY><br>URL: http://alpha.net/</BODY></HTML>");
    const int navigations = pane.m_nNavigations;
    Click("http://alpha.net/");
    EXPECT_EQ(pane.m_nNavigations, navigations + 1);

    // An entry gone from the cache: its URL, escaped, unless it is the current source.
    View().ShowPreview("http://gone.com/?a=<b>&c");
    EXPECT_EQ(PageBytes(), "<HTML><BODY><br>URL: http://gone.com/?a=&lt;b&gt;&amp;c</BODY></HTML>");
    EXPECT_EQ(pane.m_strCurrentSource, "http://gone.com/?a=<b>&c");
    const int after = pane.m_nNavigations;
    View().ShowPreview("http://gone.com/?a=<b>&c");
    EXPECT_EQ(pane.m_nNavigations, after);

    // Nothing selected: only the offline switch.
    pane.SetOffline(false);
    View().m_listAll->Rows().SelectAll(false);
    View().m_listAll->RowsChanged();
    View().PreviewSelected();
    EXPECT_TRUE(pane.GetOffline());
    EXPECT_EQ(pane.m_nNavigations, after);
}

TEST_F(PreviewTest, WhileTheGalleryIsShownImagesGoIntoItsRightFrame)
{
    m_cache.Add({WithFile("http://p.com/app.js", "x()", "js")});
    StartWindow();
    listview::CWebView& pane = Pane();
    View().m_bGalleryShown = true;
    Click("http://www.example.com/img/logo.gif");
    EXPECT_EQ(pane.m_lastNavigation.frame, "right");
    EXPECT_EQ(pane.m_lastNavigation.target, LocalFile("http://www.example.com/img/logo.gif"));
    Click("http://p.com/app.js");  // the text page replaces the whole pane
    EXPECT_TRUE(ShownAsText());
    EXPECT_EQ(pane.m_lastNavigation.frame, "");
    Click("http://www.example.com/img/photo.jpg");
    EXPECT_EQ(pane.m_lastNavigation.frame, "right");
    // A tab change ends the gallery.
    View().ShowCategory();
    EXPECT_FALSE(View().m_bGalleryShown);
}

// A listening socket on the loopback interface that counts connections.
class LocalServer {
public:
    LocalServer()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(m_socket, 8) == 0 &&
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~LocalServer() { ::close(m_socket); }
    int Port() const { return m_port; }
    int Connections()
    {
        for (int client; (client = ::accept(m_socket, nullptr, nullptr)) >= 0;) {
            ++m_connections;
            ::close(client);
        }
        return m_connections;
    }

private:
    int m_socket = -1;
    int m_port = 0;
    int m_connections = 0;
};

TEST_F(PreviewTest, ACachedPageReachesNoServerAndRunsNoScript)
{
    LocalServer server;
    ASSERT_NE(server.Port(), 0);
    const std::string origin = "http://127.0.0.1:" + std::to_string(server.Port());
    m_cache.Add({WithFile("http://p.com/remote.htm",
                          "<html><head><title>cached</title></head><body><img src=\"" + origin +
                              "/a.gif\"><link rel=stylesheet href=\"" + origin +
                              "/b.css\"><script>document.title = 'ran';</script></body></html>",
                          "htm", "text/html")});
    StartWindow();
    wxWebView* browser = Pane().GetBrowser();
    if (browser == nullptr)
        GTEST_SKIP() << "no browser back end";
    Click("http://p.com/remote.htm");
    ASSERT_TRUE(WaitUntil([&] { return browser->GetCurrentTitle() == "cached" || browser->GetCurrentTitle() == "ran"; }));
    // Give any request the page would make a moment to arrive.
    WaitUntil([&] { return server.Connections() > 0; }, 500);
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_EQ(browser->GetCurrentTitle(), "cached");
}

}  // namespace
}  // namespace trovana::test
