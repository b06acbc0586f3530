// SPDX-License-Identifier: GPL-3.0-or-later
#include "byte_image.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include <sys/mman.h>

namespace trovana::urlcache {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// Whole huge pages: a tail in 4 KB pages would cost a page fault each, and
// on a virtual machine a fault costs ten microseconds or more (a 16 MB index
// ends with 1.5 MB of them); the last huge page's unused part, at most 2 MB,
// is cheaper than that.
size_t MappedLength(size_t bytes)
{
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* AllocateImage(size_t bytes)
{
    if (bytes < kHugePage)
        return ::operator new(bytes);
    // Map a huge page more than needed, then give back the unaligned head
    // and what lies beyond the image, so that the image starts on a huge
    // page boundary and takes no more memory than its own pages.
    const size_t length = MappedLength(bytes);
    void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<char*>(mapped);
    auto* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
    if (aligned > start)
        munmap(start, static_cast<size_t>(aligned - start));
    munmap(aligned + length, static_cast<size_t>(start + kHugePage - aligned));
    madvise(aligned, length, MADV_HUGEPAGE);  // only advice: without huge pages the image works as well
    return aligned;
}

void FreeImage(void* memory, size_t bytes) noexcept
{
    if (bytes < kHugePage)
        ::operator delete(memory);
    else if (memory)
        munmap(memory, MappedLength(bytes));
}

void ByteImage::ThrowOutOfImage()
{
    throw OutOfImage("read outside the cache index image");
}

std::string_view ByteImage::View(uint64_t offset, uint64_t length) const
{
    if (!Fits(offset, length))
        throw OutOfImage("read outside the cache index image");
    return {reinterpret_cast<const char*>(m_bytes.data()) + offset, length};
}

std::optional<std::string_view> ByteImage::CString(uint64_t offset, uint64_t limit) const
{
    limit = std::min<uint64_t>(limit, m_bytes.size());
    if (offset >= limit)
        return std::nullopt;
    const auto* begin = m_bytes.data() + offset;
    const auto* nul = static_cast<const uint8_t*>(std::memchr(begin, 0, limit - offset));
    if (!nul)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(nul - begin));
}

void ByteImage::Write(uint64_t offset, uint64_t value, unsigned width)
{
    if (!Fits(offset, width))
        throw OutOfImage("write outside the cache index image");
    std::memcpy(m_bytes.data() + offset, &value, width);
    Touch(offset, width);
}

void ByteImage::PutBytes(uint64_t offset, std::string_view bytes)
{
    if (!Fits(offset, bytes.size()))
        throw OutOfImage("write outside the cache index image");
    std::memcpy(m_bytes.data() + offset, bytes.data(), bytes.size());
    Touch(offset, bytes.size());
}

void ByteImage::Touch(uint64_t offset, uint64_t length)
{
    if (length == 0)
        return;
    if (!m_stepOpen) {
        m_steps.push_back({offset, offset + length});
        m_stepOpen = true;
        return;
    }
    auto& step = m_steps.back();
    step.begin = std::min(step.begin, offset);
    step.end = std::max(step.end, offset + length);
}

void ByteImage::Resize(uint64_t size)
{
    m_bytes.resize(size, 0);
}

}  // namespace trovana::urlcache
