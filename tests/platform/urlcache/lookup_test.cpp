// SPDX-License-Identifier: GPL-3.0-or-later
// Enumeration order, the fields of an entry, lookup by URL (bucket, full-scan
// fallback, collisions) and where local files are found.
#include "ascii.h"
#include "file_time.h"
#include "hash.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace trovana::urlcache {
namespace {

using test::Get32;
using test::Set32;

class LookupTest : public ::testing::Test {
protected:
    LookupTest() : m_cache(test::ThreeContainers(m_dir.path())) {}

    void Add(NewCacheEntry entry)
    {
        const auto result = m_cache.CreateEntry(entry);
        ASSERT_TRUE(result.ok()) << entry.url << ": " << result.message;
    }
    std::filesystem::path ContentIndex() const { return m_dir.path() / "INetCache" / "Content.IE5" / "index.dat"; }

    test::TempDir m_dir;
    UrlCache m_cache;
};

TEST_F(LookupTest, EmptyCacheListsNothing)
{
    auto enumeration = m_cache.Enumerate();
    EXPECT_EQ(enumeration.Next(), nullptr);
    EXPECT_EQ(enumeration.LastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(m_cache.GetEntryInfo("http://nothing.example/"), nullptr);
    EXPECT_TRUE(m_cache.Problems().empty());
}

TEST_F(LookupTest, AFolderNamedTwiceIsOneContainer)
{
    CacheLocation twice = test::OneContainer(m_dir.path() / "same", ContainerKind::History);
    twice.containers.push_back({ContainerKind::Content, m_dir.path() / "same" / "."});
    UrlCache cache(twice);
    ASSERT_TRUE(cache.CreateEntry(test::Entry("Visited: a@http://x/")).ok());
    EXPECT_EQ(test::ListUrls(cache).size(), 1u);
    EXPECT_TRUE(cache.DeleteEntries({"Visited: a@http://x/"}).front().ok());
}

TEST_F(LookupTest, ListsCookiesThenHistoryThenContentInSlotOrder)
{
    // The location names content first; enumeration still starts with cookies.
    std::vector<std::string> content;
    for (int i = 0; i < 20; ++i)
        content.push_back("http://site" + std::to_string(i) + ".example/");
    for (const auto& url : content)
        Add(test::Entry(url));
    Add(test::Entry("Visited: alice@http://site1.example/"));
    Add(test::Entry("Cookie:alice@site1.example/", "cookie"));

    // One table: slot order is bucket order, insertion order inside a bucket.
    std::stable_sort(content.begin(), content.end(),
                     [](const auto& a, const auto& b) { return HashBucket(UrlHash(a)) < HashBucket(UrlHash(b)); });
    std::vector<std::string> expected = {"Cookie:alice@site1.example/", "Visited: alice@http://site1.example/"};
    expected.insert(expected.end(), content.begin(), content.end());
    EXPECT_EQ(test::ListUrls(m_cache), expected);
}

TEST_F(LookupTest, ReturnsEveryFieldAsStored)
{
    NewCacheEntry entry = test::Entry("http://www.example.com/img/logo.png", std::string(1000, 'p'));
    entry.fileExtension = "png";
    entry.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n";
    entry.cacheEntryType = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY;
    entry.lastModifiedTime = FileTimeFromUnix(1600000000, 123400);
    entry.lastAccessTime = FileTimeFromUnix(1700000000, 0);
    entry.expireTime = FileTimeFromUnix(1893553447, 0);
    entry.lastSyncTime = FileTimeFromUnix(1700000100, 0);
    entry.hitRate = 7;
    entry.exemptDelta = 600;
    Add(entry);
    Add(test::Entry("Cookie:alice@www.example.com/", "c"));
    Add(test::Entry("Visited: alice@http://www.example.com/"));

    const auto info = m_cache.GetEntryInfo(entry.url);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->sourceUrlName, entry.url);
    EXPECT_EQ(info->cacheEntryType, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY);
    EXPECT_EQ(info->sizeLow, 1000u);
    EXPECT_EQ(info->sizeHigh, 0u);
    EXPECT_EQ(info->hitRate, 7u);
    EXPECT_EQ(info->useCount, 0u);
    EXPECT_EQ(info->exemptDelta, 600u);
    EXPECT_EQ(info->lastModifiedTime, entry.lastModifiedTime);
    EXPECT_EQ(info->lastAccessTime, entry.lastAccessTime);
    EXPECT_EQ(info->expireTime, FileTimeFromUnix(1893553446, 0));  // DOS: even seconds
    EXPECT_EQ(info->lastSyncTime, entry.lastSyncTime);
    EXPECT_EQ(info->headerInfo, entry.headerInfo);
    EXPECT_EQ(info->headerInfoSize(), entry.headerInfo.size());
    EXPECT_EQ(info->fileExtension, "png");
    const std::filesystem::path local = info->localFileName;
    EXPECT_TRUE(local.is_absolute());
    EXPECT_EQ(local.filename(), "logo[0].png");
    EXPECT_EQ(local.parent_path().parent_path(), m_dir.path() / "INetCache" / "Content.IE5");
    EXPECT_EQ(std::filesystem::file_size(local), 1000u);

    // The container's own type bits; cookie files lie beside index.dat.
    const auto cookie = m_cache.GetEntryInfo("Cookie:alice@www.example.com/");
    ASSERT_NE(cookie, nullptr);
    EXPECT_EQ(cookie->cacheEntryType, NORMAL_CACHE_ENTRY | COOKIE_CACHE_ENTRY);
    EXPECT_EQ(std::filesystem::path(cookie->localFileName).parent_path(), m_dir.path() / "INetCookies");
    const auto visited = m_cache.GetEntryInfo("Visited: alice@http://www.example.com/");
    ASSERT_NE(visited, nullptr);
    EXPECT_EQ(visited->cacheEntryType, NORMAL_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY);
    EXPECT_TRUE(visited->localFileName.empty());
}

TEST_F(LookupTest, ComparesTheUrlNotOnlyItsHash)
{
    // Both hash to 0x3F4F8964: Wine would take them for one entry.
    Add(test::Entry("http://c.example/p16079", "first"));
    const auto refused = m_cache.CreateEntry(test::Entry("http://c.example/p28704", "second"));
    EXPECT_EQ(refused.code, ERROR_ALREADY_EXISTS);
    EXPECT_NE(refused.message.find("http://c.example/p16079"), std::string::npos);
    EXPECT_EQ(m_cache.GetEntryInfo("http://c.example/p28704"), nullptr);
    ASSERT_NE(m_cache.GetEntryInfo("http://c.example/p16079"), nullptr);
    EXPECT_EQ(test::ListUrls(m_cache).size(), 1u);
    EXPECT_EQ(m_cache.DeleteEntry("http://c.example/p28704").code, ERROR_FILE_NOT_FOUND);
    // Only the files of the first are there.
    size_t files = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(m_dir.path()))
        files += item.is_regular_file() && item.path().filename() != "index.dat";
    EXPECT_EQ(files, 1u);
}

TEST_F(LookupTest, FindsEntriesWhoseKeyWasComputedDifferently)
{
    // Wine before 10.11 hashes non-ASCII bytes as signed: such an entry sits
    // in another bucket with another key. Move one entry there by hand.
    const std::string url = "http://example.com/moved";
    Add(test::Entry(url));
    Add(test::Entry("http://example.com/stays"));
    auto bytes = test::ReadBytes(ContentIndex());
    const uint32_t bucket = HashBucket(UrlHash(url));
    const uint32_t from = 0x4000 + 16 + 8 * (bucket * 7);
    const uint32_t to = 0x4000 + 16 + 8 * (((bucket + 9) % 64) * 7 + 3);
    Set32(bytes, to, 0x8FD1D140);
    Set32(bytes, to + 4, Get32(bytes, from + 4));
    Set32(bytes, from, 3);
    Set32(bytes, from + 4, 3);
    test::ReplaceBytes(ContentIndex(), bytes);

    const auto info = m_cache.GetEntryInfo(url);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->sourceUrlName, url);
    EXPECT_NE(m_cache.GetEntryInfo("http://example.com/stays"), nullptr);
    EXPECT_EQ(m_cache.GetEntryInfo("http://example.com/other"), nullptr);
    // And it can be deleted through the same fallback.
    EXPECT_TRUE(m_cache.DeleteEntry(url).ok());
    EXPECT_EQ(m_cache.GetEntryInfo(url), nullptr);
    EXPECT_EQ(test::ListUrls(m_cache), std::vector<std::string>{"http://example.com/stays"});
}

TEST_F(LookupTest, SeesChangesMadeByAnotherProcess)
{
    Add(test::Entry("http://a.example/"));
    ASSERT_NE(m_cache.GetEntryInfo("http://a.example/"), nullptr);
    UrlCache other(test::ThreeContainers(m_dir.path()));
    ASSERT_TRUE(other.DeleteEntry("http://a.example/").ok());
    ASSERT_TRUE(other.CreateEntry(test::Entry("http://b.example/")).ok());
    EXPECT_EQ(m_cache.GetEntryInfo("http://a.example/"), nullptr);
    EXPECT_NE(m_cache.GetEntryInfo("http://b.example/"), nullptr);
    EXPECT_EQ(test::ListUrls(m_cache), std::vector<std::string>{"http://b.example/"});
}

TEST_F(LookupTest, ABatchSeesOtherProcessesChangesMadeBeforeItAndItsOwnWithin)
{
    Add(test::Entry("http://a.example/"));
    ASSERT_NE(m_cache.GetEntryInfo("http://a.example/"), nullptr);
    UrlCache other(test::ThreeContainers(m_dir.path()));
    ASSERT_TRUE(other.CreateEntry(test::Entry("http://b.example/")).ok());
    {
        UrlCache::LookupBatch batch(m_cache);
        UrlCache::LookupBatch nested(m_cache);
        EXPECT_NE(m_cache.GetEntryInfo("http://b.example/"), nullptr) << "checked at the batch's first lookup";
        ASSERT_TRUE(m_cache.DeleteEntry("http://a.example/").ok());
        EXPECT_EQ(m_cache.GetEntryInfo("http://a.example/"), nullptr);
        Add(test::Entry("http://c.example/"));
        EXPECT_NE(m_cache.GetEntryInfo("http://c.example/"), nullptr);
    }
    ASSERT_TRUE(other.DeleteEntry("http://b.example/").ok());
    EXPECT_EQ(m_cache.GetEntryInfo("http://b.example/"), nullptr) << "checked again once the batch is over";
}

TEST_F(LookupTest, FindsTheFileUnderTheNameWineGaveIt)
{
    Add(test::Entry("http://x.example/caf", "body"));
    const std::filesystem::path made = m_cache.GetEntryInfo("http://x.example/caf")->localFileName;
    ASSERT_EQ(made.filename(), "caf[0]");
    // Store the Windows-1252 name "caf\xE9[0]" in the record: Wine names the
    // file on disk in UTF-8.
    auto bytes = test::ReadBytes(ContentIndex());
    const auto slots = test::RawUsedSlots(bytes);
    ASSERT_EQ(slots.size(), 1u);
    const uint32_t name = slots[0].record + Get32(bytes, slots[0].record + 0x3C);
    ASSERT_EQ(bytes[name + 3], '[');
    std::copy_n("caf\xE9[0]", 8, bytes.begin() + name);
    test::ReplaceBytes(ContentIndex(), bytes);
    const auto utf8 = made.parent_path() / "caf\xC3\xA9[0]";
    const auto raw = made.parent_path() / "caf\xE9[0]";

    // Neither exists: the UTF-8 path is reported.
    EXPECT_EQ(m_cache.GetEntryInfo("http://x.example/caf")->localFileName, utf8.string());
    std::ofstream(raw) << "raw";
    EXPECT_EQ(m_cache.GetEntryInfo("http://x.example/caf")->localFileName, raw.string());
    std::ofstream(utf8) << "utf8";
    EXPECT_EQ(m_cache.GetEntryInfo("http://x.example/caf")->localFileName, utf8.string());

    // A directory whose case changed (a copied profile) is still found.
    const auto dir = made.parent_path();
    const std::string lower = ToLowerAscii(dir.filename().string());
    if (lower != dir.filename().string()) {
        std::filesystem::rename(dir, dir.parent_path() / lower);
        test::ReplaceBytes(ContentIndex(), test::ReadBytes(ContentIndex()));
        EXPECT_EQ(std::filesystem::path(m_cache.GetEntryInfo("http://x.example/caf")->localFileName),
                  dir.parent_path() / lower / "caf\xC3\xA9[0]");
    }
}

TEST_F(LookupTest, SymbolicLinksOutOfTheContainerGiveNoFile)
{
    Add(test::Entry("http://x.example/secret", "body"));
    Add(test::Entry("Cookie:alice@x.example/", "cookie"));
    const std::filesystem::path made = m_cache.GetEntryInfo("http://x.example/secret")->localFileName;
    const std::filesystem::path cookie = m_cache.GetEntryInfo("Cookie:alice@x.example/")->localFileName;
    std::filesystem::remove(made);
    std::filesystem::create_symlink("/etc/hostname", made);
    std::filesystem::remove(cookie);
    std::filesystem::create_symlink("../../../../etc/hostname", cookie);
    // Folders are examined for links when the index is read.
    UrlCache reader(test::ThreeContainers(m_dir.path()));
    EXPECT_TRUE(reader.GetEntryInfo("http://x.example/secret")->localFileName.empty());
    EXPECT_TRUE(reader.GetEntryInfo("Cookie:alice@x.example/")->localFileName.empty());
    for (const auto& entry : test::ListEntries(reader))
        EXPECT_TRUE(entry.localFileName.empty()) << entry.sourceUrlName;
    // A link that stays inside is followed.
    std::filesystem::remove(made);
    std::ofstream(made.parent_path() / "real") << "inside";
    std::filesystem::create_symlink(made.parent_path() / "real", made);
    UrlCache again(test::ThreeContainers(m_dir.path()));
    EXPECT_EQ(again.GetEntryInfo("http://x.example/secret")->localFileName, made.string());
    // Deleting the entry removes the link, never what it points at.
    EXPECT_TRUE(again.DeleteEntry("Cookie:alice@x.example/").ok());
    EXPECT_TRUE(std::filesystem::exists("/etc/hostname"));
}

}  // namespace
}  // namespace trovana::urlcache
