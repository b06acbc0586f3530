// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of one index.dat in memory. Every read is bounds-checked with
// 64-bit arithmetic; every write is remembered as part of a numbered step so
// that an in-place flush can repeat the changes on disk in the same order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace trovana::urlcache {

// Memory for an index image. Large images are mapped on their own, aligned
// for the kernel's huge pages where it offers them: a 16 MB index then takes
// a few hundred page faults instead of four thousand when it is read, and a
// walk of its records, which jumps about the whole file, misses the TLB far
// less.
// Those two were about half of a listing's time.
void* AllocateImage(size_t bytes);
void FreeImage(void* memory, size_t bytes) noexcept;

// Leaves the elements a vector adds without a value uninitialised: a buffer
// that a read fills at once need not be zeroed first (for a 16 MB index that
// was a fifth of a listing's time).
template <class T>
class UninitialisedAllocator : public std::allocator<T> {
public:
    using value_type = T;
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept
    {
    }
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    T* allocate(size_t count)
    {
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateImage(count * sizeof(T)));
    }
    void deallocate(T* p, size_t count) noexcept { FreeImage(p, count * sizeof(T)); }
};

// The bytes of an index file; new ones are not zeroed.
using ImageBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

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
    explicit ByteImage(ImageBytes bytes) : m_bytes(std::move(bytes)) {}
    explicit ByteImage(const std::vector<uint8_t>& bytes) : m_bytes(bytes.begin(), bytes.end()) {}

    uint64_t Size() const { return m_bytes.size(); }
    const ImageBytes& Bytes() const { return m_bytes; }
    // True when [offset, offset + length) lies inside the image.
    bool Fits(uint64_t offset, uint64_t length) const
    {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }

    uint8_t U8(uint64_t offset) const { return Read<uint8_t>(offset); }
    uint16_t U16(uint64_t offset) const { return Read<uint16_t>(offset); }
    uint32_t U32(uint64_t offset) const { return Read<uint32_t>(offset); }
    uint64_t U64(uint64_t offset) const { return Read<uint64_t>(offset); }
    std::string_view View(uint64_t offset, uint64_t length) const;
    // Asks the processor to fetch the bytes at offset into its cache (no
    // effect outside the image): a walk that knows where it goes next need
    // not wait for memory there.
    void Prefetch(uint64_t offset) const
    {
        if (offset < m_bytes.size())
            __builtin_prefetch(m_bytes.data() + offset);
    }
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
    // Inline with a fixed width, so that each read is a load and not a call
    // (a listing makes millions). The format is little-endian, as is every
    // host Trovana builds for.
    template <class T>
    T Read(uint64_t offset) const
    {
        static_assert(std::endian::native == std::endian::little);
        if (!Fits(offset, sizeof(T)))
            ThrowOutOfImage();
        T value;
        std::memcpy(&value, m_bytes.data() + offset, sizeof(T));
        return value;
    }
    [[noreturn]] static void ThrowOutOfImage();
    void Write(uint64_t offset, uint64_t value, unsigned width);
    void Touch(uint64_t offset, uint64_t length);

    ImageBytes m_bytes;
    std::vector<ChangedRange> m_steps;
    bool m_stepOpen = false;
};

}  // namespace trovana::urlcache
