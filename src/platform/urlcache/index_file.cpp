// SPDX-License-Identifier: GPL-3.0-or-later
#include "index_file.h"

#include "layout.h"
#include "cache_types.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <ctime>
#include <system_error>
#include <utility>
#include <vector>

namespace trovana::urlcache {

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

FileStamp StampOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino, static_cast<uint64_t>(st.st_size),
            int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec,
            int64_t{st.st_ctim.tv_sec} * 1'000'000'000 + st.st_ctim.tv_nsec};
}

// Reads up to size bytes from offset; fewer only at the end of the file.
uint64_t ReadAt(int fd, uint8_t* out, uint64_t size, uint64_t offset, const std::string& name)
{
    uint64_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail("cannot read " + name);
        if (got == 0)
            break;
        done += static_cast<uint64_t>(got);
    }
    return done;
}

void WriteAt(int fd, const uint8_t* data, uint64_t size, uint64_t offset, const std::string& name)
{
    uint64_t done = 0;
    while (done < size) {
        const ssize_t put = pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            Fail("cannot write " + name);
        done += static_cast<uint64_t>(put);
    }
}

}  // namespace

std::optional<FileStamp> StampOfFile(const std::filesystem::path& file)
{
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        Fail("cannot examine " + file.string());
    }
    return StampOf(st);
}

std::optional<FileStamp> StampOfLinkedDescriptor(int fd)
{
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_nlink == 0)
        return std::nullopt;
    return StampOf(st);
}

FileStamp StampOfDescriptor(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0)
        Fail("cannot examine an open cache index");
    return StampOf(st);
}

bool IsRacy(const FileStamp& stamp)
{
    constexpr int64_t kWindowNs = 100'000'000;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const int64_t nowNs = int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
    return nowNs - stamp.mtimeNs < kWindowNs;
}

std::optional<LoadedIndex> ReadIndexFile(const std::filesystem::path& file)
{
    // Without waiting: a FIFO in its place would block the open.
    fileio::FileDescriptor fd = fileio::OpenForReading(file);
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        Fail("cannot open " + file.string());
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0)
        Fail("cannot examine " + file.string());
    if (!S_ISREG(st.st_mode))
        throw UrlCacheError(file.string() + ": not a regular file");
    // A running Wine may grow the file while we read; read again then.
    constexpr int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        const FileStamp before = StampOfDescriptor(fd.Get());
        ImageBytes bytes(std::min<uint64_t>(before.size, layout::kMaxFileSize));
        bytes.resize(ReadAt(fd.Get(), bytes.data(), bytes.size(), 0, file.string()));
        const FileStamp after = StampOfDescriptor(fd.Get());
        if ((after.size == before.size && bytes.size() == std::min(after.size, layout::kMaxFileSize)) ||
            attempt == kTries)
            return LoadedIndex{ByteImage(std::move(bytes)), after.size, after, std::move(fd)};
    }
}

bool HeadMatches(int fd, const ByteImage& image)
{
    const uint64_t size = std::min<uint64_t>(image.Size(), layout::kBlockArea);
    std::vector<uint8_t> head(size);
    if (ReadAt(fd, head.data(), size, 0, "the cache index") != size)
        return false;
    return std::memcmp(head.data(), image.Bytes().data(), size) == 0;
}

bool HeadMatches(const std::filesystem::path& file, const ByteImage& image)
{
    fileio::FileDescriptor fd = fileio::OpenForReading(file);
    return fd.Get() >= 0 && HeadMatches(fd.Get(), image);
}

void FlushSteps(int fd, ByteImage& image, const WriteObserver& observer)
{
    for (const ChangedRange& step : image.Steps()) {
        const uint64_t length = step.end - step.begin;
        if (observer)
            observer(step.begin, image.View(step.begin, length));
        WriteAt(fd, image.Bytes().data() + step.begin, length, step.begin, "the cache index");
    }
    image.ClearSteps();
}

void ReplaceIndexFile(const std::filesystem::path& file, const ByteImage& image, int folderFd)
{
    std::string pattern = file.string() + ".new-XXXXXX";
    fileio::FileDescriptor fd(mkstemp(pattern.data()));
    if (fd.Get() < 0)
        Fail("cannot create a new cache index beside " + file.string());
    try {
        struct stat old {};
        if (stat(file.c_str(), &old) == 0) {
            // Keep the owner (possible only when allowed) and the mode.
            if (fchown(fd.Get(), old.st_uid, old.st_gid) != 0 && errno != EPERM)
                Fail("cannot set the owner of " + pattern);
            if (fchmod(fd.Get(), old.st_mode & 07777) != 0)
                Fail("cannot set the mode of " + pattern);
        } else if (fchmod(fd.Get(), 0644) != 0) {
            Fail("cannot set the mode of " + pattern);
        }
        WriteAt(fd.Get(), image.Bytes().data(), image.Size(), 0, pattern);
        if (fsync(fd.Get()) != 0)
            Fail("cannot sync " + pattern);
        if (rename(pattern.c_str(), file.c_str()) != 0)
            Fail("cannot replace " + file.string());
    } catch (...) {
        unlink(pattern.c_str());
        throw;
    }
    if (fsync(folderFd) != 0)
        Fail("cannot sync the folder of " + file.string());
}

}  // namespace trovana::urlcache
