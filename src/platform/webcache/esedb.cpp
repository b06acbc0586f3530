// SPDX-License-Identifier: GPL-3.0-or-later
#include "esedb.h"

#include "table.h"
#include "values.h"

namespace trovana::webcache::esedb {

// ---- Table ----

Table::Table(std::shared_ptr<const ese::Database> database, const ese::Table& table)
    : m_database(std::move(database)), m_table(&table)
{
    m_longValues = std::make_unique<ese::LongValues>(*m_database, table, m_problems);
    ese::ForEachRow(
        *m_database, table, [&](const ese::Row& row) { m_records.push_back(row.record); }, m_problems);
}

Record Table::Get(int index) const
{
    if (index < 0 || index >= RecordCount())
        throw EseError(Name() + " has no record " + std::to_string(index));
    return Record(*this, m_records[static_cast<size_t>(index)]);
}

// ---- Record ----

std::optional<std::string> Record::Value(std::string_view column, const ese::Column*& found) const
{
    found = m_table.Column(column);
    if (!found)
        return std::nullopt;
    const ese::ColumnValue* value = m_record.Find(found->id);
    if (!value || value->values.empty())
        return std::nullopt;
    try {
        return ese::ResolveValue(value->values.front(), *m_table.m_longValues);
    } catch (const EseError& e) {
        throw EseError(m_table.Name() + " column " + std::string(column) + ": " + e.what());
    }
}

uint64_t Record::U64(std::string_view column) const
{
    const ese::Column* found = nullptr;
    const std::optional<std::string> value = Value(column, found);
    return value ? ese::IntegerValue(*found, *value) : 0;
}

uint32_t Record::U32(std::string_view column) const
{
    return static_cast<uint32_t>(U64(column));
}

std::string Record::Text(std::string_view column) const
{
    const ese::Column* found = nullptr;
    const std::optional<std::string> value = Value(column, found);
    if (!value)
        return {};
    return found->IsText() ? ese::TextValue(*found, *value) : *value;
}

std::string Record::Bytes(std::string_view column) const
{
    const ese::Column* found = nullptr;
    return Value(column, found).value_or(std::string());
}

// ---- File ----

File::File(const std::filesystem::path& path) : m_database(std::make_shared<const ese::Database>(path)) {}

std::optional<Table> File::Find(std::string_view name)
{
    const ese::Table* table = m_database->Tables().Find(name);
    if (!table)
        return std::nullopt;
    return Table(m_database, *table);
}

std::vector<std::string> File::TableNames()
{
    std::vector<std::string> names;
    for (const ese::Table& table : m_database->Tables().tables)
        names.push_back(table.name);
    return names;
}

bool HasEseSignature(const std::filesystem::path& path)
{
    return ese::HasEseSignature(path);
}

}  // namespace trovana::webcache::esedb
