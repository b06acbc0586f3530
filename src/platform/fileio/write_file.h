// SPDX-License-Identifier: GPL-3.0-or-later
// Writing files so that every error is seen: all bytes or an error, and
// whole files that appear under their name only once complete.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "file_descriptor.h"

namespace trovana::fileio {

// Writes every byte to fd, retrying short writes and interrupted ones.
// False, with errno set, when a write fails (a full disk, a closed pipe).
bool WriteAll(int fd, std::string_view bytes);

// A file written under a temporary name in its target's folder, which takes
// the target's name by Commit only once every byte is written and synced:
// a failed or abandoned write leaves no partial file and never spoils a
// file it would have replaced. A symbolic link at the target is replaced,
// not followed. Errors throw std::filesystem::filesystem_error naming the
// target.
class ReplacingFile {
public:
    // The new file gets `mode` less the umask.
    explicit ReplacingFile(std::filesystem::path target, mode_t mode = 0666);
    // Removes the temporary file unless Commit succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void Write(std::string_view bytes);
    // Syncs, closes and renames the file to the target's name.
    void Commit();

private:
    [[noreturn]] void Fail(const char* what, int error) const;

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    FileDescriptor m_file;
    bool m_committed = false;
};

// Writes bytes as the file `target` through a ReplacingFile.
void ReplaceFile(const std::filesystem::path& target, std::string_view bytes, mode_t mode = 0666);

}  // namespace trovana::fileio
