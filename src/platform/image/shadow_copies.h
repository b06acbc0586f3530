// SPDX-License-Identifier: GPL-3.0-or-later
// The Volume Shadow Copies of an NTFS volume (libvshadow): each store a
// snapshot of the whole volume as it was at its creation time.
#pragma once

#include "byte_source.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace trovana::image {

struct ShadowCopy {
    int index = 0;                      // 1-based, oldest first, as vshadowinfo numbers them
    uint64_t creationTime = 0;          // FILETIME, UTC
    std::shared_ptr<ByteSource> bytes;  // the volume as the snapshot holds it
};

struct ShadowCopies {
    std::vector<ShadowCopy> stores;
    std::string problem;  // empty, or why the stores cannot be read
};

// A volume without shadow copies gives no store and no problem.
ShadowCopies ReadShadowCopies(std::shared_ptr<ByteSource> volume);

}  // namespace trovana::image
