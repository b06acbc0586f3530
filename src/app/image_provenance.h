// SPDX-License-Identifier: GPL-3.0-or-later
// Where an entry of a cache opened from a disk image comes from, as the
// Properties dialog shows it: the image and its stored hashes, the volume
// and snapshot, the path of the container inside the image and its MFT entry.
#pragma once

#include <utility>
#include <vector>

#include <wx/string.h>

#include "app/open_image_dlg.h"
#include "cache_types.h"

namespace trovana::app {

// Name and value of each row, the names in the user's language.
std::vector<std::pair<wxString, wxString>> ImageProvenance(const ImageChoice& choice,
                                                           const urlcache::CacheEntryInfo& entry);

}  // namespace trovana::app
