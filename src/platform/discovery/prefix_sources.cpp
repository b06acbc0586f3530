// SPDX-License-Identifier: GPL-3.0-or-later
#include "prefix_sources.h"

#include "lines.h"
#include "read_file.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <system_error>

namespace trovana::discovery {

namespace fs = std::filesystem;

namespace {

// The folders in `parent`, in name order (links to folders included).
std::vector<fs::path> Subfolders(const fs::path& parent)
{
    std::vector<fs::path> folders;
    std::error_code ec;
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statEc;
        if (it->is_directory(statEc))
            folders.push_back(it->path());
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

fs::path DataHome(const Environment& environment)
{
    if (auto data = environment.Get("XDG_DATA_HOME"))
        return *data;
    return environment.home / ".local/share";
}

fs::path ConfigHome(const Environment& environment)
{
    if (auto config = environment.Get("XDG_CONFIG_HOME"))
        return *config;
    return environment.home / ".config";
}

// "~/x" and "$HOME/x" as a shell would read them in a Lutris file.
fs::path ExpandHome(std::string value, const Environment& environment)
{
    for (std::string_view start : {"~/", "$HOME/"}) {
        if (value.starts_with(start))
            return environment.home / value.substr(start.size());
    }
    return value;
}

std::string Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    std::string value(text.substr(first, last - first + 1));
    // A YAML scalar in quotes.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

// The value of the first line "key: value" of a YAML text, at any
// indentation or (with `topLevel`) only unindented.
std::optional<std::string> YamlValue(std::string_view text, std::string_view key, bool topLevel)
{
    std::string_view line;
    while (NextLine(text, line)) {
        const size_t indent = line.find_first_not_of(" \t");
        if (indent == std::string_view::npos || (topLevel && indent > 0))
            continue;
        line.remove_prefix(indent);
        if (line.starts_with(key) && line.substr(key.size()).starts_with(':')) {
            std::string value = Trim(line.substr(key.size() + 1));
            if (!value.empty())
                return value;
        }
    }
    return std::nullopt;
}

// Each string value of a KeyValues text whose key satisfies `wanted`, with
// the depth of the block it stands in (1: inside the outermost braces).
template <typename Wanted>
std::vector<std::string> VdfValues(std::string_view text, Wanted wanted)
{
    std::vector<std::string> values;
    const std::vector<VdfToken> tokens = ReadVdfTokens(text);
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].brace) {
            depth += tokens[i].text == "{" ? 1 : -1;
            continue;
        }
        if (i + 1 < tokens.size() && !tokens[i + 1].brace) {
            if (wanted(tokens[i].text, depth))
                values.push_back(tokens[i + 1].text);
            ++i;
        }
    }
    return values;
}

// The last name of a folder's path, also when it ends in a separator.
std::string FolderName(const fs::path& folder)
{
    return folder.has_filename() ? folder.filename().string() : folder.parent_path().filename().string();
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Native, Flatpak and Snap Steam; ~/.steam/steam is usually a link to one of them.
std::vector<fs::path> SteamRoots(const Environment& environment)
{
    const fs::path flatpak = environment.home / ".var/app/com.valvesoftware.Steam";
    return {environment.home / ".steam/steam", environment.home / ".steam/root",
            DataHome(environment) / "Steam",   flatpak / ".local/share/Steam",
            flatpak / ".steam/steam",          environment.home / "snap/steam/common/.local/share/Steam"};
}

// Every Steam library: each root and the libraries its libraryfolders.vdf
// lists (new form: "path" keys; old form: numbered keys), each once.
std::vector<fs::path> SteamLibraries(const Environment& environment)
{
    std::vector<fs::path> libraries;
    std::set<fs::path> seen;
    const auto add = [&](const fs::path& library) {
        std::error_code ec;
        if (!fs::is_directory(library / "steamapps", ec))
            return;
        // Real paths: ~/.steam/steam is mostly a link to another root.
        const fs::path real = fs::weakly_canonical(library, ec);
        if (!ec && seen.insert(real).second)
            libraries.push_back(real);
    };
    for (const fs::path& root : SteamRoots(environment)) {
        add(root);
        for (const fs::path& file : {root / "steamapps/libraryfolders.vdf", root / "config/libraryfolders.vdf"}) {
            const auto listed = VdfValues(fileio::ReadSettingsFile(file), [](const std::string& key, int depth) {
                return key == "path" || (depth == 1 && AllDigits(key));
            });
            for (const std::string& library : listed)
                add(library);
        }
    }
    return libraries;
}

// The names of the games `ids` from the appmanifests of the libraries, the
// first library that names a game winning; each library's folder is listed
// once and each manifest read once, however many prefixes there are.
std::map<std::string, std::string> SteamGameNames(const std::vector<fs::path>& libraries, std::set<std::string> ids)
{
    std::map<std::string, std::string> names;
    for (const fs::path& library : libraries) {
        if (ids.empty())
            break;
        std::error_code ec;
        for (fs::directory_iterator it(library / "steamapps", ec), end; !ec && it != end; it.increment(ec)) {
            const std::string file = it->path().filename().string();
            constexpr std::string_view kStart = "appmanifest_", kEnd = ".acf";
            if (!file.starts_with(kStart) || !file.ends_with(kEnd))
                continue;
            const std::string id = file.substr(kStart.size(), file.size() - kStart.size() - kEnd.size());
            if (!ids.contains(id))
                continue;
            const auto found = VdfValues(fileio::ReadSettingsFile(it->path()), [](const std::string& key, int depth) {
                return depth == 1 && key == "name";
            });
            if (!found.empty() && !found.front().empty()) {
                names.emplace(id, found.front());
                ids.erase(id);
            }
        }
    }
    return names;
}

void AddProton(const Environment& environment, std::vector<Candidate>& found)
{
    const std::vector<fs::path> libraries = SteamLibraries(environment);
    std::vector<std::pair<std::string, fs::path>> prefixes;
    for (const fs::path& library : libraries) {
        for (const fs::path& app : Subfolders(library / "steamapps/compatdata")) {
            std::error_code ec;
            if (fs::is_directory(app / "pfx", ec))
                prefixes.emplace_back(app.filename().string(), app / "pfx");
        }
    }
    std::set<std::string> ids;
    for (const auto& [id, prefix] : prefixes)
        ids.insert(id);
    const std::map<std::string, std::string> names = SteamGameNames(libraries, std::move(ids));
    for (auto& [id, prefix] : prefixes) {
        const auto name = names.find(id);
        found.push_back({CacheKind::Proton, name != names.end() ? name->second : "Steam app " + id, std::move(prefix)});
    }
}

void AddBottles(const Environment& environment, std::vector<Candidate>& found)
{
    for (const fs::path& bottles : {DataHome(environment) / "bottles/bottles",
                                    environment.home / ".var/app/com.usebottles.bottles/data/bottles/bottles"}) {
        for (const fs::path& bottle : Subfolders(bottles)) {
            std::string name =
                YamlValue(fileio::ReadSettingsFile(bottle / "bottle.yml"), "Name", true).value_or(bottle.filename().string());
            found.push_back({CacheKind::Bottles, std::move(name), bottle});
        }
    }
}

// A Lutris game file is named <slug>-<number>.yml; the slug names the game.
std::string LutrisGameName(const fs::path& file)
{
    std::string stem = file.stem().string();
    const auto dash = stem.rfind('-');
    if (dash != std::string::npos && dash > 0 && AllDigits(std::string_view(stem).substr(dash + 1)))
        stem.resize(dash);
    return stem;
}

void AddLutris(const Environment& environment, std::vector<Candidate>& found)
{
    const fs::path flatpak = environment.home / ".var/app/net.lutris.Lutris";
    for (const fs::path& games : {ConfigHome(environment) / "lutris/games", DataHome(environment) / "lutris/games",
                                  flatpak / "config/lutris/games", flatpak / "data/lutris/games"}) {
        std::vector<fs::path> files;
        std::error_code ec;
        for (fs::directory_iterator it(games, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().extension() == ".yml")
                files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            if (auto prefix = YamlValue(fileio::ReadSettingsFile(file), "prefix", false))
                found.push_back({CacheKind::Lutris, LutrisGameName(file), ExpandHome(*prefix, environment)});
        }
    }
}

void AddFolders(CacheKind kind, const fs::path& parent, std::vector<Candidate>& found)
{
    for (const fs::path& folder : Subfolders(parent))
        found.push_back({kind, folder.filename().string(), folder});
}

}  // namespace

std::vector<VdfToken> ReadVdfTokens(std::string_view text)
{
    std::vector<VdfToken> tokens;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '}') {
            tokens.push_back({std::string(1, c), true});
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = std::min(text.find('\n', i), text.size());
        } else if (c == '"') {
            std::string value;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;  // \\ and \" stand for the character
                value += text[i];
            }
            tokens.push_back({std::move(value), false});
        }
    }
    return tokens;
}

std::vector<Candidate> FindCandidates(const Environment& environment)
{
    std::vector<Candidate> found;
    if (auto prefix = environment.Get("WINEPREFIX"))
        found.push_back({CacheKind::Wine, FolderName(*prefix), *prefix});
    found.push_back({CacheKind::Wine, ".wine", environment.home / ".wine"});
    AddFolders(CacheKind::Wine, DataHome(environment) / "wineprefixes", found);
    AddProton(environment, found);
    AddBottles(environment, found);
    AddLutris(environment, found);
    AddFolders(CacheKind::PlayOnLinux, environment.home / ".PlayOnLinux/wineprefix", found);
    if (auto profile = environment.Get("TROVANA_PROFILE"))
        found.push_back({CacheKind::Profile, FolderName(*profile), *profile});
    return found;
}

}  // namespace trovana::discovery
