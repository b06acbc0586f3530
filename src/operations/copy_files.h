// SPDX-License-Identifier: GPL-3.0-or-later
// Copying cached files out into a folder: where the folder chooser opens,
// and the copy itself, which asks before it replaces a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::operations {

// The user's documents folder as xdg-user-dir names it: XDG_DOCUMENTS_DIR in
// user-dirs.dirs (whose text is given), "$HOME/..." or an absolute path;
// home/Documents when the file names none.
std::filesystem::path DocumentsFolderFrom(std::string_view userDirs, const std::filesystem::path& home);
// The same for the current user: $XDG_CONFIG_HOME/user-dirs.dirs, else
// ~/.config/user-dirs.dirs.
std::filesystem::path DocumentsFolder();

// Where the folder chooser opens: the documents folder when it exists, else
// the home folder, else the root. A chooser told a missing folder opens at
// GTK's "Recent", where a typed path cannot be confirmed.
std::filesystem::path ChooserStartFolder();

// What the copy asks and reports, so that it can run without windows.
struct CopyDialogue {
    // Whether to replace the existing file; when asked, also whether the
    // answer is for every further existing file.
    std::function<bool(const std::filesystem::path& target)> askReplace;
    std::function<bool()> askSameForAll;
    // A file that could not be copied; the copy goes on.
    std::function<void(const std::filesystem::path& source, const std::string& reason)> reportFailure;
    // A file already in the folder that was kept, not replaced (optional).
    std::function<void(const std::filesystem::path& target)> keptExisting;
    // Called after each file with the count done; false stops the copy.
    std::function<bool(size_t done)> progress;
};

// Copies each source into folder under its own name. Returns the number copied.
size_t CopyFilesTo(const std::vector<std::filesystem::path>& sources, const std::filesystem::path& folder,
                   const CopyDialogue& dialogue);

}  // namespace trovana::operations
