// SPDX-License-Identifier: GPL-3.0-or-later
// The frame of a Wine prefix as `wineboot` leaves it, for the demo cache.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace trovana::cli {

// Writes system.reg and user.reg as Wine 8 writes them (the keys that name
// the user's profile and shell folders), the dosdevices/c: link to drive_c,
// and the user's profile folders. The cache containers are not made here.
// unixTime stamps the registry keys.
void WriteDemoPrefix(const std::filesystem::path& prefix, std::string_view user, int64_t unixTime);

}  // namespace trovana::cli
