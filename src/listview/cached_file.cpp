#include "listview/cached_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "local_file.h"
#include "locate.h"

namespace trovana::listview {

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
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

FileRead OpenRegularFile(const std::filesystem::path& path, FileDescriptor& file, std::size_t& size)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return FileRead::Missing;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    // Opened without waiting, then checked again: the name may have been
    // replaced by a FIFO or a device since the stat.
    FileDescriptor opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (opened.Get() < 0 || ::fstat(opened.Get(), &st) != 0)
        return FileRead::Failed;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    file = std::move(opened);
    size = static_cast<std::size_t>(st.st_size);
    return FileRead::Read;
}

FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    FileDescriptor file;
    std::size_t size = 0;
    if (const FileRead opened = OpenRegularFile(path, file, size); opened != FileRead::Read)
        return opened;
    bytes.resize(std::min(limit, size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            bytes.clear();
            return FileRead::Failed;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return FileRead::Read;
}

bool IsInsideCache(const std::filesystem::path& path, const urlcache::CacheLocation& location)
{
    if (!path.is_absolute())
        return false;
    // A WebCache database's files lie in its profile's INetCache folder.
    std::vector<std::filesystem::path> folders = urlcache::WebCacheFileFolders(location);
    for (const urlcache::ContainerLocation& container : location.containers)
        folders.push_back(container.folder);
    for (const std::filesystem::path& folder : folders) {
        std::error_code error;
        const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
        if (!error && urlcache::StaysInside(path, root))
            return true;
    }
    return false;
}

}  // namespace trovana::listview
