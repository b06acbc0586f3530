// SPDX-License-Identifier: GPL-3.0-or-later
// The cache addresses of the preview pane and what they map back to, and
// the content type taken from cached headers; no display needed.
#include <gtest/gtest.h>

#include "listview/cache_address.h"
#include "listview/cache_scheme.h"

namespace trovana::listview {
namespace {

TEST(CacheAddress, MapsBackToTheCachedUrl)
{
    for (const char* url : {
             "http://h.com/a/b.htm?x=1&y=2",
             "https://h.com:8443/",
             "ftp://f.org/pub/x.gif",
         }) {
        SCOPED_TRACE(url);
        const std::string address = CacheAddress(url);
        EXPECT_EQ(address.rfind("trovana-", 0), 0u);
        ASSERT_FALSE(CacheUrlsOf(address).empty());
        EXPECT_EQ(CacheUrlsOf(address).front(), url);
    }
    EXPECT_EQ(CacheAddress("http://h.com/a b"), "trovana-http://h.com/a%20b");
    // A fragment is a place in the page; raw bytes beyond ASCII and blanks
    // come back from WebKit escaped, and are looked up both ways.
    EXPECT_EQ(CacheUrlsOf("trovana-https://h.com/p.htm#top"), std::vector<std::string>{"https://h.com/p.htm"});
    EXPECT_EQ(CacheUrlsOf(CacheAddress("http://h.com/caf\xe9 1.htm")),
              (std::vector<std::string>{"http://h.com/caf%E9%201.htm", "http://h.com/caf\xe9 1.htm"}));
    // Other URLs get an opaque address of their own.
    const std::string cookie = "Cookie:user@site.com/";
    EXPECT_EQ(CacheAddress(cookie).find_first_of("@/"), std::string::npos);
    EXPECT_EQ(CacheUrlsOf(CacheAddress(cookie)), std::vector<std::string>{cookie});
    // Addresses of other schemes are none of the cache's.
    for (const char* other : {"file:///etc/passwd", "http://h.com/", "trovana-gopher://x/", "about:blank"})
        EXPECT_TRUE(CacheUrlsOf(other).empty()) << other;
}

TEST(CacheAddress, AbsoluteReferencesOfPagesAndStyleSheets)
{
    EXPECT_EQ(MapAbsoluteReferences("<img src=\"http://h.com/a.png\"><a href='HTTPS://h.com/'>x</a>"
                                    "<img srcset=\"a.png 1x, ftp://f.org/b.png 2x\"><img src=http://h.com/c>"),
              "<img src=\"trovana-http://h.com/a.png\"><a href='trovana-https://h.com/'>x</a>"
              "<img srcset=\"a.png 1x, trovana-ftp://f.org/b.png 2x\"><img src=trovana-http://h.com/c>");
    EXPECT_EQ(MapAbsoluteReferences("p { background: url( http://h.com/bg.png ) } @import \"https://h.com/s.css\";"),
              "p { background: url( trovana-http://h.com/bg.png ) } @import \"trovana-https://h.com/s.css\";");
    // Text that names an address is no reference; relative ones need nothing.
    const std::string text = "<p>See http://h.com/ or file:///etc/passwd</p><img src=\"a.png\">";
    EXPECT_EQ(MapAbsoluteReferences(text), text);
}

TEST(CacheAddress, ContentTypeOfTheCachedHeaders)
{
    EXPECT_EQ(HeaderContentType("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nX: y\r\n\r\n"),
              "text/html; charset=utf-8");
    EXPECT_EQ(HeaderContentType("HTTP/1.1 200 OK\r\ncontent-type:image/png\r\n"), "image/png");
    EXPECT_EQ(HeaderContentType("HTTP/1.1 200 OK\r\nX-Content-Type: a/b\r\n"), "");
    EXPECT_EQ(HeaderContentType(""), "");
}

}  // namespace
}  // namespace trovana::listview
