// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace trovana::fileio {

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

int FileDescriptor::Release()
{
    return std::exchange(m_fd, -1);
}

bool FileDescriptor::Close()
{
    // Linux releases the descriptor even when close fails: never retry.
    return m_fd < 0 || ::close(Release()) == 0;
}

FileDescriptor OpenForReading(const std::filesystem::path& path)
{
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
}

}  // namespace trovana::fileio
