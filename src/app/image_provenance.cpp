// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/image_provenance.h"

#include <wx/translation.h>

#include "ascii.h"
#include "locate.h"
#include "urlcache.h"

namespace trovana::app {

namespace {
namespace fs = std::filesystem;

wxString FromUtf8(const std::string& text)
{
    return wxString::FromUTF8(text);
}

struct Source {
    const ImageCacheRow* row;
    const image::CacheFile* file;
};

bool IsWebCache(const image::CacheFile& file)
{
    return ToLowerAscii(file.path).find("/webcache/") != std::string::npos;
}

// Whether the container copied from `file` holds an entry under the URL.
bool HoldsUrl(const ImageCacheRow& row, const image::CacheFile& file, const std::string& url)
{
    const fs::path copy =
        row.cache.deleted ? row.cache.copy : row.cache.copy / file.path.substr(row.cache.profile.size() + 1);
    try {
        urlcache::CacheLocation location = urlcache::LocateSingleContainer(copy);
        location.readOnly = true;
        return urlcache::UrlCache(std::move(location)).GetEntryInfo(url) != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

// The containers that hold the entry, each asked for its URL; a WebCache
// database's entry comes from the databases.
std::vector<Source> SourcesOf(const ImageChoice& choice, const urlcache::CacheEntryInfo& entry)
{
    std::vector<Source> sources;
    for (const ImageCacheRow& row : choice.caches) {
        for (const image::CacheFile& file : row.cache.files) {
            const bool webCache = IsWebCache(file) || (row.cache.deleted && row.cache.kind == "WebCache");
            if (webCache ? !entry.container.empty() : entry.container.empty() && HoldsUrl(row, file, entry.sourceUrlName))
                sources.push_back({&row, &file});
        }
    }
    return sources;
}

wxString Joined(const std::vector<Source>& sources, const std::function<wxString(const Source&)>& text)
{
    wxString joined;
    for (const Source& source : sources)
        joined += (joined.empty() ? "" : "; ") + text(source);
    return joined;
}
}  // namespace

std::vector<std::pair<wxString, wxString>> ImageProvenance(const ImageChoice& choice,
                                                           const urlcache::CacheEntryInfo& entry)
{
    std::vector<std::pair<wxString, wxString>> rows;
    rows.emplace_back(_("Image"), FromUtf8(choice.image.string()) + " (" + FromUtf8(choice.format) + ")");
    const std::vector<Source> sources = SourcesOf(choice, entry);
    if (!sources.empty()) {
        rows.emplace_back(_("Volume"), Joined(sources, [](const Source& source) {
                              return FromUtf8(source.row->volume) + ", " + FromUtf8(source.row->snapshot);
                          }));
        rows.emplace_back(_("Path in Image"),
                          Joined(sources, [](const Source& source) { return FromUtf8(source.file->path); }));
        rows.emplace_back(_("MFT Entry"), Joined(sources, [](const Source& source) {
                              return wxString::Format("%llu", static_cast<unsigned long long>(source.file->mftEntry));
                          }));
        if (sources.front().row->cache.deleted)
            rows.emplace_back(_("Deleted"), DeletedText(sources.front().row->cache));
    }
    for (const image::StoredHash& hash : choice.storedHashes)
        rows.emplace_back(wxString::Format(_("Image %s (stored)"), FromUtf8(hash.algorithm)), FromUtf8(hash.hex));
    return rows;
}

}  // namespace trovana::app
