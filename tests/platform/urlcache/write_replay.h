// SPDX-License-Identifier: GPL-3.0-or-later
// A change to one container recorded write by write, and the file as a
// process killed after any number of those writes would leave it. Used by
// the library's own interruption tests and by the Wine interoperability test.
#pragma once

#include "container_writer.h"
#include "urlcache.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace trovana::urlcache::test {

struct IndexWrite {
    uint64_t offset = 0;
    std::string bytes;
    bool watchedExisted = false;  // the watched file was there when this write was made
};

struct RecordedChange {
    CacheResult result;           // of the change itself
    CacheResult finish;           // of writing what was still pending
    std::vector<uint8_t> before;  // index.dat before the first write
    std::vector<IndexWrite> writes;

    // index.dat after the first k writes, for k = 0 (nothing written) up to
    // every write; throws std::out_of_range when a write lies outside the file.
    std::vector<uint8_t> After(size_t k) const;
    // After(k) for every k.
    std::vector<std::vector<uint8_t>> EveryInterruption() const;
};

using Change = std::function<CacheResult(ContainerWriter&)>;

// Applies the change to the container in `where` (it really happens, in
// place) and records each write the library makes to its index, and whether
// the file `watched` (when given) still existed at that moment.
RecordedChange RecordChange(const ContainerLocation& where, const Change& change,
                            const std::filesystem::path& watched = {});

}  // namespace trovana::urlcache::test
