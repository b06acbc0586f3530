// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the input as a container's index.dat, deletes some of its entries
// and creates some new ones, then opens the result again and checks that it
// lists cleanly, holds what was created and no longer holds what was deleted.
// The last eight bytes of the input choose the changes.
#include "fuzz_support.h"

#include "byte_image.h"
#include "index_image.h"
#include "new_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace trovana::urlcache::fuzz {
namespace {

struct Plan {
    uint32_t deleteMask = 0;   // bit i % 32: delete the i-th listed entry
    int creates = 0;           // 0 to 4 new entries
    bool batchDelete = false;  // DeleteEntries rather than DeleteEntry
    bool batchCreate = false;  // CreateEntries rather than CreateEntry
    bool recreate = false;     // the first new entry takes a listed URL
    bool bodies = false;       // new entries get a local file
    uint8_t salt = 0;
    uint8_t flags = 0;
};

Plan PlanFrom(const uint8_t* data, size_t size)
{
    uint8_t tail[8] = {};
    const size_t n = std::min<size_t>(size, 8);
    std::copy(data + size - n, data + size, tail + (8 - n));
    Plan plan;
    plan.deleteMask = tail[0] | tail[1] << 8 | tail[2] << 16 | uint32_t{tail[3]} << 24;
    plan.creates = tail[4] % 5;
    plan.batchDelete = tail[4] & 0x08;
    plan.batchCreate = tail[4] & 0x10;
    plan.recreate = tail[4] & 0x20;
    plan.bodies = tail[4] & 0x40;
    plan.salt = tail[5];
    plan.flags = tail[6];
    return plan;
}

std::vector<std::string> Deleted(UrlCache& cache, const std::vector<std::string>& listed, const Plan& plan)
{
    std::vector<std::string> chosen;
    for (size_t i = 0; i < listed.size() && chosen.size() < 8; ++i) {
        if (plan.deleteMask >> (i % 32) & 1)
            chosen.push_back(listed[i]);
    }
    std::vector<CacheResult> results;
    if (plan.batchDelete) {
        results = cache.DeleteEntries(chosen);
    } else {
        for (const std::string& url : chosen)
            results.push_back(cache.DeleteEntry(url));
    }
    Require(results.size() == chosen.size(), "one delete result per URL");
    std::vector<std::string> deleted;
    for (size_t i = 0; i < chosen.size(); ++i) {
        if (results[i].ok())
            deleted.push_back(chosen[i]);
    }
    return deleted;
}

std::vector<NewCacheEntry> NewEntries(const std::vector<std::string>& listed, const Plan& plan)
{
    std::vector<NewCacheEntry> entries;
    for (int i = 0; i < plan.creates; ++i) {
        NewCacheEntry entry;
        entry.url = "http://fuzz.example/" + std::to_string(plan.salt) + "/" + std::to_string(i) +
                    (plan.flags & 1 ? ".txt" : "");
        if (i == 0 && plan.recreate && !listed.empty())
            entry.url = listed[plan.salt % listed.size()];
        if (plan.bodies)
            entry.body = std::string(plan.flags % 7 * 20, 'x');
        entry.fileExtension = plan.flags & 2 ? "html" : "";
        entry.headerInfo = plan.flags & 4 ? "HTTP/1.1 200 OK\r\n\r\n" : "";
        entry.cacheEntryType |= plan.flags & 8 ? STICKY_CACHE_ENTRY : 0;
        entry.expireTime = plan.flags & 16 ? 0x01D0000000000000 : 0;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> Created(UrlCache& cache, const std::vector<NewCacheEntry>& entries, const Plan& plan)
{
    std::vector<CacheResult> results;
    if (plan.batchCreate) {
        results = cache.CreateEntries(entries);
    } else {
        for (const NewCacheEntry& entry : entries)
            results.push_back(cache.CreateEntry(entry));
    }
    Require(results.size() == entries.size(), "one create result per entry");
    std::vector<std::string> created;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (results[i].ok())
            created.push_back(PercentEncodeHighBytes(entries[i].url));
    }
    return created;
}

std::vector<uint8_t> ReadIndex(const std::filesystem::path& folder)
{
    std::ifstream in(folder / "index.dat", std::ios::binary);
    Require(in.good(), "index.dat is gone after a change");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Opens the changed container afresh and checks it against what the
// changes reported, and that every other entry is still there.
void CheckResult(const ScratchFolder& folder, const std::vector<std::string>& before,
                 const std::vector<std::string>& deleted, const std::vector<std::string>& created)
{
    if (deleted.empty() && created.empty())
        return;
    const auto problem = WriteResultProblem(ByteImage(ReadIndex(folder.Path())));
    Require(!problem, "the changed file breaks Wine's rules: " + problem.value_or(""));

    UrlCache cache(folder.Location());
    ReadEverything(cache);
    const std::string inside = folder.Path().string() + "/";
    for (const std::string& url : created) {
        const auto info = cache.GetEntryInfo(url);
        Require(info != nullptr, "a created entry is not found: " + url);
        Require(info->localFileName.empty() || info->localFileName.starts_with(inside),
                "a created entry's file is outside the container: " + info->localFileName);
    }
    for (const std::string& url : deleted) {
        // A URL listed twice in a corrupt file keeps its other entry.
        if (std::count(before.begin(), before.end(), url) != 1 ||
            std::find(created.begin(), created.end(), url) != created.end())
            continue;
        Require(cache.GetEntryInfo(url) == nullptr, "a deleted entry is still found: " + url);
    }
    // Nothing but what was named may go: a container whose records overlap,
    // where freeing one record would free another's blocks, is refused.
    for (const std::string& url : before) {
        if (url.empty() || std::find(deleted.begin(), deleted.end(), url) != deleted.end())
            continue;
        Require(cache.GetEntryInfo(url) != nullptr, "an entry that was not deleted is gone: " + url);
    }
}

}  // namespace
}  // namespace trovana::urlcache::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::urlcache;
    static fuzz::ScratchFolder folder;
    const fuzz::Plan plan = fuzz::PlanFrom(data, size);
    std::vector<std::string> before;
    std::vector<std::string> deleted;
    std::vector<std::string> created;
    {
        UrlCache cache(folder.Load(data, size));
        before = fuzz::ReadEverything(cache);
        deleted = fuzz::Deleted(cache, before, plan);
        created = fuzz::Created(cache, fuzz::NewEntries(before, plan), plan);
    }
    fuzz::CheckResult(folder, before, deleted, created);
    return 0;
}
