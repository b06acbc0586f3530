// Reading the cache's own files for the preview: only regular files (a FIFO
// or a device is never opened in a way that could block), and only files
// that lie inside one of the open cache's container folders.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "urlcache.h"

namespace trovana::listview {

enum class FileRead { Read, Missing, NotRegular, Failed };

// An open file descriptor, closed with the object.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    int Get() const { return m_fd; }
    // Hands the descriptor over; the object no longer closes it.
    int Release();

private:
    int m_fd;
};

// Opens the file at path for reading (Read) when it is a regular file, and
// gives its size; a FIFO, socket or device is NotRegular and not opened.
FileRead OpenRegularFile(const std::filesystem::path& path, FileDescriptor& file, std::size_t& size);

// Reads at most `limit` bytes of the file at path into bytes. A path that is
// not there (or a folder) is Missing; a FIFO, socket or device is
// NotRegular and is not opened for reading.
FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes);

// True when path, with every symbolic link resolved, lies inside one of the
// location's container folders (or the INetCache folder of its WebCache
// databases' profile): the rule the cache library applies to the files of
// entries it deletes.
bool IsInsideCache(const std::filesystem::path& path, const urlcache::CacheLocation& location);

}  // namespace trovana::listview
