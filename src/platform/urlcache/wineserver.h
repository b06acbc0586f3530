// SPDX-License-Identifier: GPL-3.0-or-later
// Whether Wine is using a prefix right now: its cache must then not be
// written from outside, since Wine's own lock on a container lives in the
// wineserver, out of our reach.
#pragma once

#include <filesystem>

namespace trovana::urlcache {

// True while a wineserver serves `prefix`. Cheap enough to ask before every
// write; the answer is never remembered.
bool IsWineServerRunning(const std::filesystem::path& prefix);

}  // namespace trovana::urlcache
