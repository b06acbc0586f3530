// SPDX-License-Identifier: GPL-3.0-or-later
// Real index.dat files written by Internet Explorer on Windows: they open,
// list what an independent walk of their slots finds, and can be changed
// without losing Wine's acceptance or their own signature.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace trovana::urlcache {
namespace {

const std::filesystem::path kSamples = TROVANA_SAMPLES_DIR;

// The URLs of the `URL ` records the slots name, found without the library:
// record on a block boundary, block in use, signature `URL `, each once.
std::multiset<std::string> IndependentUrls(const std::vector<uint8_t>& bytes)
{
    std::set<uint32_t> records;
    std::multiset<std::string> urls;
    for (const auto& slot : test::RawUsedSlots(bytes)) {
        const uint32_t r = slot.record;
        const uint32_t block = (r - 0x4000) / 0x80;
        if (slot.key == 0x0BADF00D || slot.key == 0xDEADBEEF || r % 0x80 != 0 || r + 0x80 > bytes.size() ||
            std::memcmp(&bytes[r], "URL ", 4) != 0 || !(bytes[0x250 + block / 8] >> (block % 8) & 1) ||
            !records.insert(r).second)
            continue;
        urls.insert(reinterpret_cast<const char*>(&bytes[r + test::Get32(bytes, r + 0x34)]));
    }
    return urls;
}

struct Sample {
    const char* file;
    ContainerKind kind;
    const char* urlPrefix;  // every listed URL starts with it
    size_t entries;
    const char* newUrl;  // a URL that goes into this container
};

class SampleTest : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleTest, ListsWhatTheSlotsName)
{
    const Sample& sample = GetParam();
    test::TempDir dir;
    const auto folder = dir.path() / "container";
    const auto bytes = test::ReadBytes(kSamples / sample.file);
    test::WriteBytes(folder / "index.dat", bytes);
    UrlCache cache(test::OneContainer(folder, sample.kind));
    const auto entries = test::ListEntries(cache);
    EXPECT_TRUE(cache.Problems().empty()) << cache.Problems().front();
    EXPECT_EQ(entries.size(), sample.entries);

    std::multiset<std::string> listed;
    for (const auto& entry : entries) {
        listed.insert(entry.sourceUrlName);
        EXPECT_TRUE(entry.sourceUrlName.starts_with(sample.urlPrefix)) << entry.sourceUrlName;
        EXPECT_NE(entry.lastAccessTime, 0u) << entry.sourceUrlName;
        const auto found = cache.GetEntryInfo(entry.sourceUrlName);
        ASSERT_NE(found, nullptr) << entry.sourceUrlName;
        EXPECT_EQ(found->hitRate, entry.hitRate);
        EXPECT_EQ(found->headerInfo, entry.headerInfo);
    }
    EXPECT_EQ(listed, IndependentUrls(bytes));
}

TEST_P(SampleTest, DeletingKeepsTheWindowsSignatureAndWinesAcceptance)
{
    const Sample& sample = GetParam();
    test::TempDir dir;
    const auto folder = dir.path() / "container";
    test::WriteBytes(folder / "index.dat", test::ReadBytes(kSamples / sample.file));
    UrlCache cache(test::OneContainer(folder, sample.kind));
    const auto urls = test::ListUrls(cache);
    ASSERT_FALSE(urls.empty());
    const auto result = cache.DeleteEntry(urls.front());
    ASSERT_TRUE(result.ok()) << result.message;
    const auto bytes = test::ReadBytes(folder / "index.dat");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), "Client UrlCache MMF Ver 5.2");
    EXPECT_EQ(test::WineCheck(folder / "index.dat"), "");
    EXPECT_EQ(test::ListUrls(cache).size(), urls.size() - 1);
    ASSERT_TRUE(cache.CreateEntry(test::Entry(sample.newUrl, "x")).ok());
    EXPECT_EQ(test::WineCheck(folder / "index.dat"), "");
    EXPECT_EQ(test::ListUrls(cache).size(), urls.size());
}

INSTANTIATE_TEST_SUITE_P(
    Windows, SampleTest,
    ::testing::Values(Sample{"grr-index.dat", ContainerKind::History, "Visited: testing@", 7, "Visited: a@http://x/"},
                      Sample{"plaso-Content.IE5-index.dat", ContainerKind::Content, "http", 21, "http://x/"},
                      Sample{"plaso-History.IE5-index.dat", ContainerKind::History, "Visited: ", 15,
                             "Visited: a@http://x/"},
                      Sample{"plaso-MSHist012013031020130311-index.dat", ContainerKind::History,
                             ":2013031020130311: ", 23, "Visited: a@http://x/"},
                      // Besides web pages, Office and Skype resources (res://) and a
                      // deployment log entry.
                      Sample{"plaso-nfury_index.dat", ContainerKind::Content, "", 984, "http://x/"}),
    [](const auto& info) {
        std::string name = info.param.file;
        name = name.substr(0, name.find('.'));
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
}  // namespace trovana::urlcache
