// SPDX-License-Identifier: GPL-3.0-or-later
// How many entries a container file lists, counted without describing them:
// cheap enough to ask of every container on the machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace trovana::urlcache {

// The entries an enumeration of the file would list; none when the file is
// missing or no readable index. Takes no lock and writes nothing.
std::optional<uint64_t> CountEntries(const std::filesystem::path& indexFile);

}  // namespace trovana::urlcache
