// SPDX-License-Identifier: GPL-3.0-or-later
// An open file descriptor owned by an object, and opening files for
// reading without waiting.
#pragma once

#include <filesystem>

namespace trovana::fileio {

// An open file descriptor, closed with its owner.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Hands the descriptor over; the object no longer closes it.
    int Release();
    // Closes now; false with errno set when close reports an error (a write
    // to a network file system may fail only there).
    bool Close();

private:
    int m_fd = -1;
};

// Opens path read-only without waiting (a FIFO would wait for a writer)
// and without making a terminal the controlling one. Not valid, with errno
// set, when the open fails.
FileDescriptor OpenForReading(const std::filesystem::path& path);

}  // namespace trovana::fileio
