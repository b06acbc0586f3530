// SPDX-License-Identifier: GPL-3.0-or-later
#include "byte_source.h"

#include "file_descriptor.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trovana::image {

namespace fs = std::filesystem;

void ReadExactly(ByteSource& source, uint64_t offset, void* buffer, size_t size)
{
    if (source.ReadAt(offset, buffer, size) != size) {
        throw ImageError("the image ends at byte " + std::to_string(source.Size()) + ", before byte " +
                         std::to_string(offset + size));
    }
}

std::vector<uint8_t> ReadBytes(ByteSource& source, uint64_t offset, size_t size)
{
    std::vector<uint8_t> bytes(size);
    bytes.resize(source.ReadAt(offset, bytes.data(), size));
    return bytes;
}

namespace {

class SliceSource : public ByteSource {
public:
    SliceSource(std::shared_ptr<ByteSource> parent, uint64_t offset, uint64_t size)
        : m_parent(std::move(parent)), m_offset(offset), m_size(size)
    {
    }
    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset >= m_size) {
            return 0;
        }
        size = static_cast<size_t>(std::min<uint64_t>(size, m_size - offset));
        return m_parent->ReadAt(m_offset + offset, buffer, size);
    }

private:
    std::shared_ptr<ByteSource> m_parent;
    uint64_t m_offset;
    uint64_t m_size;
};

// Direct-mapped: block n sits in slot n % kSlots.
class CachedSource : public ByteSource {
public:
    explicit CachedSource(std::shared_ptr<ByteSource> source) : m_source(std::move(source)) {}
    uint64_t Size() const override { return m_source->Size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (size >= kBlock) {
            return m_source->ReadAt(offset, buffer, size);
        }
        auto* out = static_cast<uint8_t*>(buffer);
        size_t done = 0;
        while (done < size) {
            const uint64_t at = offset + done;
            const Slot& slot = Load(at / kBlock);
            const size_t within = static_cast<size_t>(at % kBlock);
            if (within >= slot.bytes.size()) {
                break;  // the end of the image
            }
            const size_t n = std::min(size - done, slot.bytes.size() - within);
            std::memcpy(out + done, slot.bytes.data() + within, n);
            done += n;
        }
        return done;
    }

private:
    static constexpr size_t kBlock = 64 * 1024;
    static constexpr size_t kSlots = 16;
    struct Slot {
        uint64_t block = UINT64_MAX;
        std::vector<uint8_t> bytes;
    };

    const Slot& Load(uint64_t block)
    {
        Slot& slot = m_slots[block % kSlots];
        if (slot.block != block) {
            slot.block = UINT64_MAX;  // a read that throws leaves no stale block
            slot.bytes = ReadBytes(*m_source, block * kBlock, kBlock);
            slot.block = block;
        }
        return slot;
    }

    std::shared_ptr<ByteSource> m_source;
    Slot m_slots[kSlots];
};

struct Piece {
    fileio::FileDescriptor fd;
    uint64_t start = 0;
    uint64_t size = 0;
    fs::path path;
};

// Files read one after the other as one range of bytes.
class PiecesSource : public ByteSource {
public:
    explicit PiecesSource(std::vector<Piece> pieces) : m_pieces(std::move(pieces))
    {
        for (const Piece& piece : m_pieces) {
            m_size += piece.size;
        }
    }
    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        size_t done = 0;
        auto* out = static_cast<uint8_t*>(buffer);
        for (const Piece& piece : m_pieces) {
            if (done == size) {
                break;
            }
            const uint64_t at = offset + done;
            if (at < piece.start || at >= piece.start + piece.size) {
                continue;
            }
            const size_t want = static_cast<size_t>(std::min<uint64_t>(size - done, piece.start + piece.size - at));
            size_t got = 0;
            while (got < want) {
                const ssize_t n = ::pread(piece.fd.Get(), out + done + got, want - got,
                                          static_cast<off_t>(at - piece.start + got));
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n < 0) {
                    throw ImageError(piece.path.string() + ": cannot be read: " + std::strerror(errno));
                }
                if (n == 0) {
                    // The file shrank under us: what is left reads as missing.
                    return done + got;
                }
                got += static_cast<size_t>(n);
            }
            done += got;
        }
        return done;
    }

private:
    std::vector<Piece> m_pieces;
    uint64_t m_size = 0;
};

Piece OpenPiece(const fs::path& path, uint64_t start)
{
    Piece piece{fileio::OpenForReading(path), start, 0, path};
    if (!piece.fd.Valid()) {
        throw ImageError(path.string() + ": cannot be opened: " + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(piece.fd.Get(), &status) != 0) {
        throw ImageError(path.string() + ": cannot be read: " + std::strerror(errno));
    }
    if (S_ISBLK(status.st_mode)) {
        uint64_t bytes = 0;
        if (::ioctl(piece.fd.Get(), BLKGETSIZE64, &bytes) != 0) {
            throw ImageError(path.string() + ": the device's size cannot be read: " + std::strerror(errno));
        }
        piece.size = bytes;
    } else if (S_ISREG(status.st_mode)) {
        piece.size = static_cast<uint64_t>(status.st_size);
    } else {
        throw ImageError(path.string() + ": neither an image file nor a block device");
    }
    return piece;
}

// "001" -> "002", "E01" -> "E02", "E99" -> "EAA" as EnCase names them;
// empty after the last.
std::string NextNumber(const std::string& extension)
{
    std::string next = extension;
    for (size_t i = next.size(); i-- > 0;) {
        char& c = next[i];
        if (c >= '0' && c < '9') {
            ++c;
            return next;
        }
        if (c == '9') {
            c = '0';
            continue;
        }
        return {};
    }
    return {};
}

class BytesSource : public ByteSource {
public:
    explicit BytesSource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    uint64_t Size() const override { return m_bytes.size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset >= m_bytes.size()) {
            return 0;
        }
        size = std::min<size_t>(size, m_bytes.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, m_bytes.data() + offset, size);
        return size;
    }

private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace

std::shared_ptr<ByteSource> Cached(std::shared_ptr<ByteSource> source)
{
    return std::make_shared<CachedSource>(std::move(source));
}

std::shared_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes)
{
    return std::make_shared<BytesSource>(std::move(bytes));
}

std::shared_ptr<ByteSource> Slice(std::shared_ptr<ByteSource> parent, uint64_t offset, uint64_t size)
{
    const uint64_t total = parent->Size();
    offset = std::min(offset, total);
    size = std::min(size, total - offset);
    return std::make_shared<SliceSource>(std::move(parent), offset, size);
}

std::vector<fs::path> SplitPieces(const fs::path& first)
{
    std::vector<fs::path> pieces = {first};
    std::string extension = first.extension().string();
    if (extension.size() < 2 || extension.back() != '1' ||
        !std::all_of(extension.begin() + 1, extension.end() - 1, [](char c) { return c == '0' || std::isalpha(c); })) {
        return pieces;
    }
    extension.erase(0, 1);
    // Bounded: a thousand pieces is more than any tool writes.
    for (int i = 0; i < 1000; ++i) {
        extension = NextNumber(extension);
        if (extension.empty()) {
            break;
        }
        fs::path next = first;
        next.replace_extension(extension);
        std::error_code error;
        if (!fs::is_regular_file(next, error)) {
            break;
        }
        pieces.push_back(next);
    }
    return pieces;
}

std::shared_ptr<ByteSource> OpenRawImage(const fs::path& path)
{
    std::vector<Piece> pieces;
    uint64_t start = 0;
    const std::string extension = path.extension().string();
    const bool split = extension.size() == 4 && extension.find_first_not_of("0123456789", 1) == std::string::npos;
    for (const fs::path& piece : split ? SplitPieces(path) : std::vector<fs::path>{path}) {
        pieces.push_back(OpenPiece(piece, start));
        start += pieces.back().size;
    }
    return std::make_shared<PiecesSource>(std::move(pieces));
}

}  // namespace trovana::image
