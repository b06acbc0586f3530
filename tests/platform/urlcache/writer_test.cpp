// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting and adding entries: WinINet's results, the bytes Wine expects,
// growth, locks, local files, and Wine's start-up check after every change.
#include "file_time.h"
#include "hash.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace trovana::urlcache {
namespace {

using test::Get32;

class WriterTest : public ::testing::Test {
protected:
    WriterTest() : m_cache(test::ThreeContainers(m_dir.path())) {}

    std::filesystem::path Content() const { return m_dir.path() / "INetCache" / "Content.IE5"; }
    std::filesystem::path ContentIndex() const { return Content() / "index.dat"; }
    void Add(const NewCacheEntry& entry)
    {
        const auto result = m_cache.CreateEntry(entry);
        ASSERT_TRUE(result.ok()) << entry.url << ": " << result.message;
    }
    void ExpectWineAccepts()
    {
        for (const auto& where : m_cache.Location().containers) {
            if (std::filesystem::exists(where.folder / "index.dat")) {
                EXPECT_EQ(test::WineCheck(where.folder / "index.dat"), "") << where.folder;
            }
        }
    }
    std::string LocalOf(const std::string& url)
    {
        auto info = m_cache.GetEntryInfo(url);
        return info ? info->localFileName : "";
    }

    test::TempDir m_dir;
    UrlCache m_cache;
};

TEST_F(WriterTest, NewContainersAreMadeAsWineMakesThem)
{
    Add(test::Entry("http://a.example/index.html", "x"));
    Add(test::Entry("Cookie:alice@a.example/", "c"));
    Add(test::Entry("Visited: alice@http://a.example/"));
    ExpectWineAccepts();
    const auto content = test::ReadBytes(ContentIndex());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(content.data())), "WINE URLCache Ver 0.2012001");
    EXPECT_EQ(content.size(), 0x8000u);
    EXPECT_EQ(Get32(content, 0x20), 0x4000u);
    EXPECT_EQ(Get32(content, 0x24), 0x80u);
    EXPECT_EQ(Get32(content, 0x28), 0x20u + 2);  // hash table and one 2-block record
    EXPECT_EQ(Get32(content, 0x30), 0x07FF5400u);
    EXPECT_EQ(Get32(content, 0x48), 4u);
    for (int i = 0; i < 4; ++i) {
        const std::string name(reinterpret_cast<const char*>(&content[0x50 + 12 * i]), 8);
        EXPECT_TRUE(std::filesystem::is_directory(Content() / name)) << name;
    }
    const auto cookies = test::ReadBytes(m_dir.path() / "INetCookies" / "index.dat");
    EXPECT_EQ(Get32(cookies, 0x48), 0u);
    const auto slot = test::RawUsedSlots(cookies).at(0);
    EXPECT_EQ(cookies[slot.record + 0x38], 0xFE);  // beside index.dat, no subdirectory
    const auto history = test::ReadBytes(m_dir.path() / "History" / "History.IE5" / "index.dat");
    EXPECT_EQ(Get32(history, test::RawUsedSlots(history).at(0).record + 0x3C), 0u);
}

TEST_F(WriterTest, RecordsAreLaidOutAsWineLaysThemOut)
{
    NewCacheEntry entry = test::Entry("http://www.example.com/index.html", std::string(44, 'b'));
    entry.fileExtension = "html";
    entry.headerInfo = std::string(44, 'h');
    Add(entry);
    const auto bytes = test::ReadBytes(ContentIndex());
    const auto slots = test::RawUsedSlots(bytes);
    ASSERT_EQ(slots.size(), 1u);
    const uint32_t r = slots[0].record;
    EXPECT_EQ(slots[0].key, 0xF11D4640u);  // hash with the flag bits cleared
    EXPECT_EQ(r, 0x4000u + 0x20 * 0x80);   // first fit after the hash table
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[r]), 4), "URL ");
    EXPECT_EQ(Get32(bytes, r + 0x04), 2u);
    EXPECT_EQ(Get32(bytes, r + 0x30), 0x60u);
    EXPECT_EQ(Get32(bytes, r + 0x34), 0x68u);
    EXPECT_EQ(bytes[r + 0x3A] | bytes[r + 0x3B] << 8, 0x1010);
    // URL (33 + NUL) at 0x68, name "index[0].html" at 0x8C, header at 0x9C,
    // extension at 0xC8; Wine's fill after each string.
    EXPECT_EQ(Get32(bytes, r + 0x3C), 0x8Cu);
    EXPECT_EQ(Get32(bytes, r + 0x44), 0x9Cu);
    EXPECT_EQ(Get32(bytes, r + 0x48), 44u);
    EXPECT_EQ(Get32(bytes, r + 0x4C), 0xC8u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[r + 0x8C])), "index[0].html");
    EXPECT_EQ(Get32(bytes, r + 0xD0), 0xDEADBEEFu);
    EXPECT_EQ(Get32(bytes, r + 0x54), 1u);            // hit rate
    EXPECT_NE(bytes[r + 0x5C] | bytes[r + 0x5D], 0);  // file write date
    EXPECT_EQ(Get32(bytes, 0x38), 44u);               // usage
    const uint8_t dir = bytes[r + 0x38];
    EXPECT_LT(dir, 4);
    EXPECT_EQ(Get32(bytes, 0x4C + 12 * dir), 1u);  // directory count
}

TEST_F(WriterTest, DeleteUndoesCreate)
{
    Add(test::Entry("http://a.example/keep.html", "keep"));
    const auto before = test::ReadBytes(ContentIndex());
    Add(test::Entry("http://a.example/gone.html", "gone"));
    const std::string file = LocalOf("http://a.example/gone.html");
    ASSERT_TRUE(std::filesystem::exists(file));

    EXPECT_TRUE(m_cache.DeleteEntry("http://a.example/gone.html").ok());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(m_cache.DeleteEntry("http://a.example/gone.html").code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(test::ListUrls(m_cache), std::vector<std::string>{"http://a.example/keep.html"});
    ExpectWineAccepts();
    const auto after = test::ReadBytes(ContentIndex());
    // Bitmap, blocks in use, usage and directory counts are back where they were.
    EXPECT_TRUE(std::equal(before.begin() + 0x24, before.begin() + 0x4000, after.begin() + 0x24));
    EXPECT_EQ(std::filesystem::file_size(LocalOf("http://a.example/keep.html")), 4u);
}

TEST_F(WriterTest, DeleteKeepsAFileThatChangedSince)
{
    Add(test::Entry("http://a.example/page.html", "body"));
    const std::string file = LocalOf("http://a.example/page.html");
    const timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    EXPECT_TRUE(m_cache.DeleteEntry("http://a.example/page.html").ok());
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(WriterTest, LockedEntriesAreMarkedAndKept)
{
    NewCacheEntry locked = test::Entry("http://a.example/locked.png", "png");
    locked.useCount = 1;
    Add(locked);
    const auto bytes = test::ReadBytes(ContentIndex());
    EXPECT_EQ(test::RawUsedSlots(bytes).at(0).key & 0x3F, 2u);  // slot flag "locked"

    const auto result = m_cache.DeleteEntry(locked.url);
    EXPECT_EQ(result.code, ERROR_ACCESS_DENIED);
    const auto info = m_cache.GetEntryInfo(locked.url);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->cacheEntryType, NORMAL_CACHE_ENTRY | PENDING_DELETE_CACHE_ENTRY);
    EXPECT_TRUE(std::filesystem::exists(info->localFileName));
    EXPECT_EQ(m_cache.CreateEntry(test::Entry(locked.url, "new")).code, ERROR_ACCESS_DENIED);
    ExpectWineAccepts();

    // A lock older than a day is stale: cleared, and the delete goes on.
    NewCacheEntry stale = test::Entry("http://a.example/stale.png", "png");
    stale.useCount = 3;
    stale.lastAccessTime = FileTimeNow() - 2 * 24 * 3600 * 10'000'000ull;
    Add(stale);
    EXPECT_TRUE(m_cache.DeleteEntry(stale.url).ok());
    EXPECT_EQ(m_cache.GetEntryInfo(stale.url), nullptr);
}

TEST_F(WriterTest, RecommitReplacesTheEntryAndItsFile)
{
    Add(test::Entry("http://a.example/page.html", "old body"));
    const std::string oldFile = LocalOf("http://a.example/page.html");
    Add(test::Entry("http://a.example/page.html", "new"));
    const auto info = m_cache.GetEntryInfo("http://a.example/page.html");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->hitRate, 2u);
    EXPECT_EQ(info->sizeLow, 3u);
    EXPECT_EQ(test::ListUrls(m_cache).size(), 1u);
    if (info->localFileName != oldFile) {
        EXPECT_FALSE(std::filesystem::exists(oldFile));
    }
    EXPECT_EQ(std::filesystem::file_size(info->localFileName), 3u);
    ExpectWineAccepts();
}

TEST_F(WriterTest, RefusesWhatWineCouldNotStore)
{
    EXPECT_EQ(m_cache.CreateEntry(test::Entry("")).code, ERROR_INVALID_PARAMETER);
    NewCacheEntry sticky = test::Entry("http://a.example/s");
    sticky.cacheEntryType = STICKY_CACHE_ENTRY;
    EXPECT_EQ(m_cache.CreateEntry(sticky).code, ERROR_INVALID_PARAMETER);
    NewCacheEntry badExtension = test::Entry("http://a.example/e", "x");
    badExtension.fileExtension = "../x";
    EXPECT_EQ(m_cache.CreateEntry(badExtension).code, ERROR_INVALID_PARAMETER);
    // Non-ASCII bytes are stored percent-encoded.
    Add(test::Entry("http://a.example/caf\xC3\xA9"));
    EXPECT_EQ(test::ListUrls(m_cache), std::vector<std::string>{"http://a.example/caf%C3%A9"});
    UrlCache noContent(test::OneContainer(m_dir.path() / "c", ContainerKind::Cookies));
    EXPECT_EQ(noContent.CreateEntry(test::Entry("http://a.example/")).code, ERROR_INVALID_PARAMETER);
}

TEST_F(WriterTest, FullBucketsGetANewHashTable)
{
    std::vector<std::string> urls;
    for (int i = 0; urls.size() < 9; ++i) {
        const std::string url = "http://bucket.example/" + std::to_string(i);
        if (HashBucket(UrlHash(url)) == 17 && !m_cache.GetEntryInfo(url)) {
            const auto result = m_cache.CreateEntry(test::Entry(url));
            if (result.code == ERROR_ALREADY_EXISTS)
                continue;
            ASSERT_TRUE(result.ok()) << result.message;
            urls.push_back(url);
        }
    }
    const auto bytes = test::ReadBytes(ContentIndex());
    const uint32_t second = Get32(bytes, 0x4000 + 8);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[second]), 4), "HASH");
    EXPECT_EQ(Get32(bytes, second + 12), 1u);  // sequence number
    // The eighth and ninth URLs went into the second table's bucket 17.
    EXPECT_EQ(Get32(bytes, second + 16 + 8 * 17 * 7), UrlHash(urls[7]) & ~0x3Fu);
    EXPECT_EQ(Get32(bytes, second + 16 + 8 * (17 * 7 + 1)), UrlHash(urls[8]) & ~0x3Fu);
    for (const auto& url : urls)
        EXPECT_NE(m_cache.GetEntryInfo(url), nullptr) << url;
    EXPECT_EQ(test::ListUrls(m_cache), urls);
    ExpectWineAccepts();
}

TEST_F(WriterTest, GrowsTheFileByDoubling)
{
    std::vector<std::string> urls;
    for (int i = 0; i < 600; ++i) {
        NewCacheEntry entry = test::Entry("http://grow.example/item" + std::to_string(i));
        entry.headerInfo = std::string(200, 'h');
        if (m_cache.CreateEntry(entry).ok())
            urls.push_back(entry.url);
    }
    EXPECT_GT(urls.size(), 590u);
    const auto bytes = test::ReadBytes(ContentIndex());
    const uint32_t capacity = Get32(bytes, 0x24);
    EXPECT_EQ(capacity & (capacity - 1), 0u) << capacity;  // 0x80 doubled
    EXPECT_GE(capacity, 0x800u);
    EXPECT_EQ(bytes.size(), 0x4000u + capacity * 0x80);
    ExpectWineAccepts();
    // Every key is Wine's hash of its URL, so Wine finds every entry.
    size_t matched = 0;
    for (const auto& slot : test::RawUsedSlots(bytes)) {
        const std::string url(reinterpret_cast<const char*>(&bytes[slot.record + 0x68]));
        matched += (slot.key & ~0x3Fu) == (UrlHash(url) & ~0x3Fu);
    }
    EXPECT_EQ(matched, urls.size());
    auto listed = test::ListUrls(m_cache);
    std::sort(listed.begin(), listed.end());
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(listed, urls);
}

TEST_F(WriterTest, BatchesWriteEachContainerOnce)
{
    std::vector<NewCacheEntry> entries;
    std::vector<std::string> urls;
    for (int i = 0; i < 400; ++i) {
        entries.push_back(test::Entry("http://bulk.example/" + std::to_string(i), "b"));
        entries.push_back(test::Entry("Cookie:alice@bulk" + std::to_string(i) + ".example/", "c"));
    }
    size_t made = 0;
    for (size_t i = 0; const auto& result : m_cache.CreateEntries(entries)) {
        made += result.ok();
        if (result.ok())
            urls.push_back(entries[i].url);
        else
            EXPECT_EQ(result.code, ERROR_ALREADY_EXISTS) << result.message;
        ++i;
    }
    EXPECT_GT(made, 780u);
    EXPECT_EQ(test::ListUrls(m_cache).size(), made);
    ExpectWineAccepts();

    // Deletes are done in place: the index keeps its inode.
    struct stat before {};
    stat(ContentIndex().c_str(), &before);
    urls.push_back("http://not.cached/");
    const auto results = m_cache.DeleteEntries(urls);
    for (size_t i = 0; i + 1 < results.size(); ++i)
        EXPECT_TRUE(results[i].ok()) << urls[i] << ": " << results[i].message;
    EXPECT_EQ(results.back().code, ERROR_FILE_NOT_FOUND);
    struct stat after {};
    stat(ContentIndex().c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_TRUE(test::ListUrls(m_cache).empty());
    ExpectWineAccepts();
    const auto bytes = test::ReadBytes(ContentIndex());
    EXPECT_EQ(Get32(bytes, 0x38), 0u);  // usage back to zero
    size_t files = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(m_dir.path()))
        files += item.is_regular_file() && item.path().filename() != "index.dat";
    EXPECT_EQ(files, 0u);
}

TEST_F(WriterTest, ChangesAreBasedOnTheFileAsItIsNow)
{
    Add(test::Entry("http://a.example/1"));
    ASSERT_EQ(test::ListUrls(m_cache).size(), 1u);
    // Another process adds entries; this one, with an older snapshot, deletes.
    UrlCache other(test::ThreeContainers(m_dir.path()));
    for (int i = 2; i < 30; ++i)
        ASSERT_TRUE(other.CreateEntry(test::Entry("http://a.example/" + std::to_string(i))).ok());
    EXPECT_TRUE(m_cache.DeleteEntry("http://a.example/1").ok());
    EXPECT_EQ(test::ListUrls(other).size(), 28u);
    ExpectWineAccepts();
}

TEST_F(WriterTest, UndeletableFilesLeaveALeakRecord)
{
    Add(test::Entry("http://a.example/held.html", "held"));
    Add(test::Entry("http://a.example/other.html", "other"));
    const std::filesystem::path file = LocalOf("http://a.example/held.html");
    const auto before = test::ReadBytes(ContentIndex());
    // Make the file undeletable: a read-only folder, or for root (who may
    // delete anyway) the immutable attribute.
    const std::string immutable = "chattr +i '" + file.string() + "' 2>/dev/null";
    const std::string mutable_ = "chattr -i '" + file.string() + "' 2>/dev/null";
    if (geteuid() == 0 && std::system(immutable.c_str()) != 0)
        GTEST_SKIP() << "no way to make a file undeletable for root here";
    chmod(file.parent_path().c_str(), 0555);
    const auto result = m_cache.DeleteEntry("http://a.example/held.html");
    chmod(file.parent_path().c_str(), 0755);
    if (geteuid() == 0) {
        EXPECT_EQ(std::system(mutable_.c_str()), 0);
    }
    EXPECT_TRUE(result.ok()) << result.message;
    EXPECT_TRUE(std::filesystem::exists(file));
    const auto after = test::ReadBytes(ContentIndex());
    const uint32_t leak = Get32(after, 0x224);
    ASSERT_NE(leak, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&after[leak]), 4), "LEAK");
    EXPECT_EQ(Get32(after, 0x28), Get32(before, 0x28));  // blocks stay allocated
    EXPECT_EQ(Get32(after, 0x38), Get32(before, 0x38));  // usage not yet given back
    EXPECT_EQ(m_cache.GetEntryInfo("http://a.example/held.html"), nullptr);
    EXPECT_EQ(test::ListUrls(m_cache), std::vector<std::string>{"http://a.example/other.html"});
    ExpectWineAccepts();
}

}  // namespace
}  // namespace trovana::urlcache
