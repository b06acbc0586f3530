// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/named_cache.h"

#include <cstdlib>
#include <exception>
#include <vector>

#include <wx/translation.h>

#include "app/resource.h"

namespace trovana::app {

namespace {
namespace fs = std::filesystem;

wxString FromPath(const fs::path& path)
{
    return wxString::FromUTF8(path.string());
}

// A drive root with several user profiles: the user picks one; the root
// itself when it has fewer; none when the user cancels.
std::optional<fs::path> PickProfile(listview::Prompts& prompts, wxWindow* parent, const fs::path& path)
{
    const std::vector<urlcache::UserProfile> profiles = urlcache::ListUserProfiles(path);
    if (profiles.size() < 2)
        return path;
    std::vector<wxString> users;
    for (const urlcache::UserProfile& profile : profiles)
        users.push_back(wxString::FromUTF8(profile.user));
    const std::optional<size_t> chosen = prompts.ChooseOne(
        parent, _("Whose cache is to be opened?") + "\n" + FromPath(path), _("Choose a User"), users);
    if (!chosen)
        return std::nullopt;
    return profiles[*chosen].folder;
}
}  // namespace

wxString LastPart(const fs::path& path)
{
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path())
        normal = normal.parent_path();
    return FromPath(normal.filename().empty() ? normal : normal.filename());
}

std::optional<NamedCache> FindNamedCache(listview::Prompts& prompts, wxWindow* parent, const fs::path& path)
{
    try {
        // The recent list keeps the path whatever folder the program runs in.
        const std::optional<fs::path> chosen = PickProfile(prompts, parent, fs::absolute(path));
        if (!chosen)
            return std::nullopt;
        return NamedCache{urlcache::LocatePath(*chosen), LastPart(*chosen), *chosen, false, false, {}};
    } catch (const std::exception& error) {
        // A folder that cannot be listed is as much no cache as a wrong one.
        prompts.MessageBox(parent, _("No cache can be opened there:") + "\n\n" + wxString::FromUTF8(error.what()),
                           wxString(), wxOK | wxICON_EXCLAMATION);
        return std::nullopt;
    }
}

std::optional<NamedCache> FindCurrentUserCache(listview::Prompts& prompts)
{
    NamedCache cache;
    const char* profile = std::getenv("TROVANA_PROFILE");
    const char* prefix = std::getenv("WINEPREFIX");
    try {
        cache.location = urlcache::LocateCurrentUserCache();
    } catch (const std::exception& error) {
        // The profile or prefix cannot be read: as a path named on the
        // command line, one message and no window.
        prompts.MessageBox(nullptr, wxString::FromUTF8(error.what()), APP_TITLE, wxOK | wxICON_EXCLAMATION);
        return std::nullopt;
    }
    const bool named = (profile != nullptr && *profile != '\0') || (prefix != nullptr && *prefix != '\0');
    if (profile != nullptr && *profile != '\0')
        cache.name = LastPart(profile);
    else
        cache.name = LastPart(cache.location.winePrefix.empty() ? urlcache::DefaultWinePrefix()
                                                                : cache.location.winePrefix);
    // Wine was never used here and nothing names a cache: said as
    // trovana-cache says it.
    if (!named && cache.location.winePrefix.empty() && cache.location.containers.empty() &&
        cache.location.webCaches.empty()) {
        cache.name.clear();
        cache.absence = wxString::Format(_("no cache: there is no Wine prefix at %s"),
                                         wxString::FromUTF8(urlcache::DefaultWinePrefix().string()));
    }
    return cache;
}

void DecideReadOnly(NamedCache& cache, bool asked)
{
    cache.readOnlyAsked = asked;
    cache.location.readOnly = asked || cache.evidence || urlcache::ReadOnlyReason(cache.location).has_value();
}

}  // namespace trovana::app
