// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/gallery_command.h"

#include <mutex>
#include <stdexcept>

#include "operations/gallery_pages.h"
#include "work_folder.h"

namespace trovana::entry_commands {

namespace {
// The address of a cached URL's picture, or empty when the cache no longer
// has the entry or it has no file.
std::string LookUpPicture(urlcache::UrlCache& cache, const std::string& url, const AddressOf& addressOf)
{
    try {
        const auto info = cache.GetEntryInfo(url);
        if (info != nullptr && !info->localFileName.empty())
            return addressOf(url);
    } catch (const std::runtime_error&) {
    } catch (const std::logic_error&) {
    }
    return {};
}

std::mutex g_writing;
}  // namespace

std::optional<std::vector<std::string>> GalleryPictures(const std::vector<std::string>& urls, PictureMemo& memo,
                                                        urlcache::UrlCache* cache, const AddressOf& addressOf,
                                                        const std::stop_token& stop)
{
    std::optional<urlcache::UrlCache::LookupBatch> batch;
    if (cache != nullptr)
        batch.emplace(*cache);
    std::vector<std::string> pictures;
    for (const std::string& url : urls) {
        if (pictures.size() >= static_cast<size_t>(operations::kGalleryMostPictures))
            break;
        auto known = memo.find(url);
        if (known == memo.end()) {
            if (cache == nullptr || stop.stop_requested())
                return std::nullopt;
            known = memo.emplace(url, LookUpPicture(*cache, url, addressOf)).first;
        }
        if (!known->second.empty())
            pictures.push_back(known->second);
    }
    return pictures;
}

void LearnPictures(const std::vector<std::string>& urls, const PictureMemo& known, urlcache::UrlCache& cache,
                   const AddressOf& addressOf, size_t batch, const std::function<void(PictureMemo&&)>& found,
                   const std::stop_token& stop)
{
    PictureMemo learnt;
    for (size_t first = 0; first < urls.size() && !stop.stop_requested(); first += batch) {
        const urlcache::UrlCache::LookupBatch lookups(cache);
        for (size_t i = first; i < urls.size() && i < first + batch; ++i) {
            if (!known.contains(urls[i]))
                learnt.emplace(urls[i], LookUpPicture(cache, urls[i], addressOf));
        }
        if (!learnt.empty())
            found(std::exchange(learnt, {}));
    }
}

Gallery WriteGallery(const std::vector<std::string>& pictures)
{
    const std::lock_guard lock(g_writing);
    Gallery gallery;
    std::filesystem::path folder;
    try {
        folder = WorkingFolder();
    } catch (const WorkFolderError& error) {
        gallery.error = error.what();
        return gallery;
    }
    if (!operations::WriteGalleryPages(folder, pictures, nullptr))
        return gallery;
    gallery.page = operations::FileUrl((folder / operations::GALLERY_FRAME).string());
    gallery.ok = true;
    return gallery;
}

}  // namespace trovana::entry_commands
