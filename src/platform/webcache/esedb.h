// SPDX-License-Identifier: GPL-3.0-or-later
// The WebCache reader's face on the project's own ESE reader (platform/ese):
// tables found by name, their records by number, a record's values read by
// column name. Opens files for reading only. A table's damaged pages are
// skipped and named in its Problems(); its other records are all there.
#pragma once

#include "database.h"
#include "long_value.h"
#include "record.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::webcache::esedb {

// What the reader reported, in one line.
using EseError = ese::EseError;

class Record;

// One table: its columns by name and its records by number, read when the
// table is found.
class Table {
public:
    Table(std::shared_ptr<const ese::Database> database, const ese::Table& table);

    const std::string& Name() const { return m_table->name; }
    int RecordCount() const { return static_cast<int>(m_records.size()); }
    Record Get(int index) const;
    // The column of that name; none when the table has no such column.
    const ese::Column* Column(std::string_view name) const { return m_table->Find(name); }
    // The table's damaged pages and records, each once: "page 426 fails its
    // checksum (block 3)".
    const std::vector<std::string>& Problems() const { return m_problems; }

private:
    friend class Record;
    std::shared_ptr<const ese::Database> m_database;
    const ese::Table* m_table;
    std::vector<std::string> m_problems;
    std::unique_ptr<ese::LongValues> m_longValues;
    std::vector<ese::DecodedRecord> m_records;
};

// One record's values; a missing column or an empty value reads as 0 or "".
class Record {
public:
    Record(const Table& table, const ese::DecodedRecord& record) : m_table(table), m_record(record) {}

    uint64_t U64(std::string_view column) const;
    uint32_t U32(std::string_view column) const;
    // Text columns (long values too) as UTF-8.
    std::string Text(std::string_view column) const;
    // Binary columns (long values too) as stored, decompressed.
    std::string Bytes(std::string_view column) const;

private:
    // The column's first value resolved; none when the column or value is absent.
    std::optional<std::string> Value(std::string_view column, const ese::Column*& found) const;

    const Table& m_table;
    const ese::DecodedRecord& m_record;
};

// A database file, opened read-only: nothing is locked or written, not even
// for a database left dirty without its logs.
class File {
public:
    // Throws EseError naming the file when it cannot be opened as ESE.
    explicit File(const std::filesystem::path& path);

    // The table of that name; none when there is none.
    std::optional<Table> Find(std::string_view name);
    // The names of every table in the catalogue.
    std::vector<std::string> TableNames();
    // The catalogue's damaged pages: "page 4 fails its checksum".
    const std::vector<std::string>& CatalogueProblems() const { return m_database->CatalogueProblems(); }

private:
    std::shared_ptr<const ese::Database> m_database;
};

// True when the file starts with an ESE database header's signature.
bool HasEseSignature(const std::filesystem::path& path);

}  // namespace trovana::webcache::esedb
