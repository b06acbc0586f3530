// SPDX-License-Identifier: GPL-3.0-or-later
// Changes to an index image, as Wine makes them: block allocation in the
// bitmap, hash slot placement, new hash tables, growth, counters, and the
// image of a fresh container. Each function writes only the bytes it names;
// the caller orders the calls (and the image's steps) so that a flush in
// place never leaves a slot pointing at an incomplete or freed record.
#pragma once

#include "byte_image.h"
#include "index_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trovana::urlcache {

struct BlockRun {
    uint32_t first = 0;
    uint32_t count = 0;
    uint64_t Offset() const;
};

// The first run of `count` free blocks (first fit), treating the blocks of
// `reserved` as taken too. Every block before `from` must be in use; the
// search starts there. None when no run fits.
std::optional<BlockRun> FindFreeRun(const ByteImage& image, uint32_t capacity, uint32_t count, uint32_t from,
                                    const std::optional<BlockRun>& reserved = std::nullopt);

// Sets or clears the runs' bitmap bits and moves the blocks-in-use field by
// as many blocks, all in the image's current step. Throws std::logic_error
// (before changing anything) when a bit already has the wanted value: the
// field would no longer match the bitmap, and Wine would wipe the container.
void MarkRuns(ByteImage& image, const std::vector<BlockRun>& runs, bool used);

// The first free (3) or deleted (1) slot among the bucket's 7 slots in the
// first table of the chain that has one, as Wine picks it. None when every
// table's bucket is full.
std::optional<uint64_t> FreeSlotInBucket(const ByteImage& image, const IndexInfo& info, uint32_t bucket);

// An empty hash table (all slots 3/3, Wine's fill after them) at offset.
void WriteHashTable(ByteImage& image, uint64_t offset, uint32_t sequence);

// Doubles the capacity (up to the largest an index can have), zeroing the
// new blocks and updating the size and capacity fields. False at the limit.
bool GrowImage(ByteImage& image);

// The directory count and the usage counter after adding (+1) or removing
// (-1) an entry of `size` bytes in directory `directory`; counts never go
// below zero.
void AdjustCounters(ByteImage& image, uint8_t directory, uint64_t size, bool sticky, int change);

// A fresh container as Wine creates it, with the given directory names
// (none for cookies and history).
ByteImage NewIndexImage(const std::vector<std::string>& directoryNames);

}  // namespace trovana::urlcache
