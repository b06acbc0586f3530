// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/copy_files.h"

#include <cstdlib>
#include <optional>
#include <sstream>

#include "read_file.h"

namespace trovana::operations {

namespace fs = std::filesystem;

namespace {

fs::path EnvPath(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}

// The quoted value of the line `XDG_DOCUMENTS_DIR="..."`, if any.
std::optional<std::string> DocumentsValue(std::string_view text)
{
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0)
            continue;
        const size_t begin = start + kKey.size();
        const size_t end = line.find('"', begin);
        if (end != std::string::npos)
            return line.substr(begin, end - begin);
    }
    return std::nullopt;
}

}  // namespace

fs::path DocumentsFolderFrom(std::string_view userDirs, const fs::path& home)
{
    constexpr std::string_view kHome = "$HOME";
    if (const std::optional<std::string> value = DocumentsValue(userDirs)) {
        const std::string_view path = *value;
        if (path.starts_with(kHome)) {
            std::string_view rest = path.substr(kHome.size());
            if (rest.empty())
                return home;
            if (rest.front() == '/')
                return home / rest.substr(1);
        } else if (path.starts_with('/')) {
            return fs::path(path);
        }
    }
    return home / "Documents";
}

fs::path DocumentsFolder()
{
    const fs::path home = EnvPath("HOME");
    fs::path config = EnvPath("XDG_CONFIG_HOME");
    if (config.empty())
        config = home / ".config";
    return DocumentsFolderFrom(fileio::ReadSettingsFile(config / "user-dirs.dirs"), home);
}

fs::path ChooserStartFolder()
{
    std::error_code error;
    for (const fs::path& folder : {DocumentsFolder(), EnvPath("HOME")}) {
        if (!folder.empty() && folder.is_absolute() && fs::is_directory(folder, error))
            return folder;
    }
    return "/";
}

size_t CopyFilesTo(const std::vector<fs::path>& sources, const fs::path& folder, const CopyDialogue& dialogue)
{
    enum class ForAll { Ask, Replace, Keep } forAll = ForAll::Ask;
    bool askedForAll = false;
    size_t copied = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        const fs::path& source = sources[i];
        const fs::path target = folder / source.filename();
        std::error_code error;
        // A FIFO or device in a cached file's place is not read: it could
        // block for good or never end.
        const fs::file_type type = fs::status(source, error).type();
        if (type != fs::file_type::regular && type != fs::file_type::not_found && type != fs::file_type::none) {
            dialogue.reportFailure(source, "not a regular file");
            if (dialogue.progress && !dialogue.progress(i + 1))
                break;
            continue;
        }
        bool replace = false;
        if (fs::exists(target, error)) {
            if (forAll == ForAll::Ask) {
                replace = dialogue.askReplace(target);
                // Asked once, when further files may need the same answer.
                if (!askedForAll && i + 1 < sources.size()) {
                    askedForAll = true;
                    if (dialogue.askSameForAll())
                        forAll = replace ? ForAll::Replace : ForAll::Keep;
                }
            } else {
                replace = forAll == ForAll::Replace;
            }
            if (!replace) {
                if (dialogue.keptExisting)
                    dialogue.keptExisting(target);
                if (dialogue.progress && !dialogue.progress(i + 1))
                    break;
                continue;
            }
        }
        const auto options = replace ? fs::copy_options::overwrite_existing : fs::copy_options::none;
        if (fs::copy_file(source, target, options, error))
            ++copied;
        else
            dialogue.reportFailure(source, error.message());
        if (dialogue.progress && !dialogue.progress(i + 1))
            break;
    }
    return copied;
}

}  // namespace trovana::operations
