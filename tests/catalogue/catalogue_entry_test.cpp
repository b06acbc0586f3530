// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue_entry.h"

#include <gtest/gtest.h>

#include "scoped_time_zone.h"

namespace trovana::catalogue {
namespace {

using testing::FileTimeFromUnix;
using testing::ScopedTimeZone;

TEST(DescribeEntry, GivesTheExportedColumnsOfAnEntry)
{
    ScopedTimeZone zone("XST5");
    urlcache::CacheEntryInfo info;
    info.sourceUrlName = "http://host/dir/page";
    info.localFileName = "/cache/ABC/page.htm";
    info.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    info.sizeLow = 5000;
    info.sizeHigh = 1;
    info.lastAccessTime = FileTimeFromUnix(1079388129);

    const CatalogueEntry entry = DescribeEntry(info);
    EXPECT_EQ(entry.classText, "text/html");
    EXPECT_EQ(entry.category, 1);
    EXPECT_EQ(entry.accessTime, "03/15/04 17:02:09");
    EXPECT_EQ(entry.lastAccess, DateTime::FromParts(2004, 3, 15, 17, 2, 9));
    EXPECT_EQ(entry.size, 5000u);  // the low 32 bits only
    EXPECT_EQ(entry.keyPath, (std::vector<std::string>{"host", "dir", "page"}));
}

TEST(DescribeEntry, WithoutLocalFileOrConvertibleTimeSizeAndTimeAreEmpty)
{
    ScopedTimeZone zone("XST5");
    urlcache::CacheEntryInfo info;
    info.sourceUrlName = "Cookie:user@host/";
    info.sizeLow = 300;
    info.lastAccessTime = 0;  // before 1601 in a zone behind UTC

    const CatalogueEntry entry = DescribeEntry(info);
    EXPECT_EQ(entry.classText, "Cookie");
    EXPECT_EQ(entry.category, 4);
    EXPECT_FALSE(entry.lastAccess.IsValid());
    EXPECT_EQ(entry.accessTime, "");
    EXPECT_EQ(entry.size, 0u);
    EXPECT_EQ(entry.keyPath, (std::vector<std::string>{"host", "Cookie"}));
}

}  // namespace
}  // namespace trovana::catalogue
