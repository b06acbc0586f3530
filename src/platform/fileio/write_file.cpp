// SPDX-License-Identifier: GPL-3.0-or-later
#include "write_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace trovana::fileio {

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

ReplacingFile::ReplacingFile(std::filesystem::path target, mode_t mode) : m_target(std::move(target))
{
    std::string name = (m_target.parent_path() / ("." + m_target.filename().string() + ".XXXXXX")).string();
    m_file = FileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
    if (!m_file.Valid())
        Fail("cannot create a file beside", errno);
    m_temporary = name;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(m_file.Get(), mode & ~mask) != 0)
        Fail("cannot set the mode of a file beside", errno);
}

ReplacingFile::~ReplacingFile()
{
    if (!m_committed && !m_temporary.empty())
        ::unlink(m_temporary.c_str());
}

void ReplacingFile::Write(std::string_view bytes)
{
    if (!m_file.Valid() || !WriteAll(m_file.Get(), bytes))
        Fail("cannot write", m_file.Valid() ? errno : EBADF);
}

void ReplacingFile::Commit()
{
    if (!m_file.Valid())
        Fail("cannot write", EBADF);
    if (::fsync(m_file.Get()) != 0 && errno != EINVAL && errno != EROFS)
        Fail("cannot write", errno);
    if (!m_file.Close())
        Fail("cannot write", errno);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        Fail("cannot rename a new file to", errno);
    m_committed = true;
}

void ReplacingFile::Fail(const char* what, int error) const
{
    throw std::filesystem::filesystem_error(what, m_target, std::error_code(error, std::generic_category()));
}

void ReplaceFile(const std::filesystem::path& target, std::string_view bytes, mode_t mode)
{
    ReplacingFile file(target, mode);
    file.Write(bytes);
    file.Commit();
}

}  // namespace trovana::fileio
