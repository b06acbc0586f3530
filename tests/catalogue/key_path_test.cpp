// SPDX-License-Identifier: GPL-3.0-or-later
#include "key_path.h"

#include <gtest/gtest.h>

#include "classify.h"

namespace trovana::catalogue {
namespace {

using Path = std::vector<std::string>;

Path PathOf(std::string_view url)
{
    return CutKeyPath(url, kCategoryDocuments);
}

Path CookiePath(std::string_view url)
{
    return CutKeyPath(url, kCategoryCookies);
}

TEST(KeyPath, UrlsGiveHostDirectoriesAndFileWithoutTheScheme)
{
    EXPECT_EQ(PathOf("http://host/dir/file.gif"), (Path{"host", "dir", "file.gif"}));
    EXPECT_EQ(PathOf("http://host/"), (Path{"host"}));
    EXPECT_EQ(PathOf("http://host"), (Path{"host"}));
    EXPECT_EQ(PathOf("https://host:8080/a/b/c/?q=1"), (Path{"host:8080", "a", "b", "c", "?q=1"}));
    // Empty components from "//" and a trailing "/" never enter the path.
    EXPECT_EQ(PathOf("http://host//dir///file/"), (Path{"host", "dir", "file"}));
    EXPECT_EQ(PathOf("file:///C:/dir/page.htm"), (Path{"C:", "dir", "page.htm"}));
}

TEST(KeyPath, HistoryEntriesDropThePrefixAndUser)
{
    EXPECT_EQ(PathOf("Visited: user@http://host/page.htm"), (Path{"host", "page.htm"}));
    EXPECT_EQ(CutKeyPath("Visited: user@http://host/dir/", kCategoryVisitedLinks), (Path{"host", "dir"}));
    EXPECT_EQ(PathOf("Visited: user@about:blank"), Path{});
}

TEST(KeyPath, UrlsWithoutASlashHaveAnEmptyPath)
{
    EXPECT_EQ(PathOf("about:blank"), Path{});
    EXPECT_EQ(PathOf(""), Path{});
    EXPECT_EQ(PathOf("/"), Path{});
    EXPECT_EQ(PathOf("//"), Path{});
    EXPECT_EQ(PathOf("/x"), Path{"x"});
}

TEST(KeyPath, CookiesAreKeyedByWhatFollowsTheLastAtSign)
{
    EXPECT_EQ(CookiePath("Cookie:user@host/"), (Path{"host", "Cookie"}));
    EXPECT_EQ(CookiePath("Cookie:user@host/dir/"), (Path{"host/dir", "Cookie"}));
    EXPECT_EQ(CookiePath("Cookie:us@er@host/"), (Path{"host", "Cookie"}));
    // Without the final "/", the last character is lost all the same.
    EXPECT_EQ(CookiePath("Cookie:user@host"), (Path{"hos", "Cookie"}));
    EXPECT_EQ(CookiePath("Cookie:user@"), (Path{"", "Cookie"}));
    EXPECT_EQ(CookiePath("Cookie:user/host/"), Path{});
    // The cookie rule follows the category, not the prefix: a cookie URL
    // classed otherwise is cut at its slashes, and "Cookie:user@host" is dropped.
    EXPECT_EQ(CutKeyPath("Cookie:user@host/a.css", kCategoryApplications), Path{"a.css"});
    EXPECT_EQ(PathOf("Cookie:user@host/"), Path{});
}

}  // namespace
}  // namespace trovana::catalogue
