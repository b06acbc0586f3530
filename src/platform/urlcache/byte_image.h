// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of one index.dat in memory. Every read is bounds-checked with
// 64-bit arithmetic; every write is remembered as part of a numbered step so
// that an in-place flush can repeat the changes on disk in the same order.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

// A read or write outside the image. The parser checks ranges before it
// reads, so this only fires on a bug; it never lets memory be touched.
class OutOfImage : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// One contiguous range of changed bytes, written to disk with one pwrite.
struct ChangedRange {
    uint64_t begin = 0;
    uint64_t end = 0;
};

class ByteImage {
public:
    ByteImage() = default;
    explicit ByteImage(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    uint64_t Size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    // True when [offset, offset + length) lies inside the image.
    bool Fits(uint64_t offset, uint64_t length) const
    {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }

    uint8_t U8(uint64_t offset) const { return static_cast<uint8_t>(Read(offset, 1)); }
    uint16_t U16(uint64_t offset) const { return static_cast<uint16_t>(Read(offset, 2)); }
    uint32_t U32(uint64_t offset) const { return static_cast<uint32_t>(Read(offset, 4)); }
    uint64_t U64(uint64_t offset) const { return Read(offset, 8); }
    std::string_view View(uint64_t offset, uint64_t length) const;
    // The NUL-terminated string at offset when its NUL lies before limit
    // (and inside the image).
    std::optional<std::string_view> CString(uint64_t offset, uint64_t limit) const;

    void Put8(uint64_t offset, uint8_t value) { Write(offset, value, 1); }
    void Put16(uint64_t offset, uint16_t value) { Write(offset, value, 2); }
    void Put32(uint64_t offset, uint32_t value) { Write(offset, value, 4); }
    void Put64(uint64_t offset, uint64_t value) { Write(offset, value, 8); }
    void PutBytes(uint64_t offset, std::string_view bytes);

    // Later writes belong to a new step. Each step is flushed as one range
    // covering everything it changed, after all earlier steps.
    void NextStep() { m_stepOpen = false; }
    const std::vector<ChangedRange>& Steps() const { return m_steps; }
    void ClearSteps()
    {
        m_steps.clear();
        m_stepOpen = false;
    }
    // Grows the image with zero bytes (growth is never flushed in place).
    void Resize(uint64_t size);

private:
    uint64_t Read(uint64_t offset, unsigned width) const;
    void Write(uint64_t offset, uint64_t value, unsigned width);
    void Touch(uint64_t offset, uint64_t length);

    std::vector<uint8_t> m_bytes;
    std::vector<ChangedRange> m_steps;
    bool m_stepOpen = false;
};

}  // namespace trovana::urlcache
