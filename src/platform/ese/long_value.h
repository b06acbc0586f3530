// SPDX-License-Identifier: GPL-3.0-or-later
// Long values: a table's values kept apart from its records, in its own
// tree, keyed by a long-value id (4 bytes, or 8 in newer databases) and
// split into chunks keyed by id and offset. Also resolves a stored value to
// its bytes: reads the long value it references and decompresses it.
#pragma once

#include "catalogue.h"
#include "record.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace trovana::ese {

class Database;

// Every long value of one table, read once by walking its long-value tree:
// id (as the record stores it) to its chunks. Memory: the table's long
// values, never more than the tree's pages hold.
class LongValues {
public:
    // An empty set when the table has no long-value tree. Problems met
    // walking the tree are added to `problems`.
    LongValues(const Database& database, const Table& table, std::vector<std::string>& problems);

    // The value of long-value id `id` (the bytes a record stores); throws
    // EseError when there is no such long value or its chunks do not add up.
    std::string Read(std::string_view id) const;

private:
    struct Chunk {
        uint32_t offset = 0;
        std::string bytes;
    };
    struct Entry {
        uint32_t size = 0;  // as its header says; 0 when no header was seen
        bool hasHeader = false;
        std::vector<Chunk> chunks;
    };
    std::map<std::string, Entry> m_values;  // by the id's key bytes
    uint32_t m_idSize = 4;
};

// The bytes of `value`: the long value it references (through `longValues`)
// and decompressed when compressed. Throws EseError when it cannot be read.
std::string ResolveValue(const StoredValue& value, const LongValues& longValues);

}  // namespace trovana::ese
