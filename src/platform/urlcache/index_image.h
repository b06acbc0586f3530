// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing and validation of an index.dat image: the header checks that
// refuse a file, the soft problems that make it read-only, the directory
// table, the hash table chain, and Wine's own start-up check.
#pragma once

#include "byte_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trovana::urlcache {

enum class IndexFlavor { Windows, Wine };

inline constexpr char kWindowsSignature[] = "Client UrlCache MMF Ver 5.2";
inline constexpr char kWineSignature[] = "WINE URLCache Ver 0.2012001";

struct CacheDirectory {
    std::string name;    // the 8 bytes as stored
    bool valid = false;  // 8 ASCII letters or digits
};

// What the header and the hash table chain of an image say.
struct IndexInfo {
    IndexFlavor flavor = IndexFlavor::Wine;
    uint32_t capacity = 0;
    // Every record must end here: the real end of the file or the end of the
    // capacity, whichever comes first.
    uint64_t end = 0;
    std::vector<CacheDirectory> directories;
    std::vector<uint32_t> tables;       // usable hash tables, in chain order
    std::vector<std::string> problems;  // soft problems; any makes it read-only

    bool Writable() const { return problems.empty(); }
};

// Throws UrlCacheError naming `fileName` when the image cannot be a cache
// index at all. `realSize` is the size of the file on disk, which may exceed
// the image when the file is larger than any index can be.
IndexInfo ParseIndex(const ByteImage& image, const std::string& fileName, uint64_t realSize);

// Wine's start-up check: the reason Wine would wipe the container, or none.
std::optional<std::string> WineStartupProblem(const ImageBytes& bytes);
// The start-up check plus the rules every file we write keeps (capacity a
// multiple of 8, hash tables numbered 0, 1, 2, ... along the chain).
std::optional<std::string> WriteResultProblem(const ByteImage& image);

// Slot keys that name an entry: not free, deleted or uninitialised.
bool KeyNamesEntry(uint32_t key);
uint64_t SlotPosition(uint32_t table, uint32_t slot);
bool BlockInUse(const ByteImage& image, uint64_t block);

}  // namespace trovana::urlcache
