// SPDX-License-Identifier: GPL-3.0-or-later
#include "record_scan.h"

#include "layout.h"

#include <algorithm>

namespace trovana::urlcache {

using namespace layout;

std::vector<ScannedRecord> ScanBlockArea(const ByteImage& image, const IndexInfo& info)
{
    std::vector<ScannedRecord> found;
    const uint64_t end = std::min(info.end, image.Size());
    const uint64_t blocks = end > kBlockArea ? std::min<uint64_t>((end - kBlockArea) / kBlockSize, info.capacity) : 0;
    uint64_t block = 0;
    while (block < blocks) {
        const uint64_t offset = BlockOffset(block);
        const uint32_t signature = image.U32(offset);
        const uint64_t length = image.U32(offset + kRecBlocks);
        const bool allocated = BlockInUse(image, block);
        const bool known = signature == kUrlSignature || signature == kLeakSignature ||
                           (allocated && (signature == kRedirectSignature || signature == kHashSignature));
        if (!known || length == 0) {
            ++block;
            continue;
        }
        // A record takes the blocks its header names, as far as they stay in
        // the same state (used or free) and inside the file.
        uint64_t taken = 1;
        while (taken < length && block + taken < blocks && BlockInUse(image, block + taken) == allocated)
            ++taken;
        if (signature != kHashSignature) {
            found.push_back({RecordSpan{offset, taken * kBlockSize}, signature, allocated, taken < length});
        }
        block += taken;
    }
    return found;
}

}  // namespace trovana::urlcache
