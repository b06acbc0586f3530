// SPDX-License-Identifier: GPL-3.0-or-later
#include "page.h"

#include "format.h"

#include <algorithm>

namespace trovana::ese {

// Page header: checksum (8), database time (8), previous page (4), next
// page (4), owning tree's object id (4), free bytes (2), uncommitted free
// bytes (2), first free offset (2), tag count (2), flags (4). Large pages
// add three block checksums (24), their own page number (8) and 8 unused.
Page::Page(std::string bytes, uint32_t number, PageGeometry geometry)
    : m_bytes(std::move(bytes)), m_number(number), m_geometry(geometry)
{
    m_problem = CheckPageChecksum(m_bytes, number, geometry);
    if (m_problem.empty() && geometry.LargePages() && ReadLE<uint32_t>(m_bytes, 64) != number)
        m_problem = "names itself page " + std::to_string(ReadLE<uint32_t>(m_bytes, 64));
}

bool Page::Blank() const
{
    return std::all_of(m_bytes.begin(), m_bytes.end(), [](char c) { return c == 0; });
}

uint32_t Page::Flags() const
{
    return ReadLE<uint32_t>(m_bytes, 36);
}

uint32_t Page::Previous() const
{
    return ReadLE<uint32_t>(m_bytes, 16);
}

uint32_t Page::Next() const
{
    return ReadLE<uint32_t>(m_bytes, 20);
}

uint32_t Page::ObjectId() const
{
    return ReadLE<uint32_t>(m_bytes, 24);
}

uint16_t Page::FreeSize() const
{
    return ReadLE<uint16_t>(m_bytes, 28);
}

uint16_t Page::FirstFreeOffset() const
{
    return ReadLE<uint16_t>(m_bytes, 32);
}

uint16_t Page::TagCount() const
{
    // Newer engines keep a reserved count in the top four bits.
    const uint16_t count = ReadLE<uint16_t>(m_bytes, 34) & 0x0fff;
    const size_t room = m_bytes.size() > m_geometry.HeaderSize() ? m_bytes.size() - m_geometry.HeaderSize() : 0;
    return static_cast<uint16_t>(std::min<size_t>(count, room / 4));
}

std::string_view Page::Body() const
{
    const size_t start = std::min<size_t>(m_geometry.HeaderSize(), m_bytes.size());
    const size_t tags = static_cast<size_t>(TagCount()) * 4;
    const size_t end = m_bytes.size() >= start + tags ? m_bytes.size() - tags : start;
    return std::string_view(m_bytes).substr(start, end - start);
}

std::optional<PageTag> Page::Tag(uint16_t index) const
{
    if (index >= TagCount())
        return std::nullopt;
    const size_t at = m_bytes.size() - 4 * (static_cast<size_t>(index) + 1);
    const uint16_t size = ReadLE<uint16_t>(m_bytes, at);
    const uint16_t offset = ReadLE<uint16_t>(m_bytes, at + 2);
    PageTag tag;
    tag.size = size & m_geometry.TagMask();
    tag.offset = offset & m_geometry.TagMask();
    if (static_cast<size_t>(tag.offset) + tag.size > Body().size())
        return std::nullopt;
    if (!m_geometry.LargePages())
        tag.flags = static_cast<uint8_t>(offset >> 13);
    else if (tag.size >= 2)
        tag.flags = static_cast<uint8_t>(static_cast<unsigned char>(TagData(tag)[1]) >> 5);
    return tag;
}

std::string_view Page::TagData(const PageTag& tag) const
{
    const std::string_view body = Body();
    if (tag.offset > body.size())
        return {};
    return body.substr(tag.offset, tag.size);
}

std::optional<Node> Page::NodeAt(uint16_t index) const
{
    const std::optional<PageTag> tag = index > 0 ? Tag(index) : std::nullopt;
    if (!tag)
        return std::nullopt;
    const std::string_view data = TagData(*tag);
    Node node;
    node.flags = tag->flags;
    size_t at = 0;
    // The first two bytes' top three bits are the flags on large pages.
    if (tag->flags & kTagCommonKey) {
        const std::optional<PageTag> head = Tag(0);
        const size_t common = ReadLE<uint16_t>(data, 0) & 0x1fff;
        if (data.size() < 2 || !head || common > head->size)
            return std::nullopt;
        node.key.assign(TagData(*head).substr(0, common));
        at = 2;
    }
    if (data.size() < at + 2)
        return std::nullopt;
    const size_t own = ReadLE<uint16_t>(data, at) & 0x1fff;
    at += 2;
    if (own > data.size() - at)
        return std::nullopt;
    node.key.append(data.substr(at, own));
    node.data = data.substr(at + own);
    return node;
}

}  // namespace trovana::ese
