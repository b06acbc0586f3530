// SPDX-License-Identifier: GPL-3.0-or-later
// What every part of the ESE reader shares: its error, little-endian reads
// that never leave the bytes they are given, and the format's constants.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace trovana::ese {

// A database, page or value that cannot be read; what() says which and why.
class EseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A page that cannot be used (outside the file, failing its checksum, not
// the page it should be); what() names it: "page 426 fails its checksum".
class PageError : public EseError {
public:
    PageError(uint32_t page, const std::string& reason)
        : EseError("page " + std::to_string(page) + " " + reason), m_page(page)
    {
    }
    uint32_t Page() const { return m_page; }

private:
    uint32_t m_page;
};

// Little-endian integers at `offset`; 0 when they do not fit in `bytes`.
template <typename T>
T ReadLE(std::string_view bytes, size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        return 0;
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i));
    return value;
}

inline constexpr uint32_t kSignature = 0x89abcdef;
// The catalogue's tree: its root page is always page 4.
inline constexpr uint32_t kCatalogueRoot = 4;

// Page flags.
enum PageFlag : uint32_t {
    kPageRoot = 0x1,
    kPageLeaf = 0x2,
    kPageParentOfLeaf = 0x4,
    kPageEmpty = 0x8,
    kPageSpaceTree = 0x20,
    kPageIndex = 0x40,
    kPageLongValue = 0x80,
    kPageNewRecordFormat = 0x800,
    kPageNewChecksum = 0x2000,
};

// Flags of a page tag (of its node).
enum TagFlag : uint8_t {
    kTagVersion = 0x1,
    kTagDeleted = 0x2,
    kTagCommonKey = 0x4,  // the key starts with a prefix shared with tag 0
};

// Column types (JET_coltyp).
enum class ColumnType : uint32_t {
    Nil = 0,
    Bit = 1,
    UnsignedByte = 2,
    Short = 3,
    Long = 4,
    Currency = 5,
    IEEESingle = 6,
    IEEEDouble = 7,
    DateTime = 8,
    Binary = 9,
    Text = 10,
    LongBinary = 11,
    LongText = 12,
    SLV = 13,
    UnsignedLong = 14,
    LongLong = 15,
    Guid = 16,
    UnsignedShort = 17,
};

// Code pages of text columns.
inline constexpr uint32_t kCodePageUtf16 = 1200;
inline constexpr uint32_t kCodePageWestern = 1252;
inline constexpr uint32_t kCodePageAscii = 20127;

}  // namespace trovana::ese
