// SPDX-License-Identifier: GPL-3.0-or-later
// How the preview shows an entry's cached file: as a page, or as text.
#pragma once

#include "urlcache.h"

namespace trovana::operations {

// True for files shown as text: scripts and style sheets, applications
// whose content type names a script, and anything in the file's place that
// is not a regular file (a FIFO or a device is named, never opened).
bool PreviewAsText(const urlcache::CacheEntryInfo& info);

}  // namespace trovana::operations
