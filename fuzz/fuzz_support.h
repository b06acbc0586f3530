// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: one scratch container folder per process,
// a full read of a cache, and the check that stops the run when it fails.
#pragma once

#include "urlcache.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace trovana::urlcache::fuzz {

// Aborts (a crash for libFuzzer) with the message when the condition fails.
void Require(bool condition, const std::string& message);

// A folder in TROVANA_FUZZ_SCRATCH, else /dev/shm, else the temporary
// folder, holding one content container; emptied and given a new index.dat
// for every input.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empties the folder and writes the bytes as its index.dat.
    CacheLocation Load(const uint8_t* data, size_t size);
    CacheLocation Location() const;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Enumerates the cache, reads every field of every entry and looks each
// listed URL (but an empty one) up again. Aborts when the enumeration ends
// in an error or a listed URL cannot be found. Returns the listed URLs in
// order.
std::vector<std::string> ReadEverything(UrlCache& cache);

}  // namespace trovana::urlcache::fuzz
