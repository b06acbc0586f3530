// SPDX-License-Identifier: GPL-3.0-or-later
// The Images tab's gallery: the pages that show the listed pictures that the
// cache still holds with their files. Made in two steps, so that the
// lookups can run off the window's thread: the pictures of the rows (each
// row's entry looked up once, remembered for a new order of the same rows),
// then the pages.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "urlcache.h"

namespace trovana::entry_commands {

// The address under which the preview asks for a cached URL.
using AddressOf = std::function<std::string(std::string_view url)>;
// What is known of rows' pictures, by URL: the address the gallery shows
// the picture under, or empty when the cache holds no file for it.
using PictureMemo = std::unordered_map<std::string, std::string>;

// The pictures the gallery shows of these rows, in their order: the address
// of each row whose entry the cache holds with its file, as many as the
// page has room for. Rows the memo does not know are looked up in `cache`
// and added to it; without a cache, none when such a row is needed. None
// when stopped.
std::optional<std::vector<std::string>> GalleryPictures(const std::vector<std::string>& urls, PictureMemo& memo,
                                                        urlcache::UrlCache* cache, const AddressOf& addressOf,
                                                        const std::stop_token& stop = {});

// Looks up every row the memo does not know yet, in batches of `batch`
// rows, handing each batch's findings to `found`; stops when asked.
void LearnPictures(const std::vector<std::string>& urls, const PictureMemo& known, urlcache::UrlCache& cache,
                   const AddressOf& addressOf, size_t batch, const std::function<void(PictureMemo&&)>& found,
                   const std::stop_token& stop);

struct Gallery {
    std::string page;   // the file URL of the gallery's frameset
    std::string error;  // why the pages could not be written, when there is a reason to tell
    bool ok = false;
};
// Writes the gallery's pages of these pictures into the working folder.
// Safe on any thread: one gallery is written at a time.
Gallery WriteGallery(const std::vector<std::string>& pictures);

}  // namespace trovana::entry_commands
