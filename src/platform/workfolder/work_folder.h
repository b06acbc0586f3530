// SPDX-License-Identifier: GPL-3.0-or-later
// The private folder where the program writes its generated pages (the text
// preview and the image gallery) and where the preview keeps its website
// data: a folder of this process alone, removed when the program ends, so
// that nothing about the sites previewed stays behind.
#pragma once

#include <filesystem>
#include <string>

namespace trovana {

// No folder could be used. A filesystem error, so that the callers that
// report those report this one; its text is a plain sentence that names
// each folder tried and why it could not be used.
class WorkFolderError : public std::filesystem::filesystem_error {
public:
    WorkFolderError(const std::string& text, std::error_code cause);
    const char* what() const noexcept override { return m_text.c_str(); }

private:
    std::string m_text;
};

// The temporary folder of this process (PrivateTemporaryFolder). At the
// first call, the pages that earlier versions kept in the user's cache
// folder ($XDG_CACHE_HOME/trovana or ~/.cache/trovana) are removed from it.
// Throws WorkFolderError when no folder can be made.
std::filesystem::path WorkingFolder();

// The temporary folder of this process, trovana-XXXXXX under $TMPDIR or
// /tmp, or when none can be made there under the user's cache folder;
// readable by its owner only, made at the first call and removed when the
// program ends. Empty, with `error` set, when it cannot be made.
std::filesystem::path PrivateTemporaryFolder(std::error_code& error);

// Removes the temporary folder now, at the end of the program, once the
// browser's helper processes (WebKit's, children of this one, which write
// into it until they end) have been ended; a later call makes a new one.
void RemovePrivateTemporaryFolder();

}  // namespace trovana
