// SPDX-License-Identifier: GPL-3.0-or-later
#include "cache_types.h"

#include <cstring>

namespace trovana::urlcache {

std::string ErrorText(uint32_t code)
{
    switch (code) {
    case ERROR_SUCCESS: return "success";
    case ERROR_FILE_NOT_FOUND: return "not in the cache";
    case ERROR_ACCESS_DENIED: return "locked or in use";
    case ERROR_NOT_ENOUGH_MEMORY: return "the cache index is full";
    case ERROR_INVALID_DATA: return "invalid data";
    case ERROR_SHARING_VIOLATION: return "locked or in use";
    case ERROR_INVALID_PARAMETER: return "invalid parameter";
    case ERROR_INSUFFICIENT_BUFFER: return "buffer too small";
    case ERROR_ALREADY_EXISTS: return "another URL holds the same hash slot";
    case ERROR_NO_MORE_ITEMS: return "no more entries";
    default: return "error " + std::to_string(code);
    }
}

std::string KeptFileText(const CacheResult& result)
{
    switch (result.kept) {
    case KeptFile::NotKept: return {};
    case KeptFile::TimesDiffer:
        return "its modification time differs from the entry's (the file was changed after it was cached, "
               "or the cache was copied without its times)";
    case KeptFile::NotWritable: return "its folder cannot be written";
    case KeptFile::OutsideCache: return "it lies outside the container's folder";
    case KeptFile::Failed: return std::string("it could not be removed: ") + std::strerror(result.keptError);
    }
    return {};
}

}  // namespace trovana::urlcache
