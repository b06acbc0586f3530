// SPDX-License-Identifier: GPL-3.0-or-later
// A process killed between two in-place writes: every prefix of a change's
// writes must leave a file that Wine accepts and that still holds every
// other entry unchanged.
#include "container.h"
#include "container_writer.h"
#include "hash.h"
#include "layout.h"
#include "record_survey.h"
#include "test_support.h"
#include "write_replay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <tuple>

namespace trovana::urlcache {
namespace {

// The fields that must survive, keyed by URL (local paths differ between
// the original folder and the replay folders).
using Fields = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, uint64_t, uint64_t, uint64_t,
                          uint32_t, std::string, std::string, std::string>;

std::map<std::string, Fields> FieldsOf(const std::vector<CacheEntryInfo>& entries)
{
    std::map<std::string, Fields> fields;
    for (const auto& e : entries)
        fields[e.sourceUrlName] = {e.cacheEntryType,
                                   e.hitRate,
                                   e.useCount,
                                   e.sizeLow,
                                   e.sizeHigh,
                                   e.lastModifiedTime,
                                   e.expireTime,
                                   e.lastAccessTime,
                                   e.lastSyncTime,
                                   e.exemptDelta,
                                   e.headerInfo,
                                   e.fileExtension,
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
    test::RecordedChange Record(const test::Change& change, const std::filesystem::path& watched = {})
    {
        UrlCache before(test::OneContainer(Folder()));
        m_before = FieldsOf(test::ListEntries(before));
        auto recorded = test::RecordChange({ContainerKind::Content, Folder()}, change, watched);
        EXPECT_TRUE(recorded.result.ok()) << recorded.result.message;
        EXPECT_TRUE(recorded.finish.ok()) << recorded.finish.message;
        UrlCache after(test::OneContainer(Folder()));
        m_after = FieldsOf(test::ListEntries(after));
        return recorded;
    }

    // Replays the first k writes for every k. Every entry but `changed` must
    // be as it was; `changed` must be whole as before or as after, or absent.
    void ExpectEveryPrefixSafe(const test::RecordedChange& change, const std::string& changed)
    {
        size_t survived = 0;
        for (size_t k = 0; k <= change.writes.size(); ++k) {
            SCOPED_TRACE("after write " + std::to_string(k));
            const auto folder = m_dir.path() / ("after" + std::to_string(k));
            test::WriteBytes(folder / "index.dat", change.After(k));
            const std::string wineProblem = test::WineCheck(folder / "index.dat");
            UrlCache cache(test::OneContainer(folder));
            auto now = FieldsOf(test::ListEntries(cache));
            const auto version = now.extract(changed);
            auto others = m_before;
            others.erase(changed);
            const bool whole = !version || IsVersionOf(version.mapped(), changed);
            EXPECT_EQ(wineProblem, "");
            EXPECT_TRUE(cache.Problems().empty());
            EXPECT_EQ(now, others);
            EXPECT_TRUE(whole) << changed << " is half changed";
            if (wineProblem.empty() && cache.Problems().empty() && now == others && whole)
                ++survived;
        }
        std::cout << "[ points   ] " << change.writes.size() + 1 << " tried, " << survived << " survived\n";
        EXPECT_EQ(survived, change.writes.size() + 1);
    }

    bool IsVersionOf(const Fields& fields, const std::string& url) const
    {
        const auto before = m_before.find(url);
        const auto after = m_after.find(url);
        return (before != m_before.end() && before->second == fields) ||
               (after != m_after.end() && after->second == fields) ||
               std::find(m_alsoWhole.begin(), m_alsoWhole.end(), fields) != m_alsoWhole.end();
    }

    // The local file names of the records on the leak list of index.dat as
    // it is after `k` writes (replayed by ExpectEveryPrefixSafe).
    std::vector<std::string> LeakedFiles(size_t k) const
    {
        const auto bytes = test::ReadBytes(m_dir.path() / ("after" + std::to_string(k)) / "index.dat");
        std::vector<std::string> names;
        for (uint32_t leak = test::Get32(bytes, layout::kLeakListHead); leak != 0 && names.size() < 100;
             leak = test::Get32(bytes, leak + layout::kRecExemptDelta)) {
            const uint32_t name = test::Get32(bytes, leak + layout::kRecLocalName);
            names.emplace_back(reinterpret_cast<const char*>(bytes.data() + leak + name));
        }
        return names;
    }

    // The state the record survey gives the url's record after `k` writes.
    std::string SurveyedStateOf(size_t k, const std::string& url) const
    {
        RecordSurvey survey(test::OneContainer(m_dir.path() / ("after" + std::to_string(k))));
        std::string states;
        while (const auto record = survey.Next()) {
            if (record->entry.sourceUrlName == url)
                states += (states.empty() ? "" : ",") + std::string(RecordStateName(record->state));
        }
        return states;
    }

    bool ListedAfter(size_t k, const std::string& url) const
    {
        UrlCache cache(test::OneContainer(m_dir.path() / ("after" + std::to_string(k))));
        return cache.GetEntryInfo(url) != nullptr;
    }

    test::TempDir m_dir;
    std::map<std::string, Fields> m_before;
    std::map<std::string, Fields> m_after;
    std::vector<Fields> m_alsoWhole;  // further complete versions of the changed entry
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
    const std::string url = "http://site.example/page7.htm";
    const std::filesystem::path file = UrlCache(test::OneContainer(Folder())).GetEntryInfo(url)->localFileName;
    const auto change = Record([&](ContainerWriter& w) { return w.Delete(url); }, file);
    EXPECT_GE(change.writes.size(), 3u);
    ExpectEveryPrefixSafe(change, url);

    // Killed at any point while the file is still there, the index names it:
    // as the entry, or as a LEAK record on the leak list that Wine frees.
    EXPECT_FALSE(std::filesystem::exists(file));
    size_t leakedPoints = 0;
    for (size_t k = 0; k < change.writes.size(); ++k) {
        if (!change.writes[k].watchedExisted)
            continue;
        SCOPED_TRACE("killed after write " + std::to_string(k));
        const auto leaked = LeakedFiles(k);
        const bool onLeakList = std::find(leaked.begin(), leaked.end(), file.filename()) != leaked.end();
        EXPECT_TRUE(ListedAfter(k, url) || onLeakList);
        leakedPoints += !ListedAfter(k, url);
        // The examiner's survey names the record by what it is, whether or
        // not its LEAK signature was written yet.
        if (!ListedAfter(k, url)) {
            EXPECT_EQ(SurveyedStateOf(k, url), "leak");
        }
    }
    EXPECT_GT(leakedPoints, 0u);
    // Once the file is gone its record is freed and the list is as before.
    EXPECT_TRUE(LeakedFiles(change.writes.size()).empty());
}

// What an interrupted deletion leaves is cleaned up by the next deletion in
// the container: a LEAK record loses its file and its blocks; an entry
// still in the hash table (stopped before it left) is kept whole.
TEST_F(InterruptionTest, TheNextDeleteCleansUpAnInterruptedOne)
{
    Fill(Urls(20));
    const std::string url = "http://site.example/page7.htm";
    const std::filesystem::path file = UrlCache(test::OneContainer(Folder())).GetEntryInfo(url)->localFileName;
    const auto body = test::ReadBytes(file);
    const auto written = std::filesystem::last_write_time(file);
    const auto change = Record([&](ContainerWriter& w) { return w.Delete(url); }, file);
    ExpectEveryPrefixSafe(change, url);

    size_t leaked = 0;
    size_t whole = 0;
    for (size_t k = 1; k < change.writes.size(); ++k) {
        if (!change.writes[k].watchedExisted || LeakedFiles(k).empty())
            continue;
        SCOPED_TRACE("killed after write " + std::to_string(k));
        const bool listed = ListedAfter(k, url);
        test::WriteBytes(Folder() / "index.dat", change.After(k));
        test::WriteBytes(file, body);
        std::filesystem::last_write_time(file, written);

        UrlCache cache(test::OneContainer(Folder()));
        ASSERT_TRUE(cache.DeleteEntry("http://site.example/page3.htm").ok());
        EXPECT_EQ(test::WineCheck(Folder() / "index.dat"), "");
        EXPECT_EQ(test::Get32(test::ReadBytes(Folder() / "index.dat"), layout::kLeakListHead), 0u);
        EXPECT_EQ(std::filesystem::exists(file), listed);
        EXPECT_EQ(cache.GetEntryInfo(url) != nullptr, listed);
        std::map<std::string, Fields> expected = m_before;
        expected.erase("http://site.example/page3.htm");
        if (!listed)
            expected.erase(url);
        EXPECT_EQ(FieldsOf(test::ListEntries(cache)), expected);
        (listed ? whole : leaked) += 1;
    }
    EXPECT_GT(leaked, 0u);
    EXPECT_GT(whole, 0u);
}

// A lock older than a day is cleared before the entry goes: one more write.
TEST_F(InterruptionTest, DeleteOfAStaleLock)
{
    Fill(Urls(12));
    const std::string url = "http://site.example/held.htm";
    NewCacheEntry held = test::Entry(url, "held");
    held.useCount = 1;
    held.lastAccessTime = 130000000000000000;  // 2012
    ASSERT_TRUE(UrlCache(test::OneContainer(Folder())).CreateEntry(held).ok());
    const auto change = Record([&](ContainerWriter& w) { return w.Delete(url); });
    // Released and still there, as any access by Wine leaves it.
    Fields released = m_before.at(url);
    std::get<2>(released) = 0;
    m_alsoWhole.push_back(released);
    EXPECT_GE(change.writes.size(), 4u);
    ExpectEveryPrefixSafe(change, url);
}

TEST_F(InterruptionTest, Create)
{
    Fill(Urls(20));
    const auto change = Record([](ContainerWriter& w) {
        NewCacheEntry entry = test::Entry("http://site.example/new.htm", "new");
        entry.headerInfo = "HTTP/1.1 200 OK\r\n\r\n";
        return w.Create(entry, entry.url);
    });
    EXPECT_GE(change.writes.size(), 5u);
    ExpectEveryPrefixSafe(change, "http://site.example/new.htm");
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
    const auto change = Record([&](ContainerWriter& w) { return w.Create(test::Entry(last, "x"), last); });
    EXPECT_GE(change.writes.size(), 7u);
    ExpectEveryPrefixSafe(change, last);
    const auto bytes = test::ReadBytes(Folder() / "index.dat");
    EXPECT_NE(test::Get32(bytes, 0x4000 + 8), 0u);
}

TEST_F(InterruptionTest, Recommit)
{
    Fill(Urls(10));
    const std::string url = "http://site.example/page3.htm";
    const auto change = Record([&](ContainerWriter& w) { return w.Create(test::Entry(url, "again"), url); });
    ExpectEveryPrefixSafe(change, url);
}

}  // namespace
}  // namespace trovana::urlcache
