// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

#include "byte_image.h"
#include "index_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace trovana::urlcache::test {

TempDir::TempDir()
{
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() /
             ("trovana-urlcache-" + std::to_string(random()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

CacheLocation ThreeContainers(const std::filesystem::path& root)
{
    CacheLocation location;
    location.containers = {
        {ContainerKind::Content, root / "INetCache" / "Content.IE5"},
        {ContainerKind::Cookies, root / "INetCookies"},
        {ContainerKind::History, root / "History" / "History.IE5"},
    };
    return location;
}

CacheLocation OneContainer(const std::filesystem::path& folder, ContainerKind kind)
{
    CacheLocation location;
    location.containers = {{kind, folder}};
    return location;
}

NewCacheEntry Entry(const std::string& url, std::optional<std::string> body)
{
    NewCacheEntry entry;
    entry.url = url;
    entry.body = std::move(body);
    return entry;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ReplaceBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
{
    const auto fresh = file.string() + ".test";
    WriteBytes(fresh, bytes);
    std::filesystem::rename(fresh, file);
}

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t offset)
{
    return uint32_t{bytes.at(offset)} | uint32_t{bytes.at(offset + 1)} << 8 | uint32_t{bytes.at(offset + 2)} << 16 |
           uint32_t{bytes.at(offset + 3)} << 24;
}

void Set32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<CacheEntryInfo> ListEntries(UrlCache& cache)
{
    std::vector<CacheEntryInfo> entries;
    auto enumeration = cache.Enumerate();
    while (auto entry = enumeration.Next())
        entries.push_back(*entry);
    EXPECT_EQ(enumeration.LastError(), ERROR_NO_MORE_ITEMS);
    return entries;
}

std::vector<std::string> ListUrls(UrlCache& cache)
{
    std::vector<std::string> urls;
    for (const auto& entry : ListEntries(cache))
        urls.push_back(entry.sourceUrlName);
    return urls;
}

std::string WineCheck(const std::filesystem::path& indexFile)
{
    const ByteImage image(ReadBytes(indexFile));
    if (image.Size() < 0x8000)
        return "too short";
    const auto problem = WriteResultProblem(image);
    return problem ? *problem : std::string();
}

std::vector<RawSlot> RawUsedSlots(const std::vector<uint8_t>& bytes)
{
    std::vector<RawSlot> slots;
    for (uint32_t table = Get32(bytes, 0x20); table != 0; table = Get32(bytes, table + 8)) {
        for (uint32_t i = 0; i < 448; ++i) {
            const uint32_t key = Get32(bytes, table + 16 + 8 * i);
            const uint32_t record = Get32(bytes, table + 20 + 8 * i);
            if (key == 1 || key == 3 || (key & 0x3F) == 1 || (key & 0x3F) == 3 || record < 0x4000 ||
                record + 8 > bytes.size())
                continue;
            slots.push_back({key, record});
        }
    }
    return slots;
}

}  // namespace trovana::urlcache::test
