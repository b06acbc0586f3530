// SPDX-License-Identifier: GPL-3.0-or-later
// A walk over the block area of an index.dat in block order, believing the
// allocation bitmap: the records that lie in used blocks, and the `URL ` and
// `LEAK` records that deleted entries left in free blocks.
#pragma once

#include "byte_image.h"
#include "index_image.h"
#include "record.h"

#include <cstdint>
#include <vector>

namespace trovana::urlcache {

struct ScannedRecord {
    RecordSpan span;         // in free blocks: at most the run of free blocks
    uint32_t signature = 0;  // layout::kUrlSignature, kRedirectSignature or kLeakSignature
    bool allocated = false;  // its first block is in use
    bool partial = false;    // a free record whose later blocks are in use again
};

// `URL `, `REDR` and `LEAK` records in offset order. In used blocks the walk
// steps from record to record (hash tables included); in free blocks it takes
// a `URL ` or `LEAK` signature on a block boundary as a record, cut short at
// the first used block, and goes on after it.
std::vector<ScannedRecord> ScanBlockArea(const ByteImage& image, const IndexInfo& info);

}  // namespace trovana::urlcache
