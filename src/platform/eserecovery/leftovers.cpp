// SPDX-License-Identifier: GPL-3.0-or-later
#include "leftovers.h"

#include <algorithm>

#include "format.h"

namespace trovana::eserecovery {
namespace {

// The smallest record worth carving: a header and one fixed value.
constexpr size_t kMinimumRecord = 6;
// The longest key a node carries before its record (the engine's limit).
constexpr size_t kMaximumKey = 2000;

struct Range {
    size_t begin;
    size_t end;
};

// The parts of the page's body that no tag covers.
std::vector<Range> Uncovered(const ese::Page& page)
{
    const size_t size = page.Body().size();
    std::vector<Range> covered;
    for (uint16_t i = 0; i < page.TagCount(); ++i) {
        if (auto tag = page.Tag(i); tag && tag->size > 0)
            covered.push_back({tag->offset, std::min<size_t>(size, size_t{tag->offset} + tag->size)});
    }
    std::sort(covered.begin(), covered.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    std::vector<Range> gaps;
    size_t at = 0;
    for (const Range& range : covered) {
        if (range.begin > at)
            gaps.push_back({at, range.begin});
        at = std::max(at, range.end);
    }
    if (at < size)
        gaps.push_back({at, size});
    return gaps;
}

// Where the record before a node starting at `next` ends: nodes lie one
// after the other, each a key length (with the node's flags in its top
// bits, and before it a shared-prefix length when the node has one), its
// key, then its record.
size_t EndBeforeNode(std::string_view body, size_t begin, size_t next)
{
    for (size_t keyLength = 0; keyLength <= kMaximumKey && next >= begin + 2 + keyLength; ++keyLength) {
        const size_t at = next - keyLength - 2;
        const uint16_t value = ese::ReadLE<uint16_t>(body, at);
        if ((value & 0x1fff) != keyLength || at < begin + kMinimumRecord)
            continue;
        const bool sharedPrefix = at >= 2 && (ese::ReadLE<uint16_t>(body, at - 2) >> 13) & ese::kTagCommonKey;
        return sharedPrefix && at - 2 >= begin + kMinimumRecord ? at - 2 : at;
    }
    return next;
}

// Where a record's fixed data ends when `lastFixed` is its last fixed
// column: after the header, the values and the null bitmap.
size_t EndOfFixed(const ese::Column& lastFixed)
{
    return 4 + size_t{lastFixed.fixedOffset} + lastFixed.size + (lastFixed.id + 7) / 8;
}

bool VariableIdFits(const ese::Table& table, unsigned lastVariable)
{
    if (lastVariable + 1 < ese::kFirstVariableColumn || lastVariable >= ese::kFirstTaggedColumn)
        return false;
    return lastVariable < ese::kFirstVariableColumn || table.FindId(lastVariable) != nullptr;
}

// A freed node's first bytes are often written over (the page's free list
// keeps its own values there), which takes the record's first byte, its
// last fixed column id. The end of the fixed data, two bytes on, still
// names it: the one id whose columns end there.
uint8_t LastFixedForEnd(const ese::Table& table, std::string_view bytes)
{
    if (bytes.size() < 4 || !VariableIdFits(table, static_cast<unsigned char>(bytes[1])))
        return 0;
    const uint16_t endFixed = ese::ReadLE<uint16_t>(bytes, 2);
    if (endFixed > bytes.size())
        return 0;
    uint8_t found = 0;
    for (const ese::Column& column : table.columns) {
        if (column.Fixed() && EndOfFixed(column) == endFixed)
            found = found == 0 ? static_cast<uint8_t>(column.id) : 0xFF;
    }
    return found == 0xFF ? 0 : found;
}

// Where a record's variable-size values end, by its header and the end
// offsets of those values; 0 when they do not add up within `bytes`. No
// other record starts before there.
size_t EndOfVariable(std::string_view bytes)
{
    const unsigned lastVariable = static_cast<unsigned char>(bytes[1]);
    const size_t endFixed = ese::ReadLE<uint16_t>(bytes, 2);
    const size_t count = lastVariable >= ese::kFirstVariableColumn ? lastVariable - ese::kFirstVariableColumn + 1 : 0;
    const size_t values = endFixed + 2 * count;
    size_t end = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t valueEnd = ese::ReadLE<uint16_t>(bytes, endFixed + 2 * i) & 0x7fff;
        if (valueEnd < end)
            return 0;
        end = valueEnd;
    }
    return values + end <= bytes.size() ? values + end : 0;
}

void CarveRange(const ese::Table& table, const ese::Page& page, const Range& range, std::vector<Leftover>& out)
{
    const std::string_view body = page.Body();
    // Record starts, each with the last fixed column id it has (0: its own
    // first byte holds it).
    std::vector<std::pair<size_t, uint8_t>> starts;
    size_t inside = range.begin;  // the end of the last start's variable values
    for (size_t at = range.begin; at + kMinimumRecord <= range.end; ++at) {
        const std::string_view rest = body.substr(at, range.end - at);
        if (at < inside)
            continue;  // a header's look-alike among a record's values
        if (FitsRecordHeader(table, rest))
            starts.emplace_back(at, 0);
        else if (const uint8_t lastFixed = LastFixedForEnd(table, rest))
            starts.emplace_back(at, lastFixed);
        else
            continue;
        inside = at + EndOfVariable(rest);
    }
    for (size_t i = 0; i < starts.size(); ++i) {
        const size_t begin = starts[i].first;
        const size_t end = i + 1 < starts.size() ? EndBeforeNode(body, begin, starts[i + 1].first) : range.end;
        Leftover leftover;
        leftover.source = LeftoverSource::FreeSpace;
        leftover.page = page.Number();
        leftover.pageOffset = static_cast<uint32_t>(page.Geometry().HeaderSize() + begin);
        leftover.data = std::string(body.substr(begin, end - begin));
        if (starts[i].second != 0)
            leftover.data[0] = static_cast<char>(starts[i].second);
        out.push_back(std::move(leftover));
    }
}

}  // namespace

bool FitsRecordHeader(const ese::Table& table, std::string_view bytes)
{
    if (bytes.size() < 4)
        return false;
    const unsigned lastFixed = static_cast<unsigned char>(bytes[0]);
    const unsigned lastVariable = static_cast<unsigned char>(bytes[1]);
    if (lastFixed == 0 || lastFixed >= ese::kFirstVariableColumn || !VariableIdFits(table, lastVariable))
        return false;
    const ese::Column* fixed = table.FindId(lastFixed);
    if (!fixed || !fixed->Fixed())
        return false;
    const size_t endFixed = EndOfFixed(*fixed);
    return ese::ReadLE<uint16_t>(bytes, 2) == endFixed && endFixed <= bytes.size();
}

std::vector<Leftover> PageLeftovers(const ese::Table& table, const ese::Page& page, bool reached)
{
    std::vector<Leftover> out;
    if (page.Is(ese::kPageLeaf)) {
        for (uint16_t i = 1; i < page.TagCount(); ++i) {
            const auto node = page.NodeAt(i);
            if (!node)
                continue;
            const bool deleted = (node->flags & ese::kTagDeleted) != 0;
            if (!deleted && reached)
                continue;
            Leftover leftover;
            leftover.source = deleted ? LeftoverSource::DeletedTag : LeftoverSource::UnusedPage;
            leftover.page = page.Number();
            leftover.tag = i;
            const size_t inBody = static_cast<size_t>(node->data.data() - page.Body().data());
            leftover.pageOffset = static_cast<uint32_t>(page.Geometry().HeaderSize() + inBody);
            leftover.data = std::string(node->data);
            out.push_back(std::move(leftover));
        }
    }
    for (const Range& range : Uncovered(page))
        CarveRange(table, page, range, out);
    return out;
}

}  // namespace trovana::eserecovery
