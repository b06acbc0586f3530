// SPDX-License-Identifier: GPL-3.0-or-later
// index.dat on disk: its identity stamp, reading it whole, writing changed
// ranges in place in order, and replacing it whole through a new file.
#pragma once

#include "byte_image.h"
#include "file_descriptor.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace trovana::urlcache {

// What tells one version of the file from another without reading it.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// True while the file's modification time is so recent that another change
// in the same clock tick would leave the stamp as it is.
bool IsRacy(const FileStamp& stamp);

// None when the file does not exist. Throws std::system_error on other errors.
std::optional<FileStamp> StampOfFile(const std::filesystem::path& file);
FileStamp StampOfDescriptor(int fd);
// The stamp of an open file that still has a name; none once it was
// removed or replaced by a rename (its link count is then 0).
std::optional<FileStamp> StampOfLinkedDescriptor(int fd);

struct LoadedIndex {
    ByteImage image;
    uint64_t realSize = 0;  // may exceed the image when the file is too large to be an index
    FileStamp stamp;
    fileio::FileDescriptor file;  // the file that was read, kept open to check it cheaply
};

// Reads the file whole (at most the largest possible index), reading again
// when it changed size meanwhile. None when it does not exist.
std::optional<LoadedIndex> ReadIndexFile(const std::filesystem::path& file);

// True when the header and bitmap on disk equal the image's: together with
// an unchanged stamp, the image still is the file.
bool HeadMatches(int fd, const ByteImage& image);
bool HeadMatches(const std::filesystem::path& file, const ByteImage& image);

// Called before each write with its offset and bytes; tests use it to replay
// a change write by write.
using WriteObserver = std::function<void(uint64_t offset, std::string_view bytes)>;

// Writes the image's changed ranges to the open file, one pwrite per step
// in step order, and clears the steps.
void FlushSteps(int fd, ByteImage& image, const WriteObserver& observer);

// Writes the image to a new file beside `file` (same owner and mode when
// `file` exists), syncs it, renames it over `file` and syncs the folder.
void ReplaceIndexFile(const std::filesystem::path& file, const ByteImage& image, int folderFd);

}  // namespace trovana::urlcache
