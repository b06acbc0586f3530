#include "listview/cached_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "local_file.h"

namespace trovana::listview {

namespace {
// Closes the descriptor when the read is over.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};
}  // namespace

FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return FileRead::Missing;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    // Opened without waiting, then checked again: the name may have been
    // replaced by a FIFO or a device since the stat.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0)
        return FileRead::Failed;
    if (::fstat(file.Get(), &st) != 0)
        return FileRead::Failed;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    bytes.resize(std::min<std::size_t>(limit, static_cast<std::size_t>(st.st_size)));
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
    for (const urlcache::ContainerLocation& container : location.containers) {
        std::error_code error;
        const std::filesystem::path root = std::filesystem::weakly_canonical(container.folder, error);
        if (!error && urlcache::StaysInside(path, root))
            return true;
    }
    return false;
}

}  // namespace trovana::listview
