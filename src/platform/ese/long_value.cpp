// SPDX-License-Identifier: GPL-3.0-or-later
// A long-value tree's leaves: under the id's key alone (4 bytes, or 8 with
// the top bit set for 64-bit ids; big-endian), the value's header:
// reference count (4) and size (4); under id and offset (4, big-endian),
// each chunk. Records keep the id little-endian.
#include "long_value.h"

#include "btree.h"
#include "compression.h"
#include "database.h"
#include "format.h"

#include <algorithm>

namespace trovana::ese {

namespace {

uint32_t BigEndian32(std::string_view bytes)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4 && i < bytes.size(); ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

// The id part of a long-value key: its length, or 0 when the key is none.
size_t IdLength(const std::string& key)
{
    const bool wide = !key.empty() && (static_cast<unsigned char>(key[0]) & 0x80);
    if (key.size() == 4 || key.size() == 8)
        return wide ? key.size() : 4;
    if (key.size() == 12 && wide)
        return 8;
    return 0;
}

}  // namespace

LongValues::LongValues(const Database& database, const Table& table, std::vector<std::string>& problems)
{
    if (table.longValueRoot == 0)
        return;
    WalkLeaves(
        database, table.longValueRoot,
        [&](const NodePlace&, const Node& node) {
            const size_t idLength = IdLength(node.key);
            if (idLength == 0)
                return;
            Entry& entry = m_values[node.key.substr(0, idLength)];
            if (node.key.size() == idLength) {
                entry.hasHeader = true;
                entry.size = ReadLE<uint32_t>(node.data, 4);
            } else {
                entry.chunks.push_back(
                    {BigEndian32(std::string_view(node.key).substr(idLength)), std::string(node.data)});
            }
        },
        problems);
}

std::string LongValues::Read(std::string_view id) const
{
    const std::string key(id.rbegin(), id.rend());
    const auto it = m_values.find(key);
    if (it == m_values.end() || !it->second.hasHeader)
        throw EseError("its long value is missing");
    const Entry& entry = it->second;
    if (entry.size > kMaxDecompressed)
        throw EseError("its long value claims " + std::to_string(entry.size) + " bytes");
    std::vector<const Chunk*> chunks;
    for (const Chunk& chunk : entry.chunks)
        chunks.push_back(&chunk);
    std::sort(chunks.begin(), chunks.end(), [](const Chunk* a, const Chunk* b) { return a->offset < b->offset; });
    std::string value;
    for (size_t i = 0; i < chunks.size(); ++i) {
        const Chunk& chunk = *chunks[i];
        // Chunks follow each other without gaps or overlaps: one that
        // points back into what was read is damage, never read twice.
        if (chunk.offset != value.size())
            throw EseError("its long value's chunk at " + std::to_string(chunk.offset) + " does not follow the " +
                           std::to_string(value.size()) + " bytes before it");
        const uint32_t end = i + 1 < chunks.size() ? chunks[i + 1]->offset : entry.size;
        if (end < chunk.offset)
            throw EseError("its long value's chunks overlap");
        // A chunk shorter or longer than its place is compressed.
        if (chunk.bytes.size() == end - chunk.offset)
            value += chunk.bytes;
        else
            value += Decompress(chunk.bytes);
        if (value.size() > entry.size)
            throw EseError("its long value is longer than its header says");
    }
    if (value.size() != entry.size)
        throw EseError("its long value has " + std::to_string(value.size()) + " of " + std::to_string(entry.size) +
                       " bytes");
    return value;
}

std::string ResolveValue(const StoredValue& value, const LongValues& longValues)
{
    if (value.longValue)
        return longValues.Read(value.bytes);
    if (value.compressed)
        return Decompress(value.bytes);
    return value.bytes;
}

}  // namespace trovana::ese
