// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery.h"

#include "entry_count.h"
#include "locate.h"
#include "path_case.h"
#include "prefix_sources.h"
#include "webcache.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <system_error>

extern char** environ;

namespace trovana::discovery {

namespace fs = std::filesystem;

namespace {

// Bytes a file takes on disk (its allocated blocks), links not followed.
uint64_t BytesOnDisk(const fs::path& file)
{
    struct stat status {};
    if (::lstat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return static_cast<uint64_t>(status.st_blocks) * 512;
}

// The files of a container: those in its folder and in its cache folders one
// level down, except folders that are containers of their own (daily history).
uint64_t ContainerBytes(const urlcache::ContainerLocation& container, const std::set<fs::path>& containerFolders)
{
    uint64_t bytes = 0;
    std::error_code ec;
    for (fs::directory_iterator it(container.folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_symlink(typeEc))
            continue;
        if (!it->is_directory(typeEc)) {
            bytes += BytesOnDisk(it->path());
            continue;
        }
        if (containerFolders.contains(it->path()))
            continue;
        std::error_code innerEc;
        for (fs::directory_iterator file(it->path(), innerEc), fileEnd; !innerEc && file != fileEnd;
             file.increment(innerEc))
            bytes += BytesOnDisk(file->path());
    }
    return bytes;
}

// One row for a profile folder with containers; none without.
std::optional<FoundCache> ExamineProfile(const Candidate& candidate, const fs::path& profile, const fs::path& prefix)
{
    const std::vector<urlcache::ContainerLocation> containers = urlcache::FindProfileContainers(profile);
    const std::vector<fs::path> webCaches = urlcache::FindProfileWebCaches(profile);
    if (containers.empty() && webCaches.empty())
        return std::nullopt;
    FoundCache found{candidate.kind, candidate.name, profile.filename().string(),
                     profile,        prefix,         containers.size() + webCaches.size()};
    for (const auto& database : webCaches) {
        found.entries += webcache::CountWebCacheEntries(database).value_or(0);
        found.bytes += BytesOnDisk(database);
    }
    std::set<fs::path> folders;
    for (const auto& container : containers)
        folders.insert(container.folder);
    for (const auto& container : containers) {
        found.entries += urlcache::CountEntries(container.IndexPath()).value_or(0);
        found.bytes += ContainerBytes(container, folders);
    }
    return found;
}

// A prefix's rows: one for each user profile in drive_c/users with containers.
void ExaminePrefix(const Candidate& candidate, std::vector<FoundCache>& rows)
{
    const fs::path driveC = candidate.folder / "drive_c";
    std::error_code ec;
    if (!fs::is_directory(driveC, ec))
        return;
    for (const urlcache::UserProfile& profile : urlcache::ListUserProfiles(driveC)) {
        if (profile.containers == 0)
            continue;
        if (auto row = ExamineProfile(candidate, profile.folder, candidate.folder))
            rows.push_back(std::move(*row));
    }
}

}  // namespace

std::string_view KindName(CacheKind kind)
{
    switch (kind) {
    case CacheKind::Wine: return "wine";
    case CacheKind::Proton: return "proton";
    case CacheKind::Bottles: return "bottles";
    case CacheKind::Lutris: return "lutris";
    case CacheKind::PlayOnLinux: return "playonlinux";
    case CacheKind::Profile: return "profile";
    }
    return "wine";
}

Environment Environment::Current()
{
    Environment environment;
    for (char** variable = environ; variable != nullptr && *variable != nullptr; ++variable) {
        const std::string_view text(*variable);
        const auto equals = text.find('=');
        if (equals != std::string_view::npos)
            environment.variables.emplace(std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)));
    }
    if (auto home = environment.Get("HOME"))
        environment.home = *home;
    else if (const passwd* entry = ::getpwuid(::getuid()))
        environment.home = entry->pw_dir;
    return environment;
}

std::optional<std::string> Environment::Get(const std::string& name) const
{
    const auto found = variables.find(name);
    if (found == variables.end() || found->second.empty())
        return std::nullopt;
    return found->second;
}

Discovery DiscoverCaches(const Environment& environment, const ProgressCallback& progress)
{
    Discovery result;
    const std::vector<Candidate> candidates = FindCandidates(environment);
    // The same folder reached twice (a link, WINEPREFIX=~/.wine, a Lutris game
    // in a plain prefix) is examined and listed once, under the first name.
    std::set<fs::path> examined;
    std::set<fs::path> listed;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& candidate = candidates[i];
        if (progress && !progress({i, candidates.size(), candidate.folder})) {
            result.cancelled = true;
            return result;
        }
        std::error_code ec;
        const fs::path real = fs::weakly_canonical(candidate.folder, ec);
        if (ec || !examined.insert(real).second)
            continue;
        std::vector<FoundCache> rows;
        if (candidate.kind == CacheKind::Profile) {
            if (auto row = ExamineProfile(candidate, candidate.folder, {}))
                rows.push_back(std::move(*row));
        } else {
            ExaminePrefix(candidate, rows);
        }
        for (FoundCache& row : rows) {
            if (listed.insert(fs::weakly_canonical(row.path, ec)).second)
                result.caches.push_back(std::move(row));
        }
    }
    if (progress)
        progress({candidates.size(), candidates.size(), {}});
    return result;
}

}  // namespace trovana::discovery
