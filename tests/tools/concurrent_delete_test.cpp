// SPDX-License-Identifier: GPL-3.0-or-later
// Two trovana-cache processes deleting overlapping sets of entries from one
// container at the same time: the folder lock must make every entry go
// exactly once, leave the rest as it was and the index valid.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <thread>

#include "cli_test_support.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using test::JsonLines;
using test::RunCli;

constexpr int kRounds = 20;
constexpr int kEntries = 80;      // 0-59 are asked for, 60-79 are not
constexpr int kFirstEnd = 40;     // the first deleter takes 0-39
constexpr int kSecondBegin = 20;  // the second 20-59, from the top down
constexpr int kAsked = 60;
constexpr size_t kChunk = 5;  // URLs per trovana-cache run

std::string Url(int i)
{
    return "http://race.example/page" + std::to_string(i) + ".html";
}

struct Deleter {
    std::vector<int> entries;
    std::map<std::string, std::vector<std::string>> outcomes;  // URL -> what each run said
    int runs = 0;
};

// Runs the built program on chunks of the entries, one run after the other.
void RunDeleter(const fs::path& index, Deleter& deleter)
{
    for (size_t begin = 0; begin < deleter.entries.size(); begin += kChunk) {
        std::string command = "'" + std::string(TROVANA_CACHE_BINARY) + "' --container '" + index.string() + "' delete";
        for (size_t i = begin; i < std::min(begin + kChunk, deleter.entries.size()); ++i)
            command += " '" + Url(deleter.entries[i]) + "'";
        FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        ::pclose(pipe);
        ++deleter.runs;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            const size_t colon = line.find(".html: ");
            if (colon != std::string::npos)
                deleter.outcomes[line.substr(0, colon + 5)].push_back(line.substr(colon + 7));
        }
    }
}

class ConcurrentDelete : public ::testing::Test {
protected:
    void SetUp() override { m_folder = test::ScratchFolder("race"); }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path Index() const { return m_folder / "Content.IE5" / "index.dat"; }

    void Fill()
    {
        fs::remove_all(m_folder);
        urlcache::CacheLocation location;
        location.containers = {{urlcache::ContainerKind::Content, Index().parent_path()}};
        urlcache::UrlCache cache(location);
        std::vector<urlcache::NewCacheEntry> entries;
        for (int i = 0; i < kEntries; ++i) {
            urlcache::NewCacheEntry entry;
            entry.url = Url(i);
            entry.body = "<html>page " + std::to_string(i) + "</html>";
            entry.headerInfo = "HTTP/1.1 200 OK\r\n\r\n";
            entry.hitRate = static_cast<uint32_t>(i);
            entries.push_back(entry);
        }
        for (const auto& result : cache.CreateEntries(entries))
            ASSERT_TRUE(result.ok()) << result.message;
    }

    test::Outcome List() const { return RunCli({"--container", Index().string(), "list"}); }

    fs::path m_folder;
};

TEST_F(ConcurrentDelete, EveryEntryGoesOnceAndNothingElse)
{
    int runs = 0;
    int deletedTwice = 0;
    int lost = 0;
    int wonBySecond = 0;  // shared entries the second deleter got: the runs interleaved
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_NO_FATAL_FAILURE(Fill());
        const test::Outcome before = List();
        ASSERT_EQ(before.status, 0) << before.err;
        const auto entries = JsonLines(before.out);
        ASSERT_EQ(entries.size(), static_cast<size_t>(kEntries));

        Deleter first;
        Deleter second;
        for (int i = 0; i < kFirstEnd; ++i)
            first.entries.push_back(i);
        for (int i = kAsked - 1; i >= kSecondBegin; --i)
            second.entries.push_back(i);
        std::thread other([&] { RunDeleter(Index(), second); });
        RunDeleter(Index(), first);
        other.join();
        runs += first.runs + second.runs;

        for (int i = 0; i < kAsked; ++i) {
            std::vector<std::string> said = first.outcomes[Url(i)];
            const auto& more = second.outcomes[Url(i)];
            said.insert(said.end(), more.begin(), more.end());
            const auto deleted = std::count(said.begin(), said.end(), "deleted");
            deletedTwice += deleted > 1;
            const auto& theirs = second.outcomes[Url(i)];
            wonBySecond += i < kFirstEnd && std::count(theirs.begin(), theirs.end(), "deleted") > 0;
            EXPECT_EQ(deleted, 1) << Url(i);
            const bool shared = i >= kSecondBegin && i < kFirstEnd;
            EXPECT_EQ(said.size(), shared ? 2u : 1u) << Url(i);
            for (const auto& what : said)
                EXPECT_TRUE(what == "deleted" || what.starts_with("error 2 ")) << Url(i) << ": " << what;
        }

        const test::Outcome after = List();
        EXPECT_EQ(after.status, 0);
        EXPECT_EQ(after.err, "") << "the index is no longer one trovana-cache would change";
        std::map<std::string, nlohmann::json> left;
        for (const auto& entry : JsonLines(after.out))
            left[entry["url"]] = entry;
        for (const auto& entry : entries) {
            const std::string url = entry["url"];
            const bool asked = std::stoi(url.substr(url.find("page") + 4)) < kAsked;
            const auto found = left.find(url);
            if (asked) {
                EXPECT_EQ(found, left.end()) << url << " is still there";
                EXPECT_FALSE(fs::exists(entry["local"].get<std::string>())) << url;
            } else if (found == left.end() || found->second != entry) {
                ++lost;
                ADD_FAILURE() << url << " was lost or changed";
            }
        }
        EXPECT_EQ(left.size(), static_cast<size_t>(kEntries - kAsked));
    }
    std::cout << "[ rounds   ] " << kRounds << " rounds of 2 deleters, " << runs << " trovana-cache runs, "
              << (kFirstEnd - kSecondBegin) * kRounds << " contested entries (" << wonBySecond
              << " won by the second), " << deletedTwice << " deleted twice, " << lost << " lost\n";
}

}  // namespace
}  // namespace trovana::cli
