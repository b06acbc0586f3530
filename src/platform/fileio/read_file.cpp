// SPDX-License-Identifier: GPL-3.0-or-later
#include "read_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trovana::fileio {

FileRead OpenRegularFile(const std::filesystem::path& path, FileDescriptor& file, uint64_t& size)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    if (S_ISDIR(st.st_mode))
        return FileRead::Missing;
    if (!S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    FileDescriptor opened = OpenForReading(path);
    if (!opened.Valid())
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    if (::fstat(opened.Get(), &st) != 0)
        return FileRead::Failed;
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? FileRead::Missing : FileRead::NotRegular;
    file = std::move(opened);
    size = static_cast<uint64_t>(st.st_size);
    return FileRead::Read;
}

FileRead ReadRegularFileInPieces(const std::filesystem::path& path,
                                 const std::function<bool(std::string_view)>& take)
{
    FileDescriptor file;
    uint64_t size = 0;
    if (const FileRead opened = OpenRegularFile(path, file, size); opened != FileRead::Read)
        return opened;
    std::string buffer(65536, '\0');
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileRead::Failed;
        if (got == 0)
            return FileRead::Read;
        if (!take(std::string_view(buffer.data(), static_cast<size_t>(got))))
            return FileRead::TooLarge;
    }
}

FileRead ReadRegularFile(const std::filesystem::path& path, uint64_t limit, std::string& bytes)
{
    bytes.clear();
    std::error_code ignored;
    const uint64_t hint = std::filesystem::file_size(path, ignored);
    if (hint != static_cast<uint64_t>(-1))
        bytes.reserve(static_cast<size_t>(std::min(hint, limit)));
    const FileRead result = ReadRegularFileInPieces(path, [&](std::string_view piece) {
        const auto room = static_cast<size_t>(limit - bytes.size());
        bytes.append(piece.substr(0, room));
        return piece.size() <= room;
    });
    if (result == FileRead::Failed) {
        const int error = errno;
        bytes.clear();
        errno = error;
    }
    return result;
}

std::string ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize)
{
    std::string bytes;
    const FileRead result = ReadRegularFile(path, maxSize, bytes);
    const int error = errno;
    std::string problem;
    std::error_code ignored;
    switch (result) {
    case FileRead::Read: return bytes;
    case FileRead::Missing:
        if (!std::filesystem::is_directory(path, ignored)) {
            problem = std::string("cannot be read (") + std::strerror(ENOENT) + ")";
            break;
        }
        [[fallthrough]];
    case FileRead::NotRegular: problem = "is not a regular file"; break;
    case FileRead::TooLarge: problem = "is larger than " + std::to_string(maxSize) + " bytes"; break;
    case FileRead::Failed: problem = std::string("cannot be read (") + std::strerror(error) + ")"; break;
    }
    throw FileReadError(path.string() + ": " + problem);
}

std::string ReadSettingsFile(const std::filesystem::path& path, uint64_t maxSize)
{
    std::string bytes;
    if (ReadRegularFile(path, maxSize, bytes) != FileRead::Read)
        bytes.clear();
    return bytes;
}

}  // namespace trovana::fileio
