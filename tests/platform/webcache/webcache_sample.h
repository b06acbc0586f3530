// SPDX-License-Identifier: GPL-3.0-or-later
// The WebCache sample (tests/platform/webcache/samples, test input only):
// unpacked at test time into a copied Windows 10 profile's layout.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace trovana::test {

inline constexpr char kWebCacheFolder[] = "AppData/Local/Microsoft/Windows/WebCache";
// The sample's user, as its containers' folders name it.
inline constexpr char kWebCacheUser[] = "Administrator";

// Unpacks the sample to `file` (its folders made); false when gzip failed.
inline bool UnpackWebCacheSample(const std::filesystem::path& file)
{
    std::filesystem::create_directories(file.parent_path());
    const std::string command = std::string("gzip -dc '") + TROVANA_WEBCACHE_SAMPLE + "' > '" + file.string() + "'";
    return std::system(command.c_str()) == 0 && std::filesystem::file_size(file) > 0;
}

// A profile folder holding the sample as Windows keeps it; returns the
// database's path.
inline std::filesystem::path MakeWebCacheProfile(const std::filesystem::path& profile)
{
    const std::filesystem::path database = profile / kWebCacheFolder / "WebCacheV01.dat";
    return UnpackWebCacheSample(database) ? database : std::filesystem::path();
}

}  // namespace trovana::test
