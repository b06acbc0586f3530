// SPDX-License-Identifier: GPL-3.0-or-later
// A ByteSource handed to libyal's volume readers (libfsntfs, libvshadow)
// as the libbfio handle they read through, so that a volume inside a
// partition, a shadow copy or an E01 is read without a file of its own.
#pragma once

#include "byte_source.h"

#include <libbfio.h>

#include <memory>

namespace trovana::image {

struct BfioHandleFree {
    void operator()(libbfio_handle_t* handle) const;
};
using BfioHandle = std::unique_ptr<libbfio_handle_t, BfioHandleFree>;

// A handle that reads `source` (and keeps it alive); null when libbfio
// cannot make one.
BfioHandle MakeBfioHandle(std::shared_ptr<ByteSource> source);

}  // namespace trovana::image
