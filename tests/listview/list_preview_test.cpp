// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of a clicked row: which entries are navigated to and which
// are shown as a text page, the record of the current source, the gallery's
// frame, a pane that reaches no server, runs no page script and reads no
// file but the cache's own, and cached pages shown with their cached parts.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include <wx/uiaction.h>
#include <wx/webview.h>

#include "listview/cache_address.h"
#include "listview/cache_list.h"
#include "listview/tab_strip.h"
#include "listview/web_view.h"
#include "window_fixture.h"
#include "work_folder.h"

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
    // Selects the row of url in the list shown (the All list unless a tab
    // was chosen) and previews it.
    void Click(const std::string& url)
    {
        listview::CCacheList& list = *View().GetActiveList();
        RowStore& rows = list.Rows();
        rows.SelectAll(false);
        const int row = rows.FindText(url);
        ASSERT_GE(row, 0) << url;
        rows.SetSelected(row, true);
        list.RowsChanged();
        View().PreviewSelected();
    }
    std::string LocalFile(const std::string& url)
    {
        auto info = View().Catalogue().LookupCacheEntry(url);
        return info != nullptr ? info->localFileName : std::string();
    }
    std::string PageBytes()
    {
        std::ifstream file(WorkingFolder() / "temp.htm", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    bool ShownAsText() const
    {
        return m_pFrame->GetListView()->m_pWebView->LastNavigation().target.EndsWith("temp.htm");
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
    EXPECT_TRUE(pane.LastNavigation().noHistory);
    EXPECT_EQ(PageBytes(), "<HTML><BODY>a{}<br>\r\nb{}</BODY></HTML>");
    EXPECT_EQ(pane.CurrentSource(), LocalFile("http://p.com/style.css"));
    EXPECT_TRUE(pane.GetOffline());

    Click("http://p.com/run.cgi");  // a script content type: text
    EXPECT_EQ(PageBytes(), "<HTML><BODY>var x = 1 &lt; 2;</BODY></HTML>");

    // Another content type of its class: navigated to, whatever the file's name.
    Click("http://p.com/doc");
    EXPECT_EQ(pane.LastNavigation().target, LocalFile("http://p.com/doc"));
    EXPECT_EQ(pane.LastNavigation().cacheUrl, "http://p.com/doc");
    EXPECT_FALSE(pane.LastNavigation().noHistory);

    Click("http://p.com/page.htm");
    EXPECT_EQ(pane.LastNavigation().target, LocalFile("http://p.com/page.htm"));
    EXPECT_EQ(pane.LastNavigation().frame, "");
    // The same row again: nothing new.
    const int navigations = pane.NavigationCount();
    Click("http://p.com/page.htm");
    EXPECT_EQ(pane.NavigationCount(), navigations);

    // An empty file blanks the pane; its name is still the current source.
    Click("http://p.com/empty.js");
    EXPECT_EQ(pane.LastNavigation().target, "about:blank");
    EXPECT_EQ(pane.CurrentSource(), LocalFile("http://p.com/empty.js"));
}

TEST_F(PreviewTest, EntriesWithoutFilesShowTheirUrl)
{
    StartWindow();
    listview::CWebView& pane = Pane();
    Click("http://alpha.net/");  // an entry without a local file: every time
    EXPECT_TRUE(ShownAsText());
    EXPECT_EQ(PageBytes(), "<HTML><BODY><br>URL: http://alpha.net/</BODY></HTML>");
    const int navigations = pane.NavigationCount();
    Click("http://alpha.net/");
    EXPECT_EQ(pane.NavigationCount(), navigations + 1);

    // An entry gone from the cache: its URL, escaped, unless it is the current source.
    View().ShowPreview("http://gone.com/?a=<b>&c");
    EXPECT_EQ(PageBytes(), "<HTML><BODY><br>URL: http://gone.com/?a=&lt;b&gt;&amp;c</BODY></HTML>");
    EXPECT_EQ(pane.CurrentSource(), "http://gone.com/?a=<b>&c");
    const int after = pane.NavigationCount();
    View().ShowPreview("http://gone.com/?a=<b>&c");
    EXPECT_EQ(pane.NavigationCount(), after);

    // Nothing selected: only the offline switch.
    pane.SetOffline(false);
    View().GetAllList()->Rows().SelectAll(false);
    View().GetAllList()->RowsChanged();
    View().PreviewSelected();
    EXPECT_TRUE(pane.GetOffline());
    EXPECT_EQ(pane.NavigationCount(), after);
}

TEST_F(PreviewTest, WhileTheGalleryIsShownImagesGoIntoItsRightFrame)
{
    StartWindow();
    listview::CWebView& pane = Pane();
    View().GetTabStrip()->SetCurSel(catalogue::kCategoryImages);
    View().ShowCategory();
    FinishWork();
    ASSERT_TRUE(View().IsGalleryShown());
    for (const std::string url : {"http://www.example.com/img/logo.gif", "http://www.example.com/img/photo.jpg"}) {
        Click(url);
        EXPECT_EQ(pane.LastNavigation().frame, "right");
        EXPECT_EQ(pane.LastNavigation().target, LocalFile(url));
    }
    // A tab change ends the gallery: a row fills the whole pane again.
    View().GetTabStrip()->SetCurSel(catalogue::kCategoryAll);
    View().ShowCategory();
    EXPECT_FALSE(View().IsGalleryShown());
    Click("http://www.example.com/img/logo.gif");
    EXPECT_EQ(pane.LastNavigation().frame, "");
}

// A listening socket on the loopback interface (on `port`, or one the system
// picks) that counts connections.
class LocalServer {
public:
    explicit LocalServer(uint16_t port = 0)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        const int reuse = 1;
        ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
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
    // Port 9, where a proxy that nobody holds would send every request
    // (listening there needs root, or unprivileged ports from 0).
    LocalServer discard(9);
    const std::string port = std::to_string(server.Port());
    const std::string origin = "http://127.0.0.1:" + port;
    // Besides plain addresses, spellings the page's rewriter does not read:
    // a character reference, a tab in the scheme, a CSS escape.
    m_cache.Add({WithFile("http://p.com/remote.htm",
                          "<html><head><title>cached</title></head><body><img src=\"" + origin +
                              "/a.gif\"><link rel=stylesheet href=\"" + origin + "/b.css\"><img src=\"http&#58;//127.0.0.1:" +
                              port + "/c.gif\"><img src=\"ht\ttp://127.0.0.1:" + port +
                              "/d.gif\"><div style=\"width:9px;height:9px;background:url(\\68ttp://127.0.0.1:" + port +
                              "/e.gif)\"></div><script>document.title = 'ran';</script></body></html>",
                          "htm", "text/html")});
    StartWindow();
    wxWebView* browser = Pane().GetBrowser();
    if (browser == nullptr)
        GTEST_SKIP() << "no browser back end";
    Click("http://p.com/remote.htm");
    ASSERT_TRUE(
        WaitUntil([&] { return browser->GetCurrentTitle() == "cached" || browser->GetCurrentTitle() == "ran"; }));
    // Give any request the page would make a moment to arrive.
    WaitUntil([&] { return server.Connections() + discard.Connections() > 0; }, 1500);
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_EQ(discard.Connections(), 0) << "a request left through the proxy";
    EXPECT_EQ(browser->GetCurrentTitle(), "cached");
}

// A file that nothing may open: every open of it, by any process (WebKit's
// included), is seen through inotify.
class Canary {
public:
    Canary()
        : m_path(fs::temp_directory_path() / ("trovana-canary-" + std::to_string(::getpid()) + ".txt")),
          m_watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        std::ofstream(m_path) << "secret";
        ::inotify_add_watch(m_watch, m_path.c_str(), IN_OPEN | IN_ACCESS);
    }
    ~Canary()
    {
        ::close(m_watch);
        fs::remove(m_path);
    }
    const fs::path& Path() const { return m_path; }
    std::string Url() const { return "file://" + m_path.string(); }
    bool Opened()
    {
        char events[4096];
        while (::read(m_watch, events, sizeof events) > 0)
            m_opened = true;
        return m_opened;
    }

private:
    fs::path m_path;
    int m_watch;
    bool m_opened = false;
};

// The answer of a script in the pane, as text; "" when it gave none.
std::string Evaluate(wxWebView& browser, const std::string& script)
{
    wxString result;
    return browser.RunScript(script, &result) ? result.utf8_string() : std::string();
}

// Waits until the page of the URL is loaded, with its pictures and title.
bool WaitForPage(wxWebView& browser, const std::string& url, const wxString& title)
{
    const std::string address = listview::CacheAddress(url);
    const std::string loaded = "String(document.URL == '" + address +
                               "' && document.readyState == 'complete' && "
                               "Array.from(document.images).every(i => i.complete))";
    return WaitUntil([&] { return Evaluate(browser, loaded) == "true" && browser.GetCurrentTitle() == title; });
}

TEST_F(PreviewTest, NoFileButTheCachesOwnReachesThePane)
{
    Canary canary;
    const std::string page = "http://evil.test/page.htm";
    m_cache.Add({
        Entry(canary.Path().string()),  // a URL that is a local path, without a file
        WithFile(page,
                 "<html><head><title>evil</title><meta http-equiv=\"refresh\" content=\"0; url=http://away.test/\">"
                 "<link rel=\"stylesheet\" href=\"" +
                     canary.Url() +
                     "\"></head><body>"
                     "<img src=\"" +
                     canary.Url() +
                     "\"><img src=\"file:///dev/zero\"><img src=\"pipe.png\">"
                     "<iframe src=\"" +
                     canary.Url() + "\"></iframe><object data=\"" + canary.Url() +
                     "\"></object>"
                     "<a id=\"away\" href=\"" +
                     canary.Url() + "\">away</a></body></html>",
                 "htm", "text/html"),
        WithFile("http://evil.test/pipe.png", "x", "png", "image/png"),
        WithFile("http://evil.test/pipe.css", "x", "css"),
    });
    StartWindow();
    // Two cached files are FIFOs now, with no writer: opening one for
    // reading would wait for good.
    for (const char* url : {"http://evil.test/pipe.png", "http://evil.test/pipe.css"}) {
        const std::string file = LocalFile(url);
        fs::remove(file);
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    }

    Click(canary.Path().string());
    EXPECT_EQ(PageBytes(), "<HTML><BODY><br>URL: " + canary.Path().string() + "</BODY></HTML>");
    struct stat st {};
    ASSERT_EQ(::stat((WorkingFolder() / "temp.htm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    Click("http://evil.test/pipe.css");
    EXPECT_EQ(PageBytes(),
              "<HTML><BODY><br>Not a regular file: " + LocalFile("http://evil.test/pipe.css") + "</BODY></HTML>");
    Click("http://evil.test/pipe.png");  // named on a text page too, not opened
    EXPECT_TRUE(ShownAsText());

    wxWebView* browser = Pane().GetBrowser();
    if (browser == nullptr)
        GTEST_SKIP() << "no browser back end";
    Click(page);
    EXPECT_TRUE(WaitForPage(*browser, page, "evil"));
    // The refresh's moment passes, and a click on the link to the file: the
    // pane stays on the cached page.
    WaitUntil([] { return false; }, 1500);
    const wxPoint link(
        std::atoi(Evaluate(*browser, "document.getElementById('away').getBoundingClientRect().left + 3").c_str()),
        std::atoi(Evaluate(*browser, "document.getElementById('away').getBoundingClientRect().top + 3").c_str()));
    wxUIActionSimulator input;
    input.MouseMove(browser->ClientToScreen(link));
    input.MouseClick();
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(browser->GetCurrentURL(), wxString::FromUTF8(listview::CacheAddress(page)));
    EXPECT_EQ(browser->GetCurrentTitle(), "evil");
    // The pane still answers: nothing of the page waits on a FIFO or a device.
    EXPECT_EQ(Evaluate(*browser, "String(document.images.length)"), "3");
    EXPECT_FALSE(canary.Opened());
}

TEST_F(PreviewTest, ACachedPageIsShownWithItsCachedParts)
{
    const std::string page = "http://site.test/dir/page.htm";
    auto picture = [](const std::string& url, int width) {
        return WithFile(url, PngBytes(width, 2), "png", "image/png");
    };
    m_cache.Add({
        WithFile(
            page,
            "<html><head><title>page</title><link rel=\"stylesheet\" href=\"../css/s.css\"></head><body>"
            "<a id=\"away\" href=\"http://away.test/\">away</a> <a id=\"next\" href=\"next.htm\">next</a>"
            "<img id=\"relative\" src=\"a.png\"><img id=\"root\" src=\"/img/b.png\">"
            "<img id=\"absolute\" src=\"http://site.test/img/c.png\"><img id=\"other\" src=\"//cdn.test/d.png?v=1\">"
            "<img id=\"missing\" src=\"none.png\"><p id=\"text\">text</p><div id=\"box\"></div>"
            "<iframe id=\"frame\" src=\"frame.htm\"></iframe>"
            "</body></html>",
            "htm", "text/html; charset=utf-8"),
        WithFile("http://site.test/css/s.css",
                 "p { color: rgb(1, 2, 3) } #box { width: 10px; height: 10px; background: url(../img/bg.png) }", "css",
                 "text/css"),
        picture("http://site.test/dir/a.png", 3),
        picture("http://site.test/img/b.png", 4),
        picture("http://site.test/img/c.png", 5),
        picture("http://cdn.test/d.png?v=1", 6),
        picture("http://site.test/img/bg.png", 7),
        WithFile("http://site.test/dir/frame.htm", "<html><head><title>frame</title></head></html>", "htm",
                 "text/html"),
        WithFile("http://site.test/dir/next.htm", "<html><head><title>next</title></head></html>", "htm", "text/html"),
    });
    StartWindow();
    wxWebView* browser = Pane().GetBrowser();
    if (browser == nullptr)
        GTEST_SKIP() << "no browser back end";
    Click(page);
    ASSERT_TRUE(WaitForPage(*browser, page, "page"));
    auto width = [&](const char* id) {
        return Evaluate(*browser, std::string("String(document.getElementById('") + id + "').naturalWidth)");
    };
    EXPECT_EQ(width("relative"), "3");
    EXPECT_EQ(width("root"), "4");
    EXPECT_EQ(width("absolute"), "5");
    EXPECT_EQ(width("other"), "6");
    EXPECT_EQ(width("missing"), "0");  // not in the cache: blank
    EXPECT_EQ(Evaluate(*browser, "getComputedStyle(document.getElementById('text')).color"), "rgb(1, 2, 3)");
    EXPECT_NE(Evaluate(*browser, "getComputedStyle(document.getElementById('box')).backgroundImage")
                  .find(listview::CacheAddress("http://site.test/img/bg.png")),
              std::string::npos);
    EXPECT_TRUE(WaitUntil(
        [&] { return Evaluate(*browser, "document.getElementById('frame').contentDocument.title") == "frame"; }));

    // Links, clicked: one away from the cache does nothing, one to a cached
    // page shows it from the cache.
    wxUIActionSimulator input;
    auto clickLink = [&](const char* id) {
        const std::string box = std::string("document.getElementById('") + id + "').getBoundingClientRect()";
        const wxPoint at(std::atoi(Evaluate(*browser, box + ".left + 3").c_str()),
                         std::atoi(Evaluate(*browser, box + ".top + 3").c_str()));
        input.MouseMove(browser->ClientToScreen(at));
        input.MouseClick();
    };
    clickLink("away");
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(browser->GetCurrentTitle(), "page");
    clickLink("next");
    EXPECT_TRUE(WaitUntil([&] { return browser->GetCurrentTitle() == "next"; }));
    EXPECT_EQ(browser->GetCurrentURL(), wxString::FromUTF8(listview::CacheAddress("http://site.test/dir/next.htm")));

    // An entry of another kind, a cookie, is shown from the cache too.
    Click("Cookie:user@www.example.com/");
    EXPECT_TRUE(WaitUntil([&] { return Evaluate(*browser, "document.body.innerText") == std::string(60, 'x'); }));
}

}  // namespace
}  // namespace trovana::test
