// SPDX-License-Identifier: GPL-3.0-or-later
// A record's bytes (a leaf node's data in a table's tree) decoded against
// its table's columns: fixed columns with their null bitmap, variable
// columns with their end offsets, tagged columns with their flags
// (multi-values, long-value references, compression). Values come out as
// stored; ResolveValue (long_value.h) reads references and decompresses.
#pragma once

#include "catalogue.h"
#include "page.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::ese {

// One value of a column as the record holds it.
struct StoredValue {
    std::string bytes;        // the value, or the long-value id when `longValue`
    bool longValue = false;   // kept in the table's long-value tree
    bool compressed = false;  // 7-bit or Xpress (compression.h)
};

// A column's values in one record: one, or several for a multi-valued
// tagged column. A null column has no ColumnValue at all.
struct ColumnValue {
    uint32_t columnId = 0;
    std::vector<StoredValue> values;
};

struct DecodedRecord {
    std::vector<ColumnValue> columns;  // in column id order
    // Columns the record names but the table lacks, or values that do not
    // fit in the record, in words; empty when all is well.
    std::string problem;

    const ColumnValue* Find(uint32_t columnId) const;
};

// Decodes `data` as a record of `table`. `geometry.LargePages()` decides the
// tagged columns' layout. Never throws for bad bytes: what cannot be decoded
// is left out and said in `problem`.
DecodedRecord DecodeRecord(const Table& table, std::string_view data, const PageGeometry& geometry);

}  // namespace trovana::ese
