// SPDX-License-Identifier: GPL-3.0-or-later
#include "folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <system_error>

namespace trovana::urlcache {

FolderLock::FolderLock(const std::filesystem::path& folder, Mode mode)
    : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (!m_fd.Valid())
        throw std::system_error(errno, std::generic_category(), "cannot open " + folder.string());
    const int operation = mode == Mode::Shared ? LOCK_SH : LOCK_EX;
    while (flock(m_fd.Get(), operation) != 0) {
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "cannot lock " + folder.string());
    }
}

FolderLock::~FolderLock()
{
    flock(m_fd.Get(), LOCK_UN);
}

}  // namespace trovana::urlcache
