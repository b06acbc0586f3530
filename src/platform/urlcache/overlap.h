// SPDX-License-Identifier: GPL-3.0-or-later
// Records that share blocks. Freeing one of them would free part of the
// other, so a container where any do is opened read-only.
#pragma once

#include "byte_image.h"
#include "index_image.h"

#include <cstdint>
#include <optional>

namespace trovana::urlcache {

// The offset of the first record (in block order) that starts inside an
// earlier one, counting the hash tables and every `URL `, `LEAK` or `REDR`
// record a slot names. None when the records are disjoint.
std::optional<uint64_t> FirstOverlap(const ByteImage& image, const IndexInfo& info);

}  // namespace trovana::urlcache
