// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue (the MSysObjects table, rooted at page 4): every table with
// its root page, its columns and the root of its long-value tree.
#pragma once

#include "format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::ese {

// Column ids: 1-127 fixed size, 128-255 variable size, 256 and up tagged.
inline constexpr uint32_t kFirstVariableColumn = 128;
inline constexpr uint32_t kFirstTaggedColumn = 256;

struct Column {
    uint32_t id = 0;
    std::string name;
    ColumnType type = ColumnType::Nil;
    uint32_t size = 0;  // bytes of a fixed column; the maximum of others (0 = none)
    uint32_t flags = 0;
    uint32_t codePage = 0;  // of text columns: 1200 (UTF-16), 1252, 20127
    // Offset of a fixed column's value in a record's fixed data, counted by
    // the catalogue from the sizes of the fixed columns before it.
    uint32_t fixedOffset = 0;

    bool Fixed() const { return id < kFirstVariableColumn; }
    bool Variable() const { return id >= kFirstVariableColumn && id < kFirstTaggedColumn; }
    bool Tagged() const { return id >= kFirstTaggedColumn; }
    bool IsText() const { return type == ColumnType::Text || type == ColumnType::LongText; }
};

struct Table {
    std::string name;
    uint32_t objectId = 0;
    uint32_t rootPage = 0;        // of the table's own tree (its records)
    uint32_t longValueRoot = 0;   // of its long-value tree; 0 when it has none
    std::vector<Column> columns;  // in id order

    const Column* Find(std::string_view columnName) const;
    const Column* FindId(uint32_t id) const;
};

struct Catalogue {
    std::vector<Table> tables;  // in catalogue order

    const Table* Find(std::string_view tableName) const;
};

// The definition of the catalogue's own table, which no catalogue holds.
const Table& CatalogueTable();

// One MSysObjects row, as the catalogue is built from them (also for rows
// recovered from elsewhere).
struct CatalogueRow {
    uint32_t tableObjectId = 0;     // ObjidTable
    uint16_t type = 0;              // 1 table, 2 column, 3 index, 4 long value, 5 callback
    uint32_t id = 0;                // object id, column id
    uint32_t columnTypeOrRoot = 0;  // ColtypOrPgnoFDP
    uint32_t spaceUsage = 0;        // column size
    uint32_t flags = 0;
    uint32_t pagesOrLocale = 0;  // code page of text columns
    std::string name;
};

struct DecodedRecord;
// The row a record of the catalogue's table holds.
CatalogueRow CatalogueRowFrom(const DecodedRecord& record);

// Builds tables from catalogue rows in catalogue order (a table's row comes
// before its columns'); rows of unknown tables are ignored.
Catalogue BuildCatalogue(const std::vector<CatalogueRow>& rows);

}  // namespace trovana::ese
