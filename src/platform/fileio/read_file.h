// SPDX-License-Identifier: GPL-3.0-or-later
// Reading files that come from outside the program (a cache, a game
// launcher's settings, the user's configuration) whole, without the ways a
// hostile file can make that hang or never end: only regular files are
// opened, without waiting, and a size limit bounds what is read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "file_descriptor.h"

namespace trovana::fileio {

enum class FileRead {
    Read,        // the whole file
    Missing,     // nothing there, or a folder
    NotRegular,  // a FIFO, socket or device: not opened for reading
    TooLarge,    // larger than the limit: the bytes hold the first `limit`
    Failed,      // it could not be opened or read (errno says why)
};

// Opens the regular file at path for reading, and gives its size. A FIFO,
// socket or device is NotRegular and is not opened (a device's open alone
// may have effects); the name is checked again once open, as it may have
// been replaced meanwhile.
FileRead OpenRegularFile(const std::filesystem::path& path, FileDescriptor& file, uint64_t& size);

// Reads the regular file at path to its end in pieces of at most 64 KiB,
// handing each to take (retrying reads that a signal interrupted), so that
// a disk image is read without holding it whole. take returns false to stop:
// the result is then TooLarge.
FileRead ReadRegularFileInPieces(const std::filesystem::path& path,
                                 const std::function<bool(std::string_view)>& take);

// Reads the regular file at path to its end into bytes (retrying reads that
// a signal interrupted). Its size is only a hint: the file may grow while it
// is read, and files in /proc say 0.
FileRead ReadRegularFile(const std::filesystem::path& path, uint64_t limit, std::string& bytes);

// Why ReadWholeFile failed; what() names the file.
class FileReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of the regular file at path; anything else (missing, not a
// regular file, larger than maxSize, unreadable) throws FileReadError.
std::string ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize);

// The bytes of a small text file of settings, or empty when it cannot be
// read whole as a regular file of at most maxSize bytes.
std::string ReadSettingsFile(const std::filesystem::path& path, uint64_t maxSize = 1 << 20);

}  // namespace trovana::fileio
