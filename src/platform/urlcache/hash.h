// SPDX-License-Identifier: GPL-3.0-or-later
// The hash WinINet uses to place a URL in the hash tables of index.dat.
#pragma once

#include <cstdint>
#include <string_view>

namespace trovana::urlcache {

// The 32-bit hash of the URL bytes (unsigned, no terminating NUL). The low
// 6 bits choose the bucket; the high 26 bits are stored in the slot key.
// Only meaningful for a URL of at least one byte.
uint32_t UrlHash(std::string_view url);

inline uint32_t HashBucket(uint32_t hash)
{
    return hash & 0x3F;
}
inline uint32_t HashKeyBits(uint32_t hash)
{
    return hash >> 6;
}

}  // namespace trovana::urlcache
