// SPDX-License-Identifier: GPL-3.0-or-later
// One database page: its header, its checksums (the XOR form, and the ECC
// form of pages flagged with the new checksum, four of them on pages larger
// than 8 KiB, one per block), and its tags. A tag's offset and size count
// from the end of the page header (40 bytes, 80 on pages above 8 KiB); on
// such large pages a tag's flags are the top three bits of its data's first
// two bytes, on small pages the top three bits of the tag's offset field.
#pragma once

#include "format.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trovana::ese {

// What the page size decides about every page.
struct PageGeometry {
    uint32_t pageSize = 0;
    bool LargePages() const { return pageSize > 8192; }
    uint32_t HeaderSize() const { return LargePages() ? 80 : 40; }
    uint16_t TagMask() const { return LargePages() ? 0x7fff : 0x1fff; }
};

struct PageTag {
    uint16_t offset = 0;  // from the end of the page header
    uint16_t size = 0;
    uint8_t flags = 0;  // TagFlag bits
};

// A node: a tag's data split into its key and its value.
struct Node {
    std::string key;  // common prefix (from tag 0) and the node's own part
    // The rest: a record, a child page number, a long-value chunk; it points
    // into the page and lives as long as the page does.
    std::string_view data;
    uint8_t flags = 0;  // TagFlag bits
};

class Page {
public:
    // `bytes` is the whole physical page read as logical page `number`.
    Page(std::string bytes, uint32_t number, PageGeometry geometry);

    uint32_t Number() const { return m_number; }
    // Empty when the page's checksums hold and it names itself (large pages);
    // else why not: "fails its checksum".
    const std::string& Problem() const { return m_problem; }
    // True when every byte is zero (a page never written).
    bool Blank() const;

    uint32_t Flags() const;
    bool Is(PageFlag flag) const { return (Flags() & flag) != 0; }
    uint32_t Previous() const;
    uint32_t Next() const;
    uint32_t ObjectId() const;  // the tree (father data page object) it belongs to
    uint16_t FreeSize() const;
    uint16_t FirstFreeOffset() const;  // from the end of the header
    uint16_t TagCount() const;

    // Tag `index` (0 = the page's external header); none when it lies
    // outside the page or overlaps the tag array.
    std::optional<PageTag> Tag(uint16_t index) const;
    std::string_view TagData(const PageTag& tag) const;
    // The node of tag `index` (1 .. TagCount() - 1); none when its key does
    // not fit in its data.
    std::optional<Node> NodeAt(uint16_t index) const;

    // Everything after the header, up to the tag array.
    std::string_view Body() const;
    std::string_view Bytes() const { return m_bytes; }
    const PageGeometry& Geometry() const { return m_geometry; }

private:
    std::string m_bytes;
    uint32_t m_number;
    PageGeometry m_geometry;
    std::string m_problem;
};

// The checksum check alone: empty when it holds, else the reason.
std::string CheckPageChecksum(std::string_view bytes, uint32_t number, PageGeometry geometry);

// Writes the checksums `bytes` call for (in the new form when the page is
// large or flagged so, else the old): for tests and fuzzing seeds that
// make pages. The reader itself never writes.
void WritePageChecksums(std::string& bytes, uint32_t number, PageGeometry geometry);

}  // namespace trovana::ese
