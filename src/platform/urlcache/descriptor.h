// SPDX-License-Identifier: GPL-3.0-or-later
// Open file descriptors owned by an object, and reading a small file whole
// without the ways a hostile file name can make that hang or never end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace trovana::urlcache {

// An open file descriptor, closed with its owner.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Why ReadWholeFile failed; what() names the file.
class FileReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a regular file, read to its end (retrying reads that a signal
// interrupted). The file is opened without waiting and refused unless it is a
// regular file, so that a FIFO (which would wait for a writer) or a device
// such as /dev/zero (which never ends) in its place fails at once; files
// larger than maxSize bytes are refused. Throws FileReadError.
std::string ReadWholeFile(const std::filesystem::path& file, uint64_t maxSize);

}  // namespace trovana::urlcache
