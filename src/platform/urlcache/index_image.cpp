// SPDX-License-Identifier: GPL-3.0-or-later
#include "index_image.h"

#include "layout.h"
#include "overlap.h"
#include "cache_types.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <unordered_set>

namespace trovana::urlcache {
namespace {

using namespace layout;

constexpr std::string_view kWindowsPrefix = "Client UrlCache MMF Ver ";
constexpr std::string_view kWinePrefix = "WINE URLCache Ver ";

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

[[noreturn]] void Refuse(const std::string& fileName, const std::string& why)
{
    throw UrlCacheError(fileName + ": " + why);
}

IndexFlavor ParseSignature(const ByteImage& image, const std::string& fileName)
{
    const std::string_view field = image.View(0, kSignatureSize);
    const auto nul = field.find('\0');
    if (nul == std::string_view::npos)
        Refuse(fileName, "not a WinINet cache index");
    const std::string_view text = field.substr(0, nul);
    for (const auto& [prefix, version, flavor] :
         {std::tuple{kWindowsPrefix, std::string_view("5.2"), IndexFlavor::Windows},
          std::tuple{kWinePrefix, std::string_view("0.2012001"), IndexFlavor::Wine}}) {
        if (!text.starts_with(prefix))
            continue;
        const std::string_view found = text.substr(prefix.size());
        if (found != version)
            Refuse(fileName, "unsupported cache index version " + std::string(found));
        return flavor;
    }
    Refuse(fileName, "not a WinINet cache index");
}

bool IsTableAt(const ByteImage& image, uint64_t end, uint64_t offset)
{
    return offset >= kBlockArea && offset % kBlockSize == 0 && offset + kHashTableSize <= end &&
           image.U32(offset) == kHashSignature;
}

std::vector<CacheDirectory> ReadDirectories(const ByteImage& image, uint32_t count)
{
    std::vector<CacheDirectory> dirs;
    for (uint32_t i = 0; i < count; ++i) {
        CacheDirectory dir;
        dir.name = std::string(image.View(kDirectoryTable + i * kDirectoryEntrySize + 4, kDirectoryNameSize));
        dir.valid = std::all_of(dir.name.begin(), dir.name.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        });
        dirs.push_back(std::move(dir));
    }
    return dirs;
}

// Follows the chain from the first table, which the caller has checked.
// Stops at the first bad table, a repeated offset, or more tables than the
// capacity could hold.
void WalkChain(const ByteImage& image, IndexInfo& info, const std::string& fileName)
{
    const size_t maxTables = info.capacity / kHashTableBlocks + 1;
    std::unordered_set<uint64_t> seen;
    bool sequenceNoted = false;
    for (uint64_t offset = image.U32(kFirstHashTable); offset != 0; offset = image.U32(offset + kHashNext)) {
        if (info.tables.size() >= maxTables || !seen.insert(offset).second) {
            info.problems.push_back(fileName + ": the hash table chain loops");
            return;
        }
        if (!IsTableAt(image, info.end, offset)) {
            info.problems.push_back(fileName + ": the hash table chain is broken at " + Hex(offset));
            return;
        }
        if (image.U32(offset + kHashSequence) != info.tables.size() && !sequenceNoted) {
            info.problems.push_back(fileName + ": hash tables are numbered out of order");
            sequenceNoted = true;
        }
        info.tables.push_back(static_cast<uint32_t>(offset));
    }
}

// Set bits of a byte range, eight bytes at a time.
uint64_t CountBits(const uint8_t* bytes, size_t size)
{
    uint64_t bits = 0;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + i, 8);
        // Parallel bit count (no popcnt instruction needed).
        word -= (word >> 1) & 0x5555555555555555ull;
        word = (word & 0x3333333333333333ull) + ((word >> 2) & 0x3333333333333333ull);
        word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Full;
        bits += (word * 0x0101010101010101ull) >> 56;
    }
    for (; i < size; ++i)
        bits += std::popcount(bytes[i]);
    return bits;
}

// Wine's bitmap rule: bits counted in the first capacity/8 bytes equal the
// blocks-in-use field, and every later bitmap byte is zero.
std::optional<std::string> BitmapProblem(const uint8_t* header, uint32_t capacity, uint32_t blocksInUse)
{
    const uint32_t fullBytes = std::min(capacity / 8, kBitmapSize);
    const uint64_t bits = CountBits(header + kBitmap, fullBytes);
    if (bits != blocksInUse)
        return "blocks in use (" + std::to_string(blocksInUse) + ") differ from the bitmap (" + std::to_string(bits) +
               ")";
    if (CountBits(header + kBitmap + fullBytes, kBitmapSize - fullBytes) != 0)
        return std::string("bitmap bits are set beyond the capacity");
    return std::nullopt;
}

uint32_t Le32(const ImageBytes& bytes, size_t offset)
{
    return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 | uint32_t{bytes[offset + 2]} << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

}  // namespace

bool KeyNamesEntry(uint32_t key)
{
    const uint32_t flags = key & kKeyFlagMask;
    return key != kUninitialisedA && key != kUninitialisedB && flags != kKeyDeleted && flags != kKeyFree;
}

uint64_t SlotPosition(uint32_t table, uint32_t slot)
{
    return uint64_t{table} + kHashSlots + uint64_t{slot} * kSlotSize;
}

bool BlockInUse(const ByteImage& image, uint64_t block)
{
    if (block >= kMaxCapacity)
        return false;
    return (image.U8(kBitmap + block / 8) >> (block % 8)) & 1;
}

IndexInfo ParseIndex(const ByteImage& image, const std::string& fileName, uint64_t realSize)
{
    if (image.Size() < kBlockArea + kHashTableSize)
        Refuse(fileName, "too short to be a cache index");
    IndexInfo info;
    info.flavor = ParseSignature(image, fileName);

    const uint32_t dirCount = image.U32(kDirectoryCount);
    if (dirCount > kMaxDirectories)
        Refuse(fileName, "corrupt header (directory count)");
    info.capacity = image.U32(kCapacity);
    if (info.capacity == 0 || info.capacity > kMaxCapacity)
        Refuse(fileName, "corrupt header (capacity)");
    const uint64_t capacityEnd = BlockOffset(info.capacity);
    info.end = std::min(image.Size(), capacityEnd);
    const uint32_t first = image.U32(kFirstHashTable);
    if (first < kBlockArea || first % kBlockSize != 0 || uint64_t{first} + kHashTableSize > info.end)
        Refuse(fileName, "corrupt header (hash table offset)");
    if (image.U32(first) != kHashSignature)
        Refuse(fileName, "corrupt hash table");

    const uint32_t sizeField = image.U32(kFileSize);
    if (realSize < capacityEnd || realSize < sizeField)
        info.problems.push_back(fileName + ": truncated (" + std::to_string(realSize) + " bytes, the header says " +
                                std::to_string(std::max<uint64_t>(capacityEnd, sizeField)) + ")");
    else if (realSize > capacityEnd || sizeField != realSize)
        info.problems.push_back(fileName + ": the file size (" + std::to_string(realSize) +
                                ") does not match the header");
    if (info.capacity % 8 != 0)
        info.problems.push_back(fileName + ": capacity is not a multiple of 8");
    if (auto bitmap = BitmapProblem(image.Bytes().data(), info.capacity, image.U32(kBlocksInUse)))
        info.problems.push_back(fileName + ": " + *bitmap);

    info.directories = ReadDirectories(image, dirCount);
    WalkChain(image, info, fileName);
    // Freeing one of two records that share blocks would lose the other.
    if (const auto overlap = FirstOverlap(image, info))
        info.problems.push_back(fileName + ": records overlap at " + Hex(*overlap));
    return info;
}

std::optional<std::string> WineStartupProblem(const ImageBytes& bytes)
{
    const uint64_t size = bytes.size();
    if (size < BlockOffset(kInitialCapacity))
        return std::string("shorter than 0x8000 bytes");
    if (Le32(bytes, kFileSize) != size)
        return std::string("the size field differs from the file size");
    const std::string_view signature(reinterpret_cast<const char*>(bytes.data()), kSignatureSize);
    if (signature.starts_with(kWinePrefix) &&
        signature.substr(0, sizeof kWineSignature) != std::string_view(kWineSignature, sizeof kWineSignature))
        return std::string("another Wine index version");
    const uint32_t capacity = Le32(bytes, kCapacity);
    if (BlockOffset(capacity) != size)
        return std::string("the capacity does not match the file size");
    return BitmapProblem(bytes.data(), capacity, Le32(bytes, kBlocksInUse));
}

std::optional<std::string> WriteResultProblem(const ByteImage& image)
{
    if (auto problem = WineStartupProblem(image.Bytes()))
        return problem;
    const uint32_t capacity = image.U32(kCapacity);
    if (capacity % 8 != 0 || capacity > kMaxCapacity)
        return std::string("capacity not a multiple of 8");
    uint32_t sequence = 0;
    for (uint64_t offset = image.U32(kFirstHashTable); offset != 0;
         offset = image.U32(offset + kHashNext), ++sequence) {
        if (sequence > capacity / kHashTableBlocks || !IsTableAt(image, image.Size(), offset))
            return std::string("broken hash table chain");
        if (image.U32(offset + kHashSequence) != sequence)
            return std::string("hash tables numbered out of order");
    }
    return std::nullopt;
}

}  // namespace trovana::urlcache
