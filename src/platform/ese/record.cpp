// SPDX-License-Identifier: GPL-3.0-or-later
// Record layout: last fixed column id (1), last variable column id (1),
// end of the fixed data (2); the fixed values in id order, then a bitmap of
// their nulls; one end offset (2) per variable column, top bit = null,
// then their values; then the tagged columns: an array of (id 2, offset 2)
// and their values, each (on large pages always, on small ones when the
// offset says so) led by a flag byte.
#include "record.h"

#include "format.h"

#include <algorithm>

namespace trovana::ese {

namespace {

// Tagged value flag byte.
enum : uint8_t {
    kTaggedCompressed = 0x02,
    kTaggedSeparated = 0x04,
    kTaggedMulti = 0x08,
    kTaggedTwoValues = 0x10,
    kTaggedNull = 0x20,
};

void Note(DecodedRecord& record, const std::string& what)
{
    if (record.problem.empty())
        record.problem = what;
}

void DecodeFixed(const Table& table, std::string_view data, DecodedRecord& record)
{
    const unsigned lastFixed = static_cast<unsigned char>(data[0]);
    const size_t endFixed = ReadLE<uint16_t>(data, 2);
    const size_t bitmapSize = (lastFixed + 7) / 8;
    if (endFixed > data.size() || endFixed < 4 + bitmapSize) {
        Note(record, "its fixed columns overrun it");
        return;
    }
    const size_t bitmap = endFixed - bitmapSize;
    for (const Column& column : table.columns) {
        if (!column.Fixed() || column.id > lastFixed)
            continue;
        const unsigned bit = column.id - 1;
        if (static_cast<unsigned char>(data[bitmap + bit / 8]) & (1u << (bit % 8)))
            continue;
        const size_t at = 4 + static_cast<size_t>(column.fixedOffset);
        if (at + column.size > bitmap) {
            Note(record, "column " + column.name + " overruns its fixed data");
            continue;
        }
        record.columns.push_back({column.id, {{std::string(data.substr(at, column.size))}}});
    }
}

// Returns where the tagged columns begin.
size_t DecodeVariable(const Table& table, std::string_view data, DecodedRecord& record)
{
    const unsigned lastVariable = static_cast<unsigned char>(data[1]);
    const size_t offsets = std::min<size_t>(ReadLE<uint16_t>(data, 2), data.size());
    const size_t count = lastVariable >= kFirstVariableColumn ? lastVariable - kFirstVariableColumn + 1 : 0;
    const size_t values = offsets + 2 * count;
    if (values > data.size()) {
        Note(record, "its variable columns overrun it");
        return data.size();
    }
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint16_t raw = ReadLE<uint16_t>(data, offsets + 2 * i);
        const size_t end = raw & 0x7fff;
        const bool null = (raw & 0x8000) != 0;
        const Column* column = table.FindId(static_cast<uint32_t>(kFirstVariableColumn + i));
        if (!null && column) {
            if (end < start || values + end > data.size())
                Note(record, "column " + column->name + " overruns the record");
            else
                record.columns.push_back({column->id, {{std::string(data.substr(values + start, end - start))}}});
        }
        if (end >= start)
            start = end;
    }
    return std::min(values + start, data.size());
}

// The values of a multi-valued column: an array of 2-byte offsets (top bit =
// kept as a long value), or, flagged "two values", a 1-byte size of the first.
std::vector<StoredValue> SplitMulti(std::string_view value, uint8_t flags, DecodedRecord& record)
{
    std::vector<StoredValue> values;
    if (flags & kTaggedTwoValues) {
        const size_t first = value.empty() ? 0 : static_cast<unsigned char>(value[0]);
        if (value.empty() || 1 + first > value.size()) {
            Note(record, "a two-valued column overruns the record");
            return values;
        }
        values.push_back({std::string(value.substr(1, first))});
        values.push_back({std::string(value.substr(1 + first))});
    } else {
        const size_t count = (ReadLE<uint16_t>(value, 0) & 0x7fff) / 2;
        if (count == 0 || count * 2 > value.size()) {
            Note(record, "a multi-valued column overruns the record");
            return values;
        }
        for (size_t i = 0; i < count; ++i) {
            const uint16_t raw = ReadLE<uint16_t>(value, 2 * i);
            const size_t start = raw & 0x7fff;
            const size_t end = i + 1 < count ? ReadLE<uint16_t>(value, 2 * i + 2) & 0x7fff : value.size();
            if (start > end || end > value.size()) {
                Note(record, "a multi-valued column overruns the record");
                break;
            }
            values.push_back({std::string(value.substr(start, end - start)), (raw & 0x8000) != 0});
        }
    }
    // Only the first value of a multi-valued column is ever compressed.
    if (!values.empty() && (flags & kTaggedCompressed))
        values.front().compressed = true;
    return values;
}

void DecodeTagged(const Table& table, std::string_view data, size_t start, const PageGeometry& geometry,
                  DecodedRecord& record)
{
    if (start + 4 > data.size())
        return;
    const std::string_view tagged = data.substr(start);
    const bool large = geometry.LargePages();
    const uint16_t offsetMask = large ? 0x7fff : 0x1fff;
    const size_t count = ((ReadLE<uint32_t>(tagged, 0) >> 16) & offsetMask) / 4;
    if (count * 4 > tagged.size()) {
        Note(record, "its tagged columns overrun it");
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t entry = ReadLE<uint32_t>(tagged, 4 * i);
        const uint32_t id = entry & 0xffff;
        const uint16_t raw = static_cast<uint16_t>(entry >> 16);
        const size_t offset = raw & offsetMask;
        const size_t end = i + 1 < count ? (ReadLE<uint32_t>(tagged, 4 * i + 4) >> 16) & offsetMask : tagged.size();
        const Column* column = table.FindId(id);
        if (!column) {
            Note(record, "it names column " + std::to_string(id) + ", which its table lacks");
            continue;
        }
        if (offset > end || end > tagged.size()) {
            Note(record, "column " + column->name + " overruns the record");
            continue;
        }
        std::string_view value = tagged.substr(offset, end - offset);
        uint8_t flags = 0;
        if (large || (raw & 0x4000)) {
            if (!value.empty())
                flags = static_cast<uint8_t>(value[0]);
            value.remove_prefix(value.empty() ? 0 : 1);
        }
        if ((!large && (raw & 0x2000)) || (flags & kTaggedNull))
            continue;
        ColumnValue decoded{column->id, {}};
        if (flags & (kTaggedMulti | kTaggedTwoValues))
            decoded.values = SplitMulti(value, flags, record);
        else
            decoded.values.push_back(
                {std::string(value), (flags & kTaggedSeparated) != 0, (flags & kTaggedCompressed) != 0});
        if (!decoded.values.empty())
            record.columns.push_back(std::move(decoded));
    }
}

}  // namespace

const ColumnValue* DecodedRecord::Find(uint32_t columnId) const
{
    for (const ColumnValue& column : columns)
        if (column.columnId == columnId)
            return &column;
    return nullptr;
}

DecodedRecord DecodeRecord(const Table& table, std::string_view data, const PageGeometry& geometry)
{
    DecodedRecord record;
    if (data.size() < 4) {
        record.problem = "it is shorter than a record header";
        return record;
    }
    DecodeFixed(table, data, record);
    const size_t tagged = DecodeVariable(table, data, record);
    DecodeTagged(table, data, tagged, geometry, record);
    std::stable_sort(record.columns.begin(), record.columns.end(),
                     [](const ColumnValue& a, const ColumnValue& b) { return a.columnId < b.columnId; });
    return record;
}

}  // namespace trovana::ese
