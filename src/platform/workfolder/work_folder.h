// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user folder where the program writes its generated pages (the
// text preview and the image gallery): the program's own directory is not
// writable once installed.
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

// $XDG_CACHE_HOME/trovana when that variable holds an absolute path, else
// ~/.cache/trovana, made when missing. When that cannot be made or written
// to, a temporary folder of this process under $TMPDIR or /tmp, removed when
// the program ends. Either is readable by its owner only. Throws
// WorkFolderError when none can be used.
std::filesystem::path WorkingFolder();

// The temporary folder of this process under $TMPDIR or /tmp, readable by
// its owner only, made at the first call and removed when the program
// ends; empty, with `error` set, when it cannot be made.
std::filesystem::path PrivateTemporaryFolder(std::error_code& error);

}  // namespace trovana
