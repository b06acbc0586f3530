// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpora of the fuzz targets: small containers made by the
// library, the Windows samples, and for fuzz_write copies whose last eight
// bytes (the target's choice of changes) ask for deletes and creates.
//   make_fuzz_seeds <corpus folder> <samples folder>
#include "hash.h"
#include "urlcache.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace trovana::urlcache;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void Require(const CacheResult& result)
{
    if (!result.ok())
        throw std::runtime_error(result.message);
}

NewCacheEntry Entry(const std::string& url, const std::string& body = "")
{
    NewCacheEntry entry;
    entry.url = url;
    if (!body.empty())
        entry.body = body;
    return entry;
}

// A fresh cache of three containers, one seed at a time.
class SeedCache {
public:
    SeedCache() : m_root(fs::temp_directory_path() / ("trovana-seeds-" + std::to_string(getpid())))
    {
        fs::remove_all(m_root);
        CacheLocation location;
        for (auto [kind, name] :
             {std::pair{ContainerKind::Cookies, "cookies"}, std::pair{ContainerKind::History, "history"},
              std::pair{ContainerKind::Content, "content"}}) {
            fs::create_directories(m_root / name);
            location.containers.push_back({kind, m_root / name});
        }
        m_cache = std::make_unique<UrlCache>(location);
    }
    ~SeedCache() { fs::remove_all(m_root); }

    UrlCache& Cache() { return *m_cache; }
    std::vector<uint8_t> Index(const std::string& container) const
    {
        return ReadFile(m_root / container / "index.dat");
    }

private:
    fs::path m_root;
    std::unique_ptr<UrlCache> m_cache;
};

std::vector<std::pair<std::string, std::vector<uint8_t>>> LibrarySeeds()
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    {
        SeedCache s;
        Require(s.Cache().CreateEntry(Entry("http://a.example/")));
        Require(s.Cache().DeleteEntry("http://a.example/"));
        seeds.emplace_back("lib-empty", s.Index("content"));
    }
    {
        SeedCache s;
        NewCacheEntry page = Entry("http://a.example/index.html", "<html>hello</html>");
        page.fileExtension = "html";
        page.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
        page.lastModifiedTime = 0x01D5000000000000;
        page.expireTime = 0x01E0000000000000;
        NewCacheEntry sticky = Entry("http://b.example/app.js", "var x;");
        sticky.cacheEntryType |= STICKY_CACHE_ENTRY;
        sticky.fileExtension = "js";
        sticky.exemptDelta = 3600;
        NewCacheEntry locked = Entry("http://b.example/locked?q=1", "data");
        locked.useCount = 1;
        Require(s.Cache().CreateEntry(page));
        Require(s.Cache().CreateEntry(sticky));
        Require(s.Cache().CreateEntry(locked));
        Require(s.Cache().CreateEntry(Entry("http://c.example/nofile")));
        Require(s.Cache().CreateEntry(Entry("http://c.example/gone", "bye")));
        Require(s.Cache().DeleteEntry("http://c.example/gone"));
        seeds.emplace_back("lib-entries", s.Index("content"));
    }
    {
        // Eight URLs of one bucket fill it: the ninth opens a second table.
        SeedCache s;
        int made = 0;
        for (int i = 0; made < 9; ++i) {
            const std::string url = "http://bucket.example/" + std::to_string(i);
            if (HashBucket(UrlHash(url)) == 17 && s.Cache().CreateEntry(Entry(url)).ok())
                ++made;
        }
        seeds.emplace_back("lib-second-table", s.Index("content"));
    }
    {
        SeedCache s;
        NewCacheEntry cookie = Entry("Cookie:user@example.com/", "id\n42\nexample.com/\n");
        cookie.fileExtension = "txt";
        Require(s.Cache().CreateEntry(cookie));
        Require(s.Cache().CreateEntry(Entry("Visited: user@http://example.com/")));
        seeds.emplace_back("lib-cookie", s.Index("cookies"));
        seeds.emplace_back("lib-history", s.Index("history"));
    }
    return seeds;
}

// The last eight bytes set to a plan of fuzz_write: a delete mask, then
// creates, batch and body bits, a salt and flags.
std::vector<uint8_t> WithPlan(std::vector<uint8_t> bytes, const std::vector<uint8_t>& plan)
{
    if (bytes.size() >= plan.size())
        std::copy(plan.begin(), plan.end(), bytes.end() - static_cast<long>(plan.size()));
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <corpus folder> <samples folder>\n", argv[0]);
        return 2;
    }
    try {
        const fs::path corpus = argv[1];
        auto seeds = LibrarySeeds();
        for (const auto& sample : fs::directory_iterator(argv[2])) {
            if (sample.path().extension() == ".dat")
                seeds.emplace_back("win-" + sample.path().stem().string(), ReadFile(sample.path()));
        }
        fs::create_directories(corpus / "fuzz_read");
        fs::create_directories(corpus / "fuzz_write");
        const std::vector<uint8_t> batch = {0xFF, 0xFF, 0, 0, 0x7A, 3, 0x07, 0};
        const std::vector<uint8_t> single = {0x55, 0x55, 0x55, 0x55, 0x42, 9, 0x1A, 0};
        for (const auto& [name, bytes] : seeds) {
            WriteFile(corpus / "fuzz_read" / name, bytes);
            WriteFile(corpus / "fuzz_write" / name, bytes);
            if (bytes.size() > 65536)
                continue;  // keeps the corpus small: the big sample once
            WriteFile(corpus / "fuzz_write" / (name + "-batch"), WithPlan(bytes, batch));
            WriteFile(corpus / "fuzz_write" / (name + "-single"), WithPlan(bytes, single));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
