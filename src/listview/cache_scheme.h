// SPDX-License-Identifier: GPL-3.0-or-later
// The program's answers to the preview pane's cache addresses: WebKit asks
// for "trovana-http://host/path" and gets the cached file of
// "http://host/path" with the Content-Type of its cached headers, from the
// open cache alone. Nothing is fetched from the network or read from any
// other file: an address the cache cannot answer fails, and what it stood
// for stays blank.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "operations/cached_file.h"
#include "urlcache.h"

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace trovana::listview {

// A page or style sheet is read whole, to map its references, up to this
// size, so that a huge entry cannot exhaust memory; other files are
// streamed as they are.
inline constexpr std::size_t kMappedTextLimit = 64 * 1024 * 1024;

// The cache that a pane's addresses are answered from: a reader of its own
// over the same containers, so that it lives exactly as long as the pane.
class CacheSource {
public:
    explicit CacheSource(urlcache::CacheLocation location);

    const urlcache::CacheLocation& Location() const { return m_location; }

    // The file to stream, open, and its size; or, for a page or style
    // sheet, its bytes with their references mapped.
    struct Answer {
        fileio::FileDescriptor file;
        uint64_t size = 0;
        std::string bytes;
        std::string contentType;
        // Why there is no answer; empty when there is one.
        std::string failure;
    };
    // The cached file the address stands for.
    Answer Find(std::string_view address);
    // True when the address stands for an entry with a file.
    bool Holds(std::string_view address);

private:
    std::unique_ptr<urlcache::CacheEntryInfo> Entry(std::string_view address);

    urlcache::CacheLocation m_location;
    urlcache::UrlCache m_cache;
};

// The value of the Content-Type line of cached response headers; empty when
// there is none.
std::string HeaderContentType(std::string_view headers);

// Makes WebKit ask the program for the cache addresses of every view of the
// context. Once per context; later calls do nothing.
void RegisterCacheSchemes(WebKitWebContext* context);

// The source that the view's requests are answered from (not owned); null
// makes every request fail.
void SetViewSource(WebKitWebView* view, CacheSource* source);
CacheSource* ViewSource(WebKitWebView* view);

}  // namespace trovana::listview
