// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_entry.h"

namespace trovana::test {

urlcache::NewCacheEntry Entry(const std::string& url, size_t size, const std::string& contentType)
{
    urlcache::NewCacheEntry entry;
    entry.url = url;
    if (size > 0)
        entry.body = std::string(size, 'x');
    if (!contentType.empty())
        entry.headerInfo = "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\n\r\n";
    return entry;
}

}  // namespace trovana::test
