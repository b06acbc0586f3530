// SPDX-License-Identifier: GPL-3.0-or-later
// Reading hostile and damaged files: header checks that refuse a file, soft
// problems that make it read-only, truncation, loops, offsets past the end,
// unsafe names, and random damage. Containers are made with the library and
// then damaged byte by byte.
#include "byte_image.h"
#include "hash.h"
#include "index_image.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace trovana::urlcache {
namespace {

using test::Get32;
using test::Set32;

class ReaderTest : public ::testing::Test {
protected:
    // A content container with `count` entries, files and headers.
    std::vector<uint8_t> MakeContainer(int count)
    {
        UrlCache cache(test::OneContainer(Folder("made")));
        std::vector<NewCacheEntry> entries;
        for (int i = 0; i < count; ++i) {
            auto entry = test::Entry("http://www.example.com/page" + std::to_string(i) + ".html",
                                     "<p>" + std::to_string(i) + "</p>");
            entry.fileExtension = "html";
            entry.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
            entries.push_back(entry);
        }
        for (const auto& result : cache.CreateEntries(entries))
            EXPECT_TRUE(result.ok()) << result.message;
        return test::ReadBytes(Folder("made") / "index.dat");
    }

    std::filesystem::path Folder(const std::string& name) const { return m_dir.path() / name; }

    // Opens the bytes: `entries` listed, a problem noted, and every change
    // refused with the file left as it was. Returns the problems.
    std::vector<std::string> ExpectReadOnly(const std::vector<uint8_t>& bytes, size_t entries)
    {
        auto cache = Open(bytes);
        const auto urls = test::ListUrls(*cache);
        EXPECT_EQ(urls.size(), entries);
        EXPECT_FALSE(cache->Problems().empty());
        const auto file = Folder("case" + std::to_string(m_cases)) / "index.dat";
        const auto before = test::ReadBytes(file);
        for (const auto& url : urls)
            EXPECT_EQ(cache->DeleteEntry(url).code, ERROR_ACCESS_DENIED) << url;
        EXPECT_EQ(cache->CreateEntry(test::Entry("http://new.example/")).code, ERROR_ACCESS_DENIED);
        EXPECT_EQ(test::ReadBytes(file), before);
        return cache->Problems();
    }

    // Opens the bytes as the index of a fresh content folder.
    std::unique_ptr<UrlCache> Open(const std::vector<uint8_t>& bytes)
    {
        const auto folder = Folder("case" + std::to_string(++m_cases));
        test::WriteBytes(folder / "index.dat", bytes);
        return std::make_unique<UrlCache>(test::OneContainer(folder));
    }

    test::TempDir m_dir;
    int m_cases = 0;
};

TEST_F(ReaderTest, HeaderChecksRefuseTheFileNamingIt)
{
    const auto good = MakeContainer(3);
    const auto refused = [&](std::vector<uint8_t> bytes, const std::string& text) {
        const ByteImage image(bytes);
        try {
            ParseIndex(image, "/some/index.dat", bytes.size());
            ADD_FAILURE() << "accepted; expected: " << text;
        } catch (const UrlCacheError& error) {
            EXPECT_EQ(std::string(error.what()), "/some/index.dat: " + text);
        }
        auto cache = Open(bytes);
        EXPECT_TRUE(test::ListUrls(*cache).empty());
        ASSERT_EQ(cache->Problems().size(), 1u);
        EXPECT_NE(cache->Problems()[0].find("index.dat: " + text), std::string::npos);
        // Never replaced by a fresh container: that would lose what it holds.
        EXPECT_EQ(cache->CreateEntry(test::Entry("http://new.example/")).code, ERROR_ACCESS_DENIED);
        EXPECT_EQ(test::ReadBytes(Folder("case" + std::to_string(m_cases)) / "index.dat"), bytes);
    };
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 0x4FFF), "too short to be a cache index");
    auto bytes = good;
    std::fill(bytes.begin(), bytes.begin() + 28, 'A');
    refused(bytes, "not a WinINet cache index");
    bytes = good;
    std::copy_n("Other format\0", 13, bytes.begin());
    refused(bytes, "not a WinINet cache index");
    bytes = good;
    std::copy_n("Client UrlCache MMF Ver 4.7\0", 28, bytes.begin());
    refused(bytes, "unsupported cache index version 4.7");
    bytes = good;
    std::copy_n("WINE URLCache Ver 0.2005001\0", 28, bytes.begin());
    refused(bytes, "unsupported cache index version 0.2005001");
    bytes = good;
    Set32(bytes, 0x48, 33);
    refused(bytes, "corrupt header (directory count)");
    for (uint32_t capacity : {0u, 126337u}) {
        bytes = good;
        Set32(bytes, 0x24, capacity);
        refused(bytes, "corrupt header (capacity)");
    }
    for (uint32_t offset : {0x3F80u, 0x4001u, static_cast<uint32_t>(good.size() - 0x80), 0xFFFFFF80u}) {
        bytes = good;
        Set32(bytes, 0x20, offset);
        refused(bytes, "corrupt header (hash table offset)");
    }
    bytes = good;
    std::copy_n("HSAH", 4, bytes.begin() + 0x4000);
    refused(bytes, "corrupt hash table");
}

TEST_F(ReaderTest, SoftProblemsKeepReadingButRefuseChanges)
{
    const auto good = MakeContainer(3);
    auto bytes = good;
    Set32(bytes, 0x28, Get32(bytes, 0x28) + 1);  // blocks in use off by one
    ExpectReadOnly(bytes, 3);
    bytes = good;
    bytes[0x250 + 0x80 / 8] = 1;  // a bit beyond the capacity
    ExpectReadOnly(bytes, 3);
    bytes = good;
    bytes.resize(bytes.size() + 0x80);  // longer than the capacity says
    ExpectReadOnly(bytes, 3);
    bytes = good;
    Set32(bytes, 0x1C, 0x9000);  // size field differs
    ExpectReadOnly(bytes, 3);
    bytes = good;
    bytes.resize((3 << 20) + 0x80);  // so long that its image is mapped on its own
    ExpectReadOnly(bytes, 3);
}

// Images of 2 MB and more are mapped apart from the heap: they keep their
// bytes when they grow, when copied, and up to their last byte.
TEST(ByteImageMemory, LargeImagesKeepTheirBytes)
{
    ImageBytes bytes((3 << 20) + 5);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
    const ImageBytes original = bytes;
    ByteImage image(std::move(bytes));
    image.Put8(image.Size() - 1, 0xAB);
    image.Resize(5 << 20);
    EXPECT_EQ(image.U8((3 << 20) + 4), 0xAB);
    EXPECT_EQ(image.U8((3 << 20) + 5), 0);
    EXPECT_EQ(image.U8((5 << 20) - 1), 0);
    EXPECT_TRUE(std::equal(original.begin(), original.end() - 1, image.Bytes().begin()));
    const ByteImage copy = image;
    EXPECT_EQ(copy.Bytes(), image.Bytes());
}

TEST_F(ReaderTest, TruncatedAtEveryBlockListsTheRecordsThatRemain)
{
    const auto good = MakeContainer(12);
    for (size_t cut = 0x5000; cut <= good.size(); cut += 0x80) {
        const std::vector<uint8_t> bytes(good.begin(), good.begin() + cut);
        size_t complete = 0;
        for (const auto& slot : test::RawUsedSlots(good))
            complete += slot.record + Get32(good, slot.record + 4) * 0x80 <= cut;
        auto cache = Open(bytes);
        const auto urls = test::ListUrls(*cache);
        EXPECT_EQ(urls.size(), complete) << "cut at " << cut;
        if (cut < good.size()) {
            EXPECT_FALSE(cache->Problems().empty());
        }
    }
}

TEST_F(ReaderTest, HashChainLoopsEndTheChain)
{
    // Eight URLs of one bucket overflow the first table into a second.
    UrlCache cache(test::OneContainer(Folder("made")));
    int made = 0;
    for (int i = 0; made < 8; ++i) {
        const std::string url = "http://loop.example/" + std::to_string(i);
        if ((UrlHash(url) & 0x3F) == 5)
            made += cache.CreateEntry(test::Entry(url)).ok();
    }
    const auto good = test::ReadBytes(Folder("made") / "index.dat");
    const uint32_t second = Get32(good, 0x4000 + 8);
    ASSERT_NE(second, 0u);

    auto bytes = good;
    Set32(bytes, second + 8, 0x4000);  // second table leads back to the first
    auto looped = Open(bytes);
    EXPECT_EQ(test::ListUrls(*looped).size(), 8u);
    ASSERT_FALSE(looped->Problems().empty());
    EXPECT_NE(looped->Problems()[0].find("loops"), std::string::npos);

    bytes = good;
    Set32(bytes, 0x4000 + 8, 0x4000);  // the first table points at itself
    auto self = Open(bytes);
    EXPECT_EQ(test::ListUrls(*self).size(), 7u);
    EXPECT_FALSE(self->Problems().empty());

    bytes = good;
    Set32(bytes, second + 12, 7);  // sequence number out of order: read-only
    auto numbered = Open(bytes);
    EXPECT_EQ(test::ListUrls(*numbered).size(), 8u);
    EXPECT_FALSE(numbered->Problems().empty());
}

// Record offsets of a file in block order.
std::vector<uint32_t> RecordsInOrder(const std::vector<uint8_t>& bytes)
{
    std::vector<uint32_t> records;
    for (const auto& slot : test::RawUsedSlots(bytes))
        records.push_back(slot.record);
    std::sort(records.begin(), records.end());
    return records;
}

bool Mentions(const std::vector<std::string>& problems, const std::string& text)
{
    return std::any_of(problems.begin(), problems.end(),
                       [&](const auto& p) { return p.find(text) != std::string::npos; });
}

TEST_F(ReaderTest, OverlappingRecordsMakeTheContainerReadOnly)
{
    const auto good = MakeContainer(6);
    const auto records = RecordsInOrder(good);
    ASSERT_EQ(records.size(), 6u);

    // The first record grows over its five neighbours; the bitmap still
    // agrees, so only the overlap is wrong. Deleting a neighbour would free
    // blocks of the big record.
    auto bytes = good;
    Set32(bytes, records[0] + 4, (records[5] - records[0]) / 0x80 + 1);
    auto problems = ExpectReadOnly(bytes, 6);
    char where[64];
    std::snprintf(where, sizeof where, "index.dat: records overlap at 0x%X", records[1]);
    EXPECT_TRUE(Mentions(problems, where)) << ::testing::PrintToString(problems);

    // A record moved to start in the last block of the hash table.
    bytes = good;
    const uint32_t moved = 0x4000 + 31 * 0x80;
    const std::vector<uint8_t> record(good.begin() + records[0], good.begin() + records[1]);
    std::copy(record.begin(), record.end(), bytes.begin() + moved);
    for (uint32_t slot = 0x4014; slot < 0x4010 + 448 * 8; slot += 8) {
        if (Get32(bytes, slot) == records[0])
            Set32(bytes, slot, moved);
    }
    problems = ExpectReadOnly(bytes, 6);
    EXPECT_TRUE(Mentions(problems, "index.dat: records overlap at 0x4F80")) << ::testing::PrintToString(problems);
}

TEST_F(ReaderTest, TouchingRecordsAndSharedSlotsStayWritable)
{
    auto bytes = MakeContainer(6);
    const auto records = RecordsInOrder(bytes);
    ASSERT_EQ(records.size(), 6u);
    // The library packs records: each ends where the next begins.
    EXPECT_EQ(records[0], 0x4000u + 32 * 0x80);
    for (size_t i = 0; i + 1 < records.size(); ++i)
        EXPECT_EQ(records[i] + Get32(bytes, records[i] + 4) * 0x80, records[i + 1]);

    // A second slot naming the first record is the same record, not an overlap.
    uint32_t freeSlot = 0x4010;
    while (Get32(bytes, freeSlot) != 3)
        freeSlot += 8;
    uint32_t used = 0x4010;
    while (Get32(bytes, used + 4) != records[0])
        used += 8;
    Set32(bytes, freeSlot, Get32(bytes, used));
    Set32(bytes, freeSlot + 4, records[0]);

    auto cache = Open(bytes);
    EXPECT_EQ(test::ListUrls(*cache).size(), 6u);
    EXPECT_TRUE(cache->Problems().empty());
    EXPECT_TRUE(cache->DeleteEntry("http://www.example.com/page3.html").ok());
    EXPECT_TRUE(cache->CreateEntry(test::Entry("http://new.example/")).ok());
    EXPECT_EQ(test::ListUrls(*cache).size(), 6u);
    EXPECT_TRUE(cache->Problems().empty());
}

class DamagedRecord : public ReaderTest {
protected:
    void SetUp() override
    {
        m_good = MakeContainer(2);
        const auto slots = test::RawUsedSlots(m_good);
        ASSERT_EQ(slots.size(), 2u);
        m_record = slots[0].record;
        m_slot = 0;
        for (uint32_t i = 0; i < 448; ++i) {
            if (Get32(m_good, 0x4000 + 20 + 8 * i) == m_record)
                m_slot = 0x4000 + 16 + 8 * i;
        }
    }
    // The entries listed after `damage` changed the first record.
    std::vector<CacheEntryInfo> After(const std::function<void(std::vector<uint8_t>&)>& damage)
    {
        auto bytes = m_good;
        damage(bytes);
        auto cache = Open(bytes);
        return test::ListEntries(*cache);
    }
    std::vector<uint8_t> m_good;
    uint32_t m_record = 0;
    uint32_t m_slot = 0;
};

TEST_F(DamagedRecord, OffsetsAndSizesPastTheEndSkipTheRecordOrTheField)
{
    ASSERT_EQ(After([](auto&) {}).size(), 2u);
    // Fatal for the record: it is skipped and the other one still listed.
    const std::vector<std::pair<uint32_t, uint32_t>> fatal = {{0x04, 0},
                                                              {0x04, 0xFFFFFFFF},
                                                              {0x04, 0x100},
                                                              {0x34, 0x10},
                                                              {0x34, 0xFFFFFFF0},
                                                              {0x34, 0x100},
                                                              {0x00, 0x4B414552 /* "REAK" */}};
    for (const auto& [field, value] : fatal) {
        const auto entries = After([&](auto& b) { Set32(b, m_record + field, value); });
        EXPECT_EQ(entries.size(), 1u) << "field " << field << " = " << value;
    }
    // Slot offsets that cannot be a record.
    for (uint32_t target : {0u, 0x4040u, 0x4000u + 0x80u * 0x80u, 0xFFFFFF80u}) {
        EXPECT_EQ(After([&](auto& b) { Set32(b, m_slot + 4, target); }).size(), 1u) << target;
    }
    // A URL with no NUL before the record's end.
    const uint32_t blocks = Get32(m_good, m_record + 4);
    EXPECT_EQ(After([&](auto& b) {
                  std::fill(b.begin() + m_record + 0x68, b.begin() + m_record + blocks * 0x80, 'x');
              }).size(),
              1u);
    // Fatal only for one field: the entry is listed without it.
    auto entries = After([&](auto& b) { Set32(b, m_record + 0x48, 0xFFFFFFF0); });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const auto& e) { return e.headerInfo.empty(); }));
    entries = After([&](auto& b) {
        Set32(b, m_record + 0x3C, 0x7FFFFFFF);
        Set32(b, m_record + 0x4C, 0x20);
    });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const auto& e) { return e.localFileName.empty() && e.fileExtension.empty(); }));
}

TEST_F(DamagedRecord, UnsafeNamesGiveNoLocalFile)
{
    const uint32_t nameOffset = Get32(m_good, m_record + 0x3C);
    ASSERT_NE(nameOffset, 0u);
    const auto withName = [&](const std::string& name) {
        return After([&](auto& b) {
            std::copy(name.begin(), name.end(), b.begin() + m_record + nameOffset);
            b[m_record + nameOffset + name.size()] = 0;
        });
    };
    for (const std::string name : {"..", ".", "../../etc/passwd", "a\\b", "x\x01y"}) {
        const auto entries = withName(name);
        ASSERT_EQ(entries.size(), 2u) << name;
        const auto bad = std::count_if(entries.begin(), entries.end(),
                                       [](const auto& e) { return e.localFileName.empty(); });
        EXPECT_EQ(bad, 1) << name;
    }
    // A directory name that climbs out, or a directory index beyond the table.
    const auto dirIndex = m_good[m_record + 0x38];
    for (const auto& damage : std::vector<std::function<void(std::vector<uint8_t>&)>>{
             [&](auto& b) { std::copy_n("../../..", 8, b.begin() + 0x4C + 12 * dirIndex + 4); },
             [&](auto& b) { b[m_record + 0x38] = 7; }, [&](auto& b) { b[m_record + 0x38] = 0xFD; }}) {
        const auto entries = After(damage);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const auto& e) { return e.localFileName.empty(); }));
    }
}

TEST_F(DamagedRecord, SlotsThatRepeatOrPointAtFreedBlocksAreSkipped)
{
    // A second slot naming the same record: listed once.
    auto entries = After([&](auto& b) {
        Set32(b, 0x4000 + 16 + 8 * 447, Get32(b, m_slot));
        Set32(b, 0x4000 + 20 + 8 * 447, m_record);
    });
    EXPECT_EQ(entries.size(), 2u);
    // A slot whose record's block is free in the bitmap (stale).
    entries = After([&](auto& b) {
        const uint32_t block = (m_record - 0x4000) / 0x80;
        b[0x250 + block / 8] &= static_cast<uint8_t>(~(1u << (block % 8)));
        Set32(b, 0x28, Get32(b, 0x28) - 1);
    });
    EXPECT_EQ(entries.size(), 1u);
    // Uninitialised and deleted keys.
    for (uint32_t key : {1u, 3u, 0x0BADF00Du, 0xDEADBEEFu, 0x12345641u}) {
        EXPECT_EQ(After([&](auto& b) { Set32(b, m_slot, key); }).size(), 1u) << key;
    }
}

TEST_F(ReaderTest, RandomDamageNeverEscapesTheFile)
{
    const auto good = MakeContainer(20);
    std::mt19937 random(20240611);
    const std::vector<std::pair<size_t, size_t>> regions = {
        {0, 0x250}, {0x250, 0x4000}, {0x4000, 0x5000}, {0x5000, good.size()}};
    for (int round = 0; round < 300; ++round) {
        auto bytes = good;
        const int changes = 1 + static_cast<int>(random() % 16);
        for (int i = 0; i < changes; ++i) {
            const auto& [from, to] = regions[random() % regions.size()];
            bytes[from + random() % (to - from)] = static_cast<uint8_t>(random());
        }
        if (round % 10 == 0)
            bytes.resize(0x4000 + random() % (bytes.size() - 0x4000));
        auto cache = Open(bytes);
        const auto entries = test::ListEntries(*cache);
        for (const auto& entry : entries)
            EXPECT_TRUE(cache->GetEntryInfo(entry.sourceUrlName) != nullptr);
        const auto file = Folder("case" + std::to_string(m_cases)) / "index.dat";
        if (!entries.empty() && cache->DeleteEntry(entries.front().sourceUrlName).ok()) {
            EXPECT_EQ(test::WineCheck(file), "") << "round " << round;
        }
        if (cache->CreateEntry(test::Entry("http://www.example.com/new", "x")).ok()) {
            EXPECT_EQ(test::WineCheck(file), "") << "round " << round;
        }
    }
}

}  // namespace
}  // namespace trovana::urlcache
