// SPDX-License-Identifier: GPL-3.0-or-later
// An advisory lock (flock) on a container folder, shared for reading and
// exclusive for changing, among Trovana's own processes. The folder is
// locked rather than index.dat because replacing the file changes its inode.
#pragma once

#include <filesystem>

#include "file_descriptor.h"

namespace trovana::urlcache {

class FolderLock {
public:
    enum class Mode { Shared, Exclusive };

    // Waits for the lock. Throws std::system_error when the folder cannot be
    // opened or locked.
    FolderLock(const std::filesystem::path& folder, Mode mode);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // The open folder, for fsync after a rename.
    int Descriptor() const { return m_fd.Get(); }

private:
    fileio::FileDescriptor m_fd;
};

}  // namespace trovana::urlcache
