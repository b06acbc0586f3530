// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include "record.h"
#include "values.h"

#include <algorithm>
#include <map>

namespace trovana::ese {

namespace {

enum CatalogueType : uint16_t { kTable = 1, kColumn = 2, kLongValue = 4 };

// The bytes of a fixed-size type; 0 for variable ones.
uint32_t FixedSizeOf(ColumnType type)
{
    switch (type) {
    case ColumnType::Bit:
    case ColumnType::UnsignedByte: return 1;
    case ColumnType::Short:
    case ColumnType::UnsignedShort: return 2;
    case ColumnType::Long:
    case ColumnType::UnsignedLong:
    case ColumnType::IEEESingle: return 4;
    case ColumnType::Currency:
    case ColumnType::IEEEDouble:
    case ColumnType::DateTime:
    case ColumnType::LongLong: return 8;
    case ColumnType::Guid: return 16;
    default: return 0;
    }
}

Column MakeColumn(uint32_t id, const char* name, ColumnType type, uint32_t size = 0)
{
    Column column;
    column.id = id;
    column.name = name;
    column.type = type;
    column.size = size ? size : FixedSizeOf(type);
    column.codePage = kCodePageWestern;
    return column;
}

// Fixed columns lie in id order, each its type's size.
void PlaceFixedColumns(Table& table)
{
    std::sort(table.columns.begin(), table.columns.end(), [](const Column& a, const Column& b) { return a.id < b.id; });
    uint32_t offset = 0;
    for (Column& column : table.columns) {
        if (!column.Fixed())
            continue;
        column.fixedOffset = offset;
        offset += column.size;
    }
}

Table MakeCatalogueTable()
{
    Table table;
    table.name = "MSysObjects";
    table.objectId = 2;
    table.rootPage = kCatalogueRoot;
    table.columns = {
        MakeColumn(1, "ObjidTable", ColumnType::Long),
        MakeColumn(2, "Type", ColumnType::Short),
        MakeColumn(3, "Id", ColumnType::Long),
        MakeColumn(4, "ColtypOrPgnoFDP", ColumnType::Long),
        MakeColumn(5, "SpaceUsage", ColumnType::Long),
        MakeColumn(6, "Flags", ColumnType::Long),
        MakeColumn(7, "PagesOrLocale", ColumnType::Long),
        MakeColumn(8, "RootFlag", ColumnType::Bit),
        MakeColumn(9, "RecordOffset", ColumnType::Short),
        MakeColumn(10, "LCMapFlags", ColumnType::Long),
        MakeColumn(11, "KeyMost", ColumnType::UnsignedShort),
        MakeColumn(128, "Name", ColumnType::Text, 255),
        MakeColumn(129, "Stats", ColumnType::Binary, 255),
        MakeColumn(130, "TemplateTable", ColumnType::Text, 255),
        MakeColumn(131, "DefaultValue", ColumnType::Binary, 255),
        MakeColumn(132, "KeyFldIDs", ColumnType::Binary, 255),
        MakeColumn(133, "VarSegMac", ColumnType::Binary, 255),
        MakeColumn(134, "ConditionalColumns", ColumnType::Binary, 255),
        MakeColumn(135, "TupleLimits", ColumnType::Binary, 255),
        MakeColumn(136, "Version", ColumnType::Binary, 255),
        MakeColumn(137, "SortID", ColumnType::Binary, 255),
        MakeColumn(256, "CallbackData", ColumnType::LongBinary),
        MakeColumn(257, "CallbackDependencies", ColumnType::LongBinary),
        MakeColumn(258, "SeparateLV", ColumnType::LongBinary),
        MakeColumn(259, "SpaceHints", ColumnType::LongBinary),
        MakeColumn(260, "SpaceDeferredLVHints", ColumnType::LongBinary),
        MakeColumn(261, "LocaleName", ColumnType::LongText),
    };
    PlaceFixedColumns(table);
    return table;
}

}  // namespace

const Column* Table::Find(std::string_view columnName) const
{
    for (const Column& column : columns)
        if (column.name == columnName)
            return &column;
    return nullptr;
}

const Column* Table::FindId(uint32_t id) const
{
    const auto it = std::lower_bound(columns.begin(), columns.end(), id,
                                     [](const Column& column, uint32_t value) { return column.id < value; });
    return it != columns.end() && it->id == id ? &*it : nullptr;
}

const Table* Catalogue::Find(std::string_view tableName) const
{
    for (const Table& table : tables)
        if (table.name == tableName)
            return &table;
    return nullptr;
}

const Table& CatalogueTable()
{
    static const Table table = MakeCatalogueTable();
    return table;
}

CatalogueRow CatalogueRowFrom(const DecodedRecord& record)
{
    const Table& table = CatalogueTable();
    const auto integer = [&](uint32_t id) -> uint32_t {
        const ColumnValue* value = record.Find(id);
        return value ? static_cast<uint32_t>(IntegerValue(*table.FindId(id), value->values.front().bytes)) : 0;
    };
    CatalogueRow row;
    row.tableObjectId = integer(1);
    row.type = static_cast<uint16_t>(integer(2));
    row.id = integer(3);
    row.columnTypeOrRoot = integer(4);
    row.spaceUsage = integer(5);
    row.flags = integer(6);
    row.pagesOrLocale = integer(7);
    if (const ColumnValue* name = record.Find(128))
        row.name = TextValue(*table.FindId(128), name->values.front().bytes);
    return row;
}

Catalogue BuildCatalogue(const std::vector<CatalogueRow>& rows)
{
    Catalogue catalogue;
    std::map<uint32_t, size_t> byObject;
    for (const CatalogueRow& row : rows) {
        if (row.type == kTable && row.tableObjectId == row.id && !byObject.contains(row.id)) {
            Table table;
            table.name = row.name;
            table.objectId = row.id;
            table.rootPage = row.columnTypeOrRoot;
            byObject.emplace(row.id, catalogue.tables.size());
            catalogue.tables.push_back(std::move(table));
            continue;
        }
        const auto owner = byObject.find(row.tableObjectId);
        if (owner == byObject.end())
            continue;
        Table& table = catalogue.tables[owner->second];
        if (row.type == kLongValue) {
            table.longValueRoot = row.columnTypeOrRoot;
        } else if (row.type == kColumn && row.id > 0 && row.id <= 0xffff && !table.FindId(row.id)) {
            Column column;
            column.id = row.id;
            column.name = row.name;
            column.type = static_cast<ColumnType>(row.columnTypeOrRoot);
            column.flags = row.flags;
            column.codePage = row.pagesOrLocale;
            column.size = FixedSizeOf(column.type);
            if (column.size == 0)
                column.size = row.spaceUsage;
            // FindId needs the columns in id order as they are added.
            const auto at = std::lower_bound(table.columns.begin(), table.columns.end(), column.id,
                                             [](const Column& c, uint32_t id) { return c.id < id; });
            table.columns.insert(at, std::move(column));
        }
    }
    for (Table& table : catalogue.tables)
        PlaceFixedColumns(table);
    return catalogue;
}

}  // namespace trovana::ese
