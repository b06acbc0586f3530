// SPDX-License-Identifier: GPL-3.0-or-later
#include "overlap.h"

#include "layout.h"
#include "record.h"

#include <algorithm>
#include <vector>

namespace trovana::urlcache {
namespace {

using namespace layout;

enum class Start : uint8_t { None, Record, Table };

bool KnownRecord(uint32_t signature)
{
    return signature == kUrlSignature || signature == kLeakSignature || signature == kRedirectSignature;
}

// What starts at each block: a hash table, or something a slot names.
// Indexing by block sorts the starts and merges slots that name one record
// at no cost beyond the size of the bitmap.
std::vector<Start> StartsByBlock(const ByteImage& image, const IndexInfo& info)
{
    std::vector<Start> starts(info.capacity, Start::None);
    for (uint32_t table : info.tables) {
        // The chain checks put every table inside the capacity.
        starts[(table - kBlockArea) / kBlockSize] = Start::Table;
        for (uint32_t i = 0; i < kSlotCount; ++i) {
            const uint64_t slot = SlotPosition(table, i);
            const uint32_t offset = image.U32(slot + 4);
            if (!KeyNamesEntry(image.U32(slot)) || offset < kBlockArea || offset % kBlockSize != 0)
                continue;
            const uint64_t block = (offset - kBlockArea) / kBlockSize;
            if (block < starts.size() && starts[block] == Start::None)
                starts[block] = Start::Record;
        }
    }
    return starts;
}

}  // namespace

std::optional<uint64_t> FirstOverlap(const ByteImage& image, const IndexInfo& info)
{
    const auto starts = StartsByBlock(image, info);
    // Records are visited in block order, so reading them walks the file
    // forwards once.
    uint64_t end = 0;
    for (uint64_t block = 0; block < starts.size(); ++block) {
        if (starts[block] == Start::None)
            continue;
        const uint64_t offset = BlockOffset(block);
        uint64_t length = kHashTableSize;
        if (starts[block] == Start::Record) {
            const auto span = RecordAt(image, info, offset);
            if (!span || !KnownRecord(image.U32(offset)))
                continue;
            length = span->length;
        }
        if (offset < end)
            return offset;
        end = std::max(end, offset + length);
    }
    return std::nullopt;
}

}  // namespace trovana::urlcache
