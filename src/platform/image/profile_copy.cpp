// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile_copy.h"

#include "ascii.h"
#include "hives.h"
#include "windows_zone.h"

#include <set>

namespace trovana::image {

namespace fs = std::filesystem;

namespace {

// Where in a profile the containers of every known layout lie: Vista to
// 11 (INetCache, INetCookies, History, Temporary Internet Files, Low,
// WebCache) and XP.
constexpr const char* kCacheRoots[] = {
    "AppData/Local/Microsoft/Windows", "AppData/Roaming/Microsoft/Windows/Cookies", "Cookies",
    "Local Settings/History",          "Local Settings/Temporary Internet Files",
};
// Deep enough for History/Low/History.IE5/MSHist01.../index.dat.
constexpr int kMaxDepth = 5;

constexpr const char* kSystemProfiles[] = {
    "Windows/System32/config/systemprofile",
    "Windows/SysWOW64/config/systemprofile",
    "Windows/ServiceProfiles/LocalService",
    "Windows/ServiceProfiles/NetworkService",
};

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

bool IsWebCacheFile(const std::string& lower)
{
    // The database and the logs and checkpoint Windows keeps beside it.
    return lower.starts_with("webcachev") || (lower.starts_with("v01") && !lower.ends_with(".dat"));
}

class ProfileCopier {
public:
    // With `cachedFiles`, the files of the cached-file folders instead of
    // the containers.
    ProfileCopier(NtfsVolume& volume, const std::string& profile, const fs::path& target, bool cachedFiles)
        : m_volume(volume), m_profile(profile), m_target(target), m_cachedFiles(cachedFiles)
    {
    }

    void Walk(const std::string& relative, int depth)
    {
        const std::string lowerFolder = ToLowerAscii(fs::path(relative).filename().string());
        for (const NtfsFile& file : m_volume.List(Join(m_profile, relative))) {
            if (file.name.empty() || file.name == "." || file.name == "..") {
                continue;
            }
            const std::string child = Join(relative, file.name);
            const std::string lower = ToLowerAscii(file.name);
            const bool cachedFileFolder = lowerFolder == "content.ie5" || lowerFolder == "ie";
            if (file.directory) {
                // The folders of cached files hold no containers.
                if (cachedFileFolder && m_cachedFiles) {
                    CopyFolder(child);
                } else if (depth < kMaxDepth && !cachedFileFolder) {
                    Walk(child, depth + 1);
                }
                continue;
            }
            const bool container = lower == "index.dat";
            const bool webCache = lowerFolder == "webcache" && IsWebCacheFile(lower);
            if ((!container && !webCache) || m_cachedFiles) {
                continue;
            }
            const fs::path copy = m_target / child;
            fs::create_directories(copy.parent_path());
            try {
                m_volume.CopyOut(Join(m_profile, child), copy);
            } catch (const ImageError& error) {
                // One file that cannot be read in full costs the others
                // nothing; what could be read of it is kept (the readers name
                // a cut-short container or database), nothing is made up.
                m_unreadable.push_back(error.what());
                std::error_code ec;
                if (fs::file_size(copy, ec) == 0 || ec) {
                    fs::remove(copy, ec);
                    continue;
                }
            }
            if (container || lower.ends_with(".dat")) {
                m_copied.push_back({Join(m_profile, child), file.mftEntry, file.size});
            }
        }
    }

    std::vector<CacheFile> Take() { return std::move(m_copied); }
    std::vector<std::string> TakeUnreadable() { return std::move(m_unreadable); }

private:
    void CopyFolder(const std::string& relative)
    {
        const fs::path folder = m_target / relative;
        fs::create_directories(folder);
        for (const NtfsFile& file : m_volume.List(Join(m_profile, relative))) {
            if (!file.directory && !file.name.empty()) {
                m_volume.CopyOut(Join(m_profile, Join(relative, file.name)), folder / file.name);
            }
        }
    }

    NtfsVolume& m_volume;
    const std::string& m_profile;
    const fs::path& m_target;
    bool m_cachedFiles;
    std::vector<CacheFile> m_copied;
    std::vector<std::string> m_unreadable;
};

std::string LastName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies a hive out; empty when the volume has none.
fs::path CopyHive(NtfsVolume& volume, const std::string& name, const fs::path& scratch)
{
    const std::string path = "Windows/System32/config/" + name;
    if (!volume.Stat(path)) {
        return {};
    }
    fs::create_directories(scratch);
    const fs::path copy = scratch / name;
    try {
        volume.CopyOut(path, copy);
    } catch (const ImageError&) {
        return {};
    }
    return copy;
}

}  // namespace

std::vector<ProfileCandidate> FindProfiles(NtfsVolume& volume, const fs::path& scratch)
{
    std::vector<ProfileCandidate> profiles;
    std::set<std::string> seen;
    const auto add = [&](const std::string& path, std::string user, std::string sid) {
        if (path.empty() || !seen.insert(ToLowerAscii(path)).second) {
            return;
        }
        const std::optional<NtfsFile> folder = volume.Stat(path);
        if (folder && folder->directory) {
            profiles.push_back({path, std::move(user), std::move(sid)});
        }
    };
    if (const fs::path software = CopyHive(volume, "SOFTWARE", scratch); !software.empty()) {
        for (const ListedProfile& listed : ReadProfileList(software)) {
            const std::string path = VolumePathOfProfile(listed.imagePath);
            add(path, LastName(path), listed.sid);
        }
        fs::remove(software);
    }
    for (const char* parent : {"Users", "Documents and Settings"}) {
        for (const NtfsFile& folder : volume.List(parent)) {
            if (folder.directory && folder.name != "." && folder.name != "..") {
                add(std::string(parent) + "/" + folder.name, folder.name, {});
            }
        }
    }
    for (const char* system : kSystemProfiles) {
        add(system, LastName(system), {});
    }
    return profiles;
}

std::string VolumeTimeZone(NtfsVolume& volume, const fs::path& scratch)
{
    const fs::path system = CopyHive(volume, "SYSTEM", scratch);
    if (system.empty()) {
        return {};
    }
    const std::optional<std::string> key = ReadTimeZoneKeyName(system);
    fs::remove(system);
    if (!key) {
        return {};
    }
    return IanaNameOfWindowsZone(*key).value_or(std::string());
}

namespace {

std::vector<CacheFile> CopyProfile(NtfsVolume& volume, const std::string& profile, const fs::path& target,
                                   bool cachedFiles, std::vector<std::string>* unreadable = nullptr)
{
    ProfileCopier copier(volume, profile, target, cachedFiles);
    for (const char* root : kCacheRoots) {
        if (volume.Stat(Join(profile, root))) {
            copier.Walk(root, 1);
        }
    }
    if (unreadable != nullptr) {
        *unreadable = copier.TakeUnreadable();
    }
    return copier.Take();
}

}  // namespace

std::vector<CacheFile> CopyProfileCaches(NtfsVolume& volume, const std::string& profile, const fs::path& target,
                                         std::vector<std::string>& unreadable)
{
    return CopyProfile(volume, profile, target, false, &unreadable);
}

void CopyCachedFiles(NtfsVolume& volume, const std::string& profile, const fs::path& target)
{
    CopyProfile(volume, profile, target, true);
}

}  // namespace trovana::image
