// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_count.h"

#include "cache_types.h"
#include "index_file.h"
#include "index_image.h"
#include "layout.h"
#include "record.h"

#include <system_error>
#include <vector>

namespace trovana::urlcache {

std::optional<uint64_t> CountEntries(const std::filesystem::path& indexFile)
{
    try {
        auto loaded = ReadIndexFile(indexFile);
        if (!loaded)
            return std::nullopt;
        const IndexInfo info = ParseIndex(loaded->image, indexFile.string(), loaded->realSize);
        // A record named by several slots is listed once, as the enumeration does.
        std::vector<bool> seen(info.capacity, false);
        uint64_t entries = 0;
        for (uint32_t table : info.tables) {
            for (uint32_t i = 0; i < layout::kSlotCount; ++i) {
                const uint64_t slot = SlotPosition(table, i);
                if (!KeyNamesEntry(loaded->image.U32(slot)))
                    continue;
                const auto record = ReadUrlRecord(loaded->image, info, loaded->image.U32(slot + 4));
                if (!record)
                    continue;
                const uint64_t block = (record->span.offset - layout::kBlockArea) / layout::kBlockSize;
                if (block < seen.size() && !seen[block]) {
                    seen[block] = true;
                    ++entries;
                }
            }
        }
        return entries;
    } catch (const UrlCacheError&) {
        return std::nullopt;
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

}  // namespace trovana::urlcache
