// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo_plan.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "demo_pictures.h"
#include "demo_sites.h"
#include "demo_time.h"

namespace trovana::cli {

namespace {

constexpr uint64_t kSeed = 0x7A0BA2024;
constexpr int64_t kDay = 86400;

// Times as Unix seconds; 0 means not set. DOS date-times (expiry and sync)
// keep only even seconds, so those are made even to read back unchanged.
struct EntryTimes {
    int64_t access = 0;
    int64_t modified = 0;
    int64_t expire = 0;
    int64_t sync = 0;
};

int64_t Even(int64_t seconds)
{
    return seconds - seconds % 2;
}

struct Picture {
    PictureStyle style;
    int width;
    int height;
};

// The picture an image URL shows, from the words in its path.
Picture PictureFor(std::string_view path, DemoKind kind)
{
    auto has = [&](std::string_view word) { return path.find(word) != std::string_view::npos; };
    if (has("/tiles/")) {
        return {PictureStyle::Tile, 64, 64};
    }
    if (has("pixel")) {
        return {PictureStyle::Icon, 1, 1};
    }
    if (has("banner-468x60")) {
        return {PictureStyle::Pattern, 468, 60};
    }
    if (has("banner-300x250")) {
        return {PictureStyle::Photo, 300, 250};
    }
    if (has("thumb")) {
        return {PictureStyle::Photo, 48, 36};
    }
    if (has("icon") || has("spinner")) {
        return {PictureStyle::Icon, 16, 16};
    }
    if (has("logo")) {
        return {PictureStyle::Pattern, 120, 40};
    }
    if (has("screenshot") || has("diagram")) {
        return {PictureStyle::Pattern, 200, 120};
    }
    switch (kind) {
    case DemoKind::Jpeg: return {PictureStyle::Photo, 160, 120};
    case DemoKind::Gif: return {PictureStyle::Icon, 32, 32};
    default: return {PictureStyle::Pattern, 96, 64};
    }
}

class PlanBuilder {
public:
    explicit PlanBuilder(std::string_view user) : m_user(user), m_random(kSeed) {}

    void AddSite(const Site& site);
    void AddCookies(const CookieJar& jar);
    void AddVisits(const std::vector<std::string>& extra);
    std::vector<DemoEntry> Take() { return std::move(m_entries); }

private:
    EntryTimes RandomTimes(std::string_view path);
    uint32_t RandomHits();
    std::string Body(DemoKind kind, const Site& site, const Resource& resource, const PageLinks& all);
    std::string Header(const Site& site, const Resource& resource, DemoKind kind, size_t size, const EntryTimes& times);
    void Add(DemoKind kind, urlcache::NewCacheEntry entry, const EntryTimes& times);

    std::string m_user;
    DemoRandom m_random;
    std::vector<DemoEntry> m_entries;
    std::vector<std::string> m_pages;
};

EntryTimes PlanBuilder::RandomTimes(std::string_view path)
{
    EntryTimes times;
    times.access = kDemoNow - m_random.Between(0, 45 * kDay);
    times.sync = Even(times.access - m_random.Between(0, 3600));
    // Pages made on request carry no Last-Modified.
    if (path.find('?') == std::string_view::npos && m_random.Percent(80)) {
        times.modified = times.access - m_random.Between(kDay, 400 * kDay);
    }
    if (m_random.Percent(60)) {
        static const std::vector<int64_t> maxAges = {3600, kDay, 7 * kDay, 30 * kDay, 365 * kDay};
        times.expire = Even(times.access + m_random.Pick(maxAges));
    }
    return times;
}

uint32_t PlanBuilder::RandomHits()
{
    // Most entries are fetched a few times, some very often.
    return static_cast<uint32_t>(m_random.Percent(15) ? m_random.Between(10, 90) : m_random.Between(1, 6));
}

std::string PlanBuilder::Body(DemoKind kind, const Site& site, const Resource& resource, const PageLinks& all)
{
    const std::string& path = resource.path;
    switch (kind) {
    case DemoKind::Html: {
        PageLinks links{all.styleSheets, all.scripts, {}, {}};
        for (int i = std::min<int>(3, static_cast<int>(all.images.size())); i > 0; --i) {
            links.images.push_back(m_random.Pick(all.images));
        }
        const std::string self = site.scheme + "://" + site.host + path;
        for (const std::string& page : all.pages) {
            if (links.pages.size() < 6 && page != self) {
                links.pages.push_back(page);
            }
        }
        return HtmlPage(site.name, TitleFromPath(path), links, m_random);
    }
    case DemoKind::StyleSheet: return StyleSheet(m_random);
    case DemoKind::Script: return Script(path.substr(path.rfind('/') + 1), m_random);
    case DemoKind::Xml: return XmlDocument(path, all.pages, kDemoNow);
    case DemoKind::Json: return JsonDocument(path, m_random);
    case DemoKind::Text: return TextDocument(path, m_random);
    case DemoKind::Pdf:
        return PdfDocument(site.name + " - " + TitleFromPath(path),
                           {"1. Installing the program", "2. First steps", "3. Settings", "4. Questions and answers"});
    case DemoKind::Png:
    case DemoKind::Gif:
    case DemoKind::Jpeg: {
        const Picture picture = PictureFor(path, kind);
        const Raster image = DrawPicture(picture.style, picture.width, picture.height, m_random);
        return kind == DemoKind::Png   ? EncodePng(image)
               : kind == DemoKind::Gif ? EncodeGif(image)
                                       : EncodeJpeg(image, 80);
    }
    default: return {};
    }
}

std::string PlanBuilder::Header(const Site& site, const Resource& resource, DemoKind kind, size_t size,
                                const EntryTimes& times)
{
    HeaderFields fields = {{"Date", HttpDate(times.sync)}, {"Server", site.server}};
    if (!resource.status.empty()) {
        if (!resource.location.empty()) {
            fields.emplace_back("Location", resource.location);
        }
        fields.emplace_back("Content-Length", "0");
        return ResponseHeader(resource.status, fields);
    }
    if (resource.header == HeaderStyle::None) {
        return {};
    }
    if (resource.header == HeaderStyle::Full) {
        fields.emplace_back("Content-Type", std::string(ContentType(kind)));
    }
    fields.emplace_back("Content-Length", std::to_string(size));
    if (resource.header == HeaderStyle::NoContentType) {
        fields.emplace_back("Accept-Ranges", "bytes");
        return ResponseHeader("200 OK", fields);
    }
    if (times.modified != 0) {
        fields.emplace_back("Last-Modified", HttpDate(times.modified));
        char etag[24];
        std::snprintf(etag, sizeof etag, "\"%llx-%zx\"", static_cast<unsigned long long>(times.modified), size);
        fields.emplace_back("ETag", etag);
    }
    if (times.expire != 0) {
        fields.emplace_back("Cache-Control", "max-age=" + std::to_string(times.expire - times.sync));
    } else if (kind == DemoKind::Html) {
        fields.emplace_back("Cache-Control", "no-cache");
    }
    if (resource.path.find(".php") != std::string::npos) {
        fields.emplace_back("X-Powered-By", "PHP/8.2.7");
    }
    if (kind == DemoKind::Pdf) {
        // Servers send the file name in Latin-1 more often than not.
        fields.emplace_back("Content-Disposition", "inline; filename=\"Benutzerhandbuch f\xFCr Anf\xE4nger.pdf\"");
    }
    return ResponseHeader("200 OK", fields);
}

void PlanBuilder::Add(DemoKind kind, urlcache::NewCacheEntry entry, const EntryTimes& times)
{
    entry.lastAccessTime = FileTimeFromUnix(times.access);
    entry.lastSyncTime = FileTimeFromUnix(times.sync);
    entry.lastModifiedTime = times.modified != 0 ? FileTimeFromUnix(times.modified) : 0;
    entry.expireTime = times.expire != 0 ? FileTimeFromUnix(times.expire) : 0;
    entry.hitRate = RandomHits();
    m_entries.push_back({kind, std::move(entry)});
}

void PlanBuilder::AddSite(const Site& site)
{
    const std::string origin = site.scheme + "://" + site.host;
    PageLinks all;
    for (const Resource& resource : site.resources) {
        const std::string url = origin + resource.path;
        if (!resource.status.empty()) {
            continue;
        }
        switch (KindFromPath(resource.path)) {
        case DemoKind::Html: all.pages.push_back(url); break;
        case DemoKind::StyleSheet: all.styleSheets.push_back(url); break;
        case DemoKind::Script: all.scripts.push_back(url); break;
        case DemoKind::Png:
        case DemoKind::Gif:
        case DemoKind::Jpeg:
            if (resource.path.find("pixel") == std::string::npos) {
                all.images.push_back(url);
            }
            break;
        default: break;
        }
    }
    m_pages.insert(m_pages.end(), all.pages.begin(), all.pages.end());

    for (const Resource& resource : site.resources) {
        const DemoKind kind = resource.status.empty() ? KindFromPath(resource.path) : DemoKind::NoFile;
        const EntryTimes times = RandomTimes(resource.path);
        urlcache::NewCacheEntry entry;
        entry.url = origin + resource.path;
        if (kind != DemoKind::NoFile) {
            entry.body = Body(kind, site, resource, all);
            entry.fileExtension = FileExtension(kind);
        }
        entry.headerInfo = Header(site, resource, kind, entry.body ? entry.body->size() : 0, times);
        if (resource.sticky) {
            entry.cacheEntryType |= urlcache::STICKY_CACHE_ENTRY;
            entry.exemptDelta = 30 * kDay;
        }
        Add(kind, std::move(entry), times);
    }
}

void PlanBuilder::AddCookies(const CookieJar& jar)
{
    EntryTimes times = RandomTimes(jar.hostAndPath);
    times.modified = times.access - m_random.Between(0, 20 * kDay);
    std::vector<DemoCookie> cookies;
    for (const auto& [name, value] : jar.cookies) {
        const int64_t expiry = Even(times.access + m_random.Between(30, 730) * kDay);
        times.expire = std::max(times.expire, expiry);
        cookies.push_back({name, value, jar.hostAndPath, m_random.Percent(50) ? 0u : 8192u, FileTimeFromUnix(expiry),
                           FileTimeFromUnix(times.modified)});
    }
    urlcache::NewCacheEntry entry;
    entry.url = "Cookie:" + m_user + "@" + jar.hostAndPath;
    entry.body = CookieFile(cookies);
    entry.fileExtension = FileExtension(DemoKind::Cookie);
    entry.cacheEntryType = urlcache::COOKIE_CACHE_ENTRY;
    Add(DemoKind::Cookie, std::move(entry), times);
}

void PlanBuilder::AddVisits(const std::vector<std::string>& extra)
{
    std::vector<std::string> urls;
    for (const std::string& page : m_pages) {
        if (m_random.Percent(80)) {
            urls.push_back(page);
        }
    }
    urls.insert(urls.end(), extra.begin(), extra.end());
    for (const std::string& url : urls) {
        EntryTimes times = RandomTimes(url);
        times.expire = 0;
        urlcache::NewCacheEntry entry;
        entry.url = "Visited: " + m_user + "@" + url;
        entry.cacheEntryType = urlcache::URLHISTORY_CACHE_ENTRY | urlcache::NORMAL_CACHE_ENTRY;
        Add(DemoKind::Visited, std::move(entry), times);
    }
}

}  // namespace

std::string DemoUser()
{
    if (const passwd* account = ::getpwuid(::getuid()); account != nullptr && account->pw_name[0] != '\0') {
        return account->pw_name;
    }
    const char* name = std::getenv("USER");
    return name != nullptr && name[0] != '\0' ? name : "trovana";
}

std::vector<DemoEntry> DemoEntries(std::string_view user)
{
    PlanBuilder builder(user);
    for (const Site& site : DemoSites()) {
        builder.AddSite(site);
    }
    for (const CookieJar& jar : DemoCookieJars()) {
        builder.AddCookies(jar);
    }
    builder.AddVisits(DemoExtraVisits(user));
    return builder.Take();
}

}  // namespace trovana::cli
