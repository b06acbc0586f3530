// SPDX-License-Identifier: GPL-3.0-or-later
// A cache inside a disk image: the image is searched (with a progress window
// and Cancel), what cannot be read is said once, and the user picks one of
// the caches found, which opens read-only from its copy in the program's
// private temporary folder. The image is never written.
#pragma once

#include <filesystem>
#include <optional>

#include "app/named_cache.h"

namespace trovana::app {

// None after saying why (no cache found, the image unreadable), or when the
// user cancels the search or the pick.
std::optional<NamedCache> FindImageCache(listview::Prompts& prompts, wxWindow* parent,
                                         const std::filesystem::path& image);

}  // namespace trovana::app
