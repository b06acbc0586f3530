// A process killed between two in-place writes: every prefix of a change's
// writes must leave a file that Wine accepts and that still holds every
// other entry unchanged.
#include "container.h"
#include "container_writer.h"
#include "hash.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace trovana::urlcache {
namespace {

struct Write {
    uint64_t offset;
    std::string bytes;
};

// The fields that must survive, keyed by URL (local paths differ between
// the original folder and the replay folders).
using Fields = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, uint64_t, uint64_t,
                          std::string, std::string, std::string>;

std::map<std::string, Fields> FieldsOf(const std::vector<CacheEntryInfo>& entries)
{
    std::map<std::string, Fields> fields;
    for (const auto& e : entries)
        fields[e.sourceUrlName] = {e.cacheEntryType, e.hitRate, e.useCount, e.sizeLow,
                                   e.lastModifiedTime, e.expireTime, e.lastAccessTime,
                                   e.headerInfo, e.fileExtension,
                                   std::filesystem::path(e.localFileName).filename().string()};
    return fields;
}

class InterruptionTest : public ::testing::Test {
protected:
    std::filesystem::path Folder() const { return m_dir.path() / "content"; }

    void Fill(const std::vector<std::string>& urls)
    {
        UrlCache cache(test::OneContainer(Folder()));
        for (const auto& url : urls) {
            NewCacheEntry entry = test::Entry(url, "body of " + url);
            entry.headerInfo = "HTTP/1.1 200 OK\r\n\r\n";
            entry.fileExtension = "htm";
            ASSERT_TRUE(cache.CreateEntry(entry).ok()) << url;
        }
    }

    // Runs the change with every in-place write recorded.
    std::vector<Write> Record(const std::function<CacheResult(ContainerWriter&)>& change)
    {
        m_original = test::ReadBytes(Folder() / "index.dat");
        UrlCache before(test::OneContainer(Folder()));
        m_before = FieldsOf(test::ListEntries(before));
        std::vector<Write> writes;
        Container container({ContainerKind::Content, Folder()}, {});
        container.SetWriteObserver([&](uint64_t offset, std::string_view bytes) {
            writes.push_back({offset, std::string(bytes)});
        });
        ContainerWriter writer(container, false);
        EXPECT_TRUE(change(writer).ok());
        EXPECT_TRUE(writer.Finish().ok());
        return writes;
    }

    // Replays the first k writes for every k; `changed` is the one URL that
    // may differ.
    void ExpectEveryPrefixSafe(const std::vector<Write>& writes, const std::string& changed)
    {
        auto bytes = m_original;
        for (size_t k = 0; k <= writes.size(); ++k) {
            if (k > 0) {
                const Write& w = writes[k - 1];
                ASSERT_LE(w.offset + w.bytes.size(), bytes.size());
                std::copy(w.bytes.begin(), w.bytes.end(), bytes.begin() + static_cast<long>(w.offset));
            }
            const auto folder = m_dir.path() / ("after" + std::to_string(k));
            test::WriteBytes(folder / "index.dat", bytes);
            EXPECT_EQ(test::WineCheck(folder / "index.dat"), "") << "after write " << k;
            UrlCache cache(test::OneContainer(folder));
            auto now = FieldsOf(test::ListEntries(cache));
            EXPECT_TRUE(cache.Problems().empty()) << "after write " << k;
            now.erase(changed);
            auto others = m_before;
            others.erase(changed);
            EXPECT_EQ(now, others) << "after write " << k;
        }
    }

    test::TempDir m_dir;
    std::vector<uint8_t> m_original;
    std::map<std::string, Fields> m_before;
};

std::vector<std::string> Urls(int count)
{
    std::vector<std::string> urls;
    for (int i = 0; i < count; ++i)
        urls.push_back("http://site.example/page" + std::to_string(i) + ".htm");
    return urls;
}

TEST_F(InterruptionTest, Delete)
{
    Fill(Urls(20));
    const auto writes = Record([](ContainerWriter& w) { return w.Delete("http://site.example/page7.htm"); });
    EXPECT_GE(writes.size(), 3u);
    ExpectEveryPrefixSafe(writes, "http://site.example/page7.htm");
}

TEST_F(InterruptionTest, Create)
{
    Fill(Urls(20));
    const auto writes = Record([](ContainerWriter& w) {
        NewCacheEntry entry = test::Entry("http://site.example/new.htm", "new");
        entry.headerInfo = "HTTP/1.1 200 OK\r\n\r\n";
        return w.Create(entry, entry.url);
    });
    EXPECT_GE(writes.size(), 5u);
    ExpectEveryPrefixSafe(writes, "http://site.example/new.htm");
}

TEST_F(InterruptionTest, CreateWithANewHashTable)
{
    std::vector<std::string> urls;
    for (int i = 0; urls.size() < 8; ++i) {
        const std::string url = "http://site.example/b" + std::to_string(i);
        if (HashBucket(UrlHash(url)) == 40)
            urls.push_back(url);
    }
    const std::string last = urls.back();
    urls.pop_back();
    Fill(urls);
    const auto writes = Record([&](ContainerWriter& w) { return w.Create(test::Entry(last, "x"), last); });
    EXPECT_GE(writes.size(), 7u);
    ExpectEveryPrefixSafe(writes, last);
    const auto bytes = test::ReadBytes(Folder() / "index.dat");
    EXPECT_NE(test::Get32(bytes, 0x4000 + 8), 0u);
}

TEST_F(InterruptionTest, Recommit)
{
    Fill(Urls(10));
    const std::string url = "http://site.example/page3.htm";
    const auto writes = Record([&](ContainerWriter& w) { return w.Create(test::Entry(url, "again"), url); });
    ExpectEveryPrefixSafe(writes, url);
}

}  // namespace
}  // namespace trovana::urlcache
