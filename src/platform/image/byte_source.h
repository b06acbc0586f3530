// SPDX-License-Identifier: GPL-3.0-or-later
// A read-only range of bytes: an image file, a set of split image files, a
// block device, a partition inside one of those, a shadow copy. Each layer
// of an image (format, partition table, volume, snapshot) hands the next
// one of these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace trovana::image {

// A read that the bytes beneath could not give (an I/O error, a damaged
// segment); what() names what was read.
class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to `size` bytes at `offset`; fewer only at the end. Throws
    // ImageError when the bytes cannot be read.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
};

// Reads exactly `size` bytes or throws ImageError (a truncated image).
void ReadExactly(ByteSource& source, uint64_t offset, void* buffer, size_t size);
// Up to `size` bytes at `offset`, fewer at the end.
std::vector<uint8_t> ReadBytes(ByteSource& source, uint64_t offset, size_t size);

// `size` bytes of `parent` from `offset` on: a partition. Shares the parent.
std::shared_ptr<ByteSource> Slice(std::shared_ptr<ByteSource> parent, uint64_t offset, uint64_t size);

// `source` read through a small cache of recently read blocks (a fixed
// size, whatever the image's), so that the many small reads of a volume
// reader (one MFT entry at a time) become few large ones.
std::shared_ptr<ByteSource> Cached(std::shared_ptr<ByteSource> source);

// A raw image, a block device (read only), or the pieces of a split raw
// image (NAME.001, NAME.002, ... read one after the other when `path` is the
// first of them). Throws ImageError when the file cannot be opened.
std::shared_ptr<ByteSource> OpenRawImage(const std::filesystem::path& path);

// The files of a split image whose first piece is `first` (NAME.001, or
// NAME.E01 / NAME.S01 ...): the pieces that exist, in order; `first` alone
// when it is not the first of a set.
std::vector<std::filesystem::path> SplitPieces(const std::filesystem::path& first);

}  // namespace trovana::image

namespace trovana::image {

// Bytes held in memory: a test's disk, a fuzzer's input.
std::shared_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes);

}  // namespace trovana::image
