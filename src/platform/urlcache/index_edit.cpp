// SPDX-License-Identifier: GPL-3.0-or-later
#include "index_edit.h"

#include "layout.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace trovana::urlcache {

using namespace layout;

uint64_t BlockRun::Offset() const
{
    return BlockOffset(first);
}

std::optional<BlockRun> FindFreeRun(const ByteImage& image, uint32_t capacity, uint32_t count, uint32_t from,
                                    const std::optional<BlockRun>& reserved)
{
    const auto taken = [&](uint32_t block) {
        if (reserved && block >= reserved->first && block - reserved->first < reserved->count)
            return true;
        return BlockInUse(image, block);
    };
    uint32_t runStart = from;
    uint32_t runLength = 0;
    for (uint32_t block = from; block < capacity; ++block) {
        if (taken(block)) {
            runLength = 0;
            runStart = block + 1;
            continue;
        }
        if (++runLength == count)
            return BlockRun{runStart, count};
    }
    return std::nullopt;
}

void MarkRuns(ByteImage& image, const std::vector<BlockRun>& runs, bool used)
{
    uint32_t total = 0;
    for (const BlockRun& run : runs) {
        for (uint32_t block = run.first; block < run.first + run.count; ++block) {
            if (BlockInUse(image, block) == used)
                throw std::logic_error("block " + std::to_string(block) + " is already " + (used ? "in use" : "free"));
        }
        total += run.count;
    }
    for (const BlockRun& run : runs) {
        for (uint32_t block = run.first; block < run.first + run.count; ++block) {
            const uint64_t at = kBitmap + block / 8;
            const auto bit = static_cast<uint8_t>(1u << (block % 8));
            image.Put8(at, used ? image.U8(at) | bit : image.U8(at) & ~bit);
        }
    }
    const uint32_t inUse = image.U32(kBlocksInUse);
    image.Put32(kBlocksInUse, used ? inUse + total : inUse - total);
}

std::optional<uint64_t> FreeSlotInBucket(const ByteImage& image, const IndexInfo& info, uint32_t bucket)
{
    for (uint32_t table : info.tables) {
        for (uint32_t i = 0; i < kBucketSlots; ++i) {
            const uint64_t slot = SlotPosition(table, bucket * kBucketSlots + i);
            const uint32_t key = image.U32(slot);
            if (key == kKeyFree || key == kKeyDeleted)
                return slot;
        }
    }
    return std::nullopt;
}

void WriteHashTable(ByteImage& image, uint64_t offset, uint32_t sequence)
{
    for (uint64_t at = offset; at < offset + kHashTableSize; at += 4)
        image.Put32(at, kUninitialisedB);
    image.Put32(offset, kHashSignature);
    image.Put32(offset + kRecBlocks, kHashTableBlocks);
    image.Put32(offset + kHashNext, 0);
    image.Put32(offset + kHashSequence, sequence);
    for (uint32_t slot = 0; slot < kSlotCount; ++slot) {
        image.Put32(SlotPosition(static_cast<uint32_t>(offset), slot), kKeyFree);
        image.Put32(SlotPosition(static_cast<uint32_t>(offset), slot) + 4, kKeyFree);
    }
}

bool GrowImage(ByteImage& image)
{
    const uint32_t capacity = image.U32(kCapacity);
    if (capacity >= kMaxCapacity)
        return false;
    const uint32_t grown = std::min(capacity * 2, kMaxCapacity);
    image.Resize(BlockOffset(grown));
    image.Put32(kFileSize, static_cast<uint32_t>(BlockOffset(grown)));
    image.Put32(kCapacity, grown);
    return true;
}

void AdjustCounters(ByteImage& image, uint8_t directory, uint64_t size, bool sticky, int change)
{
    if (directory < image.U32(kDirectoryCount)) {
        const uint64_t at = kDirectoryTable + uint64_t{directory} * kDirectoryEntrySize;
        const uint32_t files = image.U32(at);
        if (change > 0)
            image.Put32(at, files + 1);
        else if (files > 0)
            image.Put32(at, files - 1);
    }
    const uint32_t counter = sticky ? kStickyUsage : kCacheUsage;
    const uint64_t usage = image.U64(counter);
    image.Put64(counter, change > 0 ? usage + size : usage - std::min(usage, size));
}

ByteImage NewIndexImage(const std::vector<std::string>& directoryNames)
{
    ByteImage image(std::vector<uint8_t>(BlockOffset(kInitialCapacity)));
    image.PutBytes(0, kWineSignature);
    image.Put32(kFileSize, static_cast<uint32_t>(image.Size()));
    image.Put32(kFirstHashTable, kBlockArea);
    image.Put32(kCapacity, kInitialCapacity);
    image.Put64(kCacheLimit, kDefaultCacheLimit);
    image.Put32(kDirectoryCount, static_cast<uint32_t>(directoryNames.size()));
    for (size_t i = 0; i < directoryNames.size(); ++i)
        image.PutBytes(kDirectoryTable + i * kDirectoryEntrySize + 4,
                       std::string_view(directoryNames[i]).substr(0, kDirectoryNameSize));
    WriteHashTable(image, kBlockArea, 0);
    MarkRuns(image, {BlockRun{0, kHashTableBlocks}}, true);
    image.ClearSteps();
    return image;
}

}  // namespace trovana::urlcache
