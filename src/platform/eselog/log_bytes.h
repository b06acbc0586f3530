// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian reads out of a byte range that never step past its end: an
// out-of-range read gives zero and marks the reader as short, so that a
// damaged length is noticed once instead of checked at every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trovana::eselog {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes, size_t offset = 0) : bytes_(bytes), offset_(offset) {}

    uint8_t U8() { return static_cast<uint8_t>(Take(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Take(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Take(4)); }
    uint64_t U64() { return Take(8); }
    void Skip(size_t count)
    {
        if (count > Left()) {
            short_ = true;
            offset_ = bytes_.size();
        } else {
            offset_ += count;
        }
    }
    std::span<const uint8_t> Bytes(size_t count)
    {
        if (count > Left()) {
            short_ = true;
            offset_ = bytes_.size();
            return {};
        }
        auto part = bytes_.subspan(offset_, count);
        offset_ += count;
        return part;
    }
    size_t Offset() const { return offset_; }
    size_t Left() const { return offset_ < bytes_.size() ? bytes_.size() - offset_ : 0; }
    bool Short() const { return short_; }

private:
    uint64_t Take(size_t count)
    {
        if (count > Left()) {
            short_ = true;
            offset_ = bytes_.size();
            return 0;
        }
        uint64_t value = 0;
        for (size_t i = 0; i < count; ++i)
            value |= uint64_t{bytes_[offset_ + i]} << (8 * i);
        offset_ += count;
        return value;
    }

    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
    bool short_ = false;
};

}  // namespace trovana::eselog
