// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the URL cache tests: temporary folders, containers made
// with the library, raw bytes in and out, and the checks every written file
// must pass.
#pragma once

#include "urlcache.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace trovana::urlcache::test {

// A fresh folder removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A profile-like location under root: cookies, history and content folders.
CacheLocation ThreeContainers(const std::filesystem::path& root);
// One container of the given kind in folder.
CacheLocation OneContainer(const std::filesystem::path& folder, ContainerKind kind = ContainerKind::Content);

NewCacheEntry Entry(const std::string& url, std::optional<std::string> body = std::nullopt);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
// Writes a new file and renames it over `file`, as another program might:
// the new inode tells every reader that the file changed.
void ReplaceBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t offset);
void Set32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

// Every URL the cache lists, in order.
std::vector<std::string> ListUrls(UrlCache& cache);
std::vector<CacheEntryInfo> ListEntries(UrlCache& cache);

// Empty when the file passes Wine's start-up check and our own write rules;
// otherwise what is wrong.
std::string WineCheck(const std::filesystem::path& indexFile);

// Offsets of the records the slots of a file name, walking the tables with
// no help from the library (used to cross-check it).
struct RawSlot {
    uint32_t key;
    uint32_t record;
};
std::vector<RawSlot> RawUsedSlots(const std::vector<uint8_t>& bytes);

}  // namespace trovana::urlcache::test
