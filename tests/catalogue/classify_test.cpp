// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify.h"

#include <gtest/gtest.h>

#include <string>

namespace trovana::catalogue {
namespace {

using urlcache::CacheEntryInfo;

CacheEntryInfo Entry(std::string url, std::string headers = "", uint32_t type = urlcache::NORMAL_CACHE_ENTRY)
{
    CacheEntryInfo info;
    info.sourceUrlName = std::move(url);
    info.headerInfo = std::move(headers);
    info.cacheEntryType = type;
    return info;
}

std::string ClassOf(const CacheEntryInfo& info)
{
    std::string contentType = "untouched";
    return ClassifyEntry(info, contentType);
}

std::string ClassOf(std::string url, std::string headers = "", uint32_t type = urlcache::NORMAL_CACHE_ENTRY)
{
    return ClassOf(Entry(std::move(url), std::move(headers), type));
}

TEST(ClassifyPrecedence, HistoryEntriesAreVisitedLinksWhateverTheirEnding)
{
    EXPECT_EQ(ClassOf("Visited: user@http://host/a.js"), "Visited Link");
    EXPECT_EQ(ClassOf("Visited: user@http://host/a.css"), "Visited Link");
    EXPECT_EQ(ClassOf("Visited: user@about:blank"), "Visited Link");
    EXPECT_EQ(ClassOf("Visited: user@http://host/a.gif"), "Visited Link");
    EXPECT_EQ(ClassOf("Visited: user@http://host/feed.xml"), "Visited Link");
    // The history test of the first two rules ignores case; the prefix rule
    // does not, so such a URL falls through to the later rules.
    EXPECT_EQ(ClassOf("VISITED: user@http://host/a.js"), "Normal");
    EXPECT_EQ(ClassOf("visited: user@http://host/a.gif"), "Image");
}

TEST(ClassifyPrecedence, UrlRulesApplyInTheirOrder)
{
    // Scripts and style sheets come first, even before the cookie prefix.
    EXPECT_EQ(ClassOf("Cookie:user@host/a.css"), "Application");
    EXPECT_EQ(ClassOf("http://host/STYLE.CSS"), "Application");
    EXPECT_EQ(ClassOf("http://host/App.Js"), "Application");
    EXPECT_EQ(ClassOf("http://host/a.js?v=1"), "Normal");
    EXPECT_EQ(ClassOf("http://host/about:blank"), "Text");
    EXPECT_EQ(ClassOf("ABOUT:BLANK"), "Text");
    EXPECT_EQ(ClassOf("Cookie:user@host/"), "Cookie");
    // Rule 3 compares the prefix as stored: a lower-case cookie URL falls through.
    EXPECT_EQ(ClassOf("cookie:user@host/", "", urlcache::COOKIE_CACHE_ENTRY), "Cookie");
    EXPECT_EQ(ClassOf("cookie:user@host/"), "Normal");
    EXPECT_EQ(ClassOf("http://host/feed.XML"), "Text");
    // Endings beat the headers.
    EXPECT_EQ(ClassOf("http://host/a.xml", "Content-Type: image/png\r\n"), "Text");
    EXPECT_EQ(ClassOf("http://host/a.png", "Content-Type: text/html\r\n"), "Image");
}

TEST(ClassifyEndings, ImageEndingsAreExact)
{
    for (const char* url : {"http://h/a.gif", "http://h/a.JPG", "http://h/a.jpeg", "http://h/a.Png", ".gif"}) {
        EXPECT_EQ(ClassOf(url), "Image") << url;
    }
    for (const char* url : {"http://h/a.jpe", "http://h/a.gifx", "http://h/a.gif/", "http://h/agif", "gif"}) {
        EXPECT_EQ(ClassOf(url), "Normal") << url;
    }
}

TEST(ClassifyTests, ScriptAndBlankTestsCompareEndingsAsGivenAndSkipHistory)
{
    EXPECT_TRUE(IsScriptOrStyleSheet(".js"));
    EXPECT_TRUE(IsScriptOrStyleSheet("/tmp/cache/x.css"));
    EXPECT_FALSE(IsScriptOrStyleSheet("js"));
    EXPECT_FALSE(IsScriptOrStyleSheet("a.JS"));  // not lower-cased here
    EXPECT_FALSE(IsScriptOrStyleSheet("a.jsx"));
    EXPECT_FALSE(IsScriptOrStyleSheet("visited:a.js"));
    EXPECT_FALSE(IsScriptOrStyleSheet("ViSiTeD: x.css"));
    EXPECT_TRUE(IsScriptOrStyleSheet("Visite:a.js"));

    EXPECT_TRUE(IsBlankPage("about:blank"));
    EXPECT_TRUE(IsBlankPage("http://x/about:blank"));
    EXPECT_FALSE(IsBlankPage("about:blank/"));
    EXPECT_FALSE(IsBlankPage("bout:blank"));
    EXPECT_FALSE(IsBlankPage("About:Blank"));
    EXPECT_FALSE(IsBlankPage("VISITED: u@about:blank"));
}

TEST(ClassifyHeaders, TheFirstContentTypeAnywhereGivesTheClass)
{
    EXPECT_EQ(ClassOf("http://h/", "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n"), "text/html;");
    EXPECT_EQ(ClassOf("http://h/", "CONTENT-TYPE: IMAGE/PNG\r\n"), "image/png");
    EXPECT_EQ(ClassOf("http://h/", "X-Upstream-Content-Type: image/png\r\nContent-Type: text/css\r\n"), "image/png");
    EXPECT_EQ(ClassOf("http://h/", "Content-Type: application/x-javascript"), "application/x-javascript");
    // The value ends at the first byte outside 0x21-0x7E.
    EXPECT_EQ(ClassOf("http://h/", "content-type: audio/mpeg\tx"), "audio/mpeg");
    EXPECT_EQ(ClassOf("http://h/", "content-type: video/mp4\xA0x"), "video/mp4");
    EXPECT_EQ(ClassOf("http://h/", "content-type: text/plain\rX: y"), "text/plain");
}

TEST(ClassifyHeaders, WithoutAUsableContentTypeTheEntryTypeDecides)
{
    // No blank, two blanks, or an empty value: no content type.
    EXPECT_EQ(ClassOf("http://h/", "Content-Type:text/html\r\n"), "Normal");
    EXPECT_EQ(ClassOf("http://h/", "Content-Type:  text/html\r\n", urlcache::STICKY_CACHE_ENTRY),
              "Exempt From Scavenging ");
    EXPECT_EQ(ClassOf("http://h/", "Content-Type: \r\n"), "Normal");
    // The stored text ends at its first NUL.
    EXPECT_EQ(ClassOf("http://h/", std::string("X: 1\r\n\0Content-Type: text/html\r\n", 32)), "Normal");
}

TEST(ClassifyHeaders, TheContentTypeArgumentIsSetOnlyWhenHeadersAreRead)
{
    std::string contentType = "untouched";
    ClassifyEntry(Entry("http://h/", "Content-Type: Text/HTML; charset=x\r\n"), contentType);
    EXPECT_EQ(contentType, "text/html;");

    contentType = "untouched";
    ClassifyEntry(Entry("http://h/", "Server: x\r\n"), contentType);
    EXPECT_EQ(contentType, "");

    contentType = "untouched";
    ClassifyEntry(Entry("http://h/", ""), contentType);
    EXPECT_EQ(contentType, "untouched");

    contentType = "untouched";
    ClassifyEntry(Entry("http://h/a.gif", "Content-Type: image/gif\r\n"), contentType);
    EXPECT_EQ(contentType, "untouched");
}

TEST(ClassifyEntryTypes, OnlySingleKnownFlagsHaveNames)
{
    const std::pair<uint32_t, const char*> named[] = {
        {0x1, "Normal"},      {0x4, "Exempt From Scavenging "},
        {0x8, "Altered"},     {0x10, "Offline"},
        {0x20, "Online"},     {0x10000, "Sparse"},
        {0x100000, "Cookie"}, {0x200000, "Visited Link"},
    };
    for (const auto& [type, name] : named) {
        EXPECT_EQ(ClassOf("http://h/", "", type), name) << std::hex << type;
    }
    for (uint32_t type : {0x0u, 0x5u, 0x2u, 0x100001u, 0x400000u, 0x10000000u}) {
        EXPECT_EQ(ClassOf("http://h/", "", type), "Unkown") << std::hex << type;
    }
}

TEST(CategoryFromClass, ReadsTheFirstThreeLettersInAnyCase)
{
    EXPECT_EQ(CategoryFromClass("Text"), 1);
    EXPECT_EQ(CategoryFromClass("TEXT/HTML;"), 1);
    EXPECT_EQ(CategoryFromClass("Image"), 2);
    EXPECT_EQ(CategoryFromClass("image/gif"), 2);
    EXPECT_EQ(CategoryFromClass("Application"), 3);
    EXPECT_EQ(CategoryFromClass("application/octet-stream"), 3);
    EXPECT_EQ(CategoryFromClass("Cookie"), 4);
    EXPECT_EQ(CategoryFromClass("Visited Link"), 5);
    EXPECT_EQ(CategoryFromClass("vis"), 5);
    for (const char* other : {"Normal", "Exempt From Scavenging ", "Altered", "Offline", "Online", "Sparse", "Unkown",
                              "audio/mpeg", "video/mp4", "te", "", "xtext"}) {
        EXPECT_EQ(CategoryFromClass(other), 6) << '"' << other << '"';
    }
}

}  // namespace
}  // namespace trovana::catalogue
