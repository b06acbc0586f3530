// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace trovana::urlcache::fuzz {

namespace fs = std::filesystem;

namespace {

// Folds every field into a value the compiler cannot drop, so that each one
// is really read.
volatile uint64_t g_sink = 0;

void Touch(const CacheEntryInfo& info)
{
    uint64_t sum = info.cacheEntryType ^ info.useCount ^ info.hitRate ^ info.sizeLow ^ info.sizeHigh ^
                   info.exemptDelta ^ info.headerInfoSize();
    sum += info.lastModifiedTime ^ info.expireTime ^ info.lastAccessTime ^ info.lastSyncTime;
    for (const std::string* text : {&info.sourceUrlName, &info.localFileName, &info.headerInfo, &info.fileExtension}) {
        for (char c : *text)
            sum = sum * 31 + static_cast<uint8_t>(c);
        sum += static_cast<uint8_t>(text->c_str()[text->size()]);
    }
    g_sink = g_sink + sum;
}

// TROVANA_FUZZ_SCRATCH names the folder for the scratch folders: libFuzzer
// ends without running destructors, so scripts remove it themselves.
fs::path ScratchRoot()
{
    if (const char* root = std::getenv("TROVANA_FUZZ_SCRATCH"); root && *root)
        return root;
    std::error_code error;
    if (fs::is_directory("/dev/shm", error))
        return "/dev/shm";
    return fs::temp_directory_path();
}

}  // namespace

void Require(bool condition, const std::string& message)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", message.c_str());
    std::abort();
}

ScratchFolder::ScratchFolder() : m_path(ScratchRoot() / ("trovana-fuzz-" + std::to_string(getpid())))
{
    fs::remove_all(m_path);
    fs::create_directories(m_path);
    // Paths the library reports are compared with this one.
    m_path = fs::canonical(m_path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

CacheLocation ScratchFolder::Load(const uint8_t* data, size_t size)
{
    for (const auto& child : fs::directory_iterator(m_path))
        fs::remove_all(child.path());
    std::ofstream out(m_path / "index.dat", std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    Require(out.good(), "cannot write " + (m_path / "index.dat").string());
    return Location();
}

CacheLocation ScratchFolder::Location() const
{
    CacheLocation location;
    location.containers.push_back({ContainerKind::Content, m_path});
    return location;
}

std::vector<std::string> ReadEverything(UrlCache& cache)
{
    std::vector<std::string> urls;
    CacheEnumeration enumeration = cache.Enumerate();
    while (const auto info = enumeration.Next()) {
        Touch(*info);
        urls.push_back(info->sourceUrlName);
    }
    Require(enumeration.LastError() == ERROR_NO_MORE_ITEMS,
            "the enumeration ended with error " + std::to_string(enumeration.LastError()));
    for (const std::string& url : urls) {
        // A record may hold an empty URL; it is listed but, as in WinINet,
        // never looked up.
        if (url.empty())
            continue;
        const auto info = cache.GetEntryInfo(url);
        Require(info != nullptr, "a listed URL is not found: " + url);
        Require(info->sourceUrlName == url, "looking up " + url + " gave " + info->sourceUrlName);
        Touch(*info);
    }
    for (const std::string& problem : cache.Problems())
        g_sink = g_sink + problem.size();
    return urls;
}

}  // namespace trovana::urlcache::fuzz
