// SPDX-License-Identifier: GPL-3.0-or-later
/* The kinds of file the benchmark caches hold, by extension and content
 * type; shared by make_large_cache (C++) and wine_fill_cache (C, built with
 * mingw-w64). */
#ifndef TROVANA_BENCH_CACHE_KINDS_H
#define TROVANA_BENCH_CACHE_KINDS_H

static const char* const kCacheKinds[][2] = {
    {"htm", "text/html"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"png", "image/png"},
    {"js", "application/javascript"},
    {"css", "text/css"},
    {"xml", "text/xml"},
    {"bin", "video/mp4"},
};
#define CACHE_KIND_COUNT (sizeof kCacheKinds / sizeof kCacheKinds[0])

#endif
