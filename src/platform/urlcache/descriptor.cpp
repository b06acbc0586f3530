// SPDX-License-Identifier: GPL-3.0-or-later
#include "descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace trovana::urlcache {

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        close(m_fd);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

std::string ReadWholeFile(const std::filesystem::path& file, uint64_t maxSize)
{
    auto fail = [&](const std::string& problem) -> FileReadError {
        return FileReadError(file.string() + ": " + problem);
    };
    Descriptor fd(open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        throw fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        throw fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    if (!S_ISREG(st.st_mode))
        throw fail("is not a regular file");
    const std::string tooLarge = "is larger than " + std::to_string(maxSize) + " bytes";
    if (static_cast<uint64_t>(st.st_size) > maxSize)
        throw fail(tooLarge);
    // The size is only a hint: the file may grow meanwhile, and files in
    // /proc say 0.
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw fail(std::string("cannot be read (") + std::strerror(errno) + ")");
        if (got == 0)
            return bytes;
        if (bytes.size() + static_cast<uint64_t>(got) > maxSize)
            throw fail(tooLarge);
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace trovana::urlcache
