// SPDX-License-Identifier: GPL-3.0-or-later
// A thin C++ face on libesedb's C API: its handles owned by unique_ptr,
// its errors turned into exceptions with libesedb's own text, and a
// record's values read by column name. Opens files for reading only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trovana::webcache::esedb {

// libesedb's handles are opaque intptr_t values (libesedb_file_t, ...).
using FileHandle = intptr_t;
using TableHandle = intptr_t;
using RecordHandle = intptr_t;

// What libesedb reported, in one line.
class EseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FileCloser {
    void operator()(FileHandle* file) const;
};
struct TableFreer {
    void operator()(TableHandle* table) const;
};
struct RecordFreer {
    void operator()(RecordHandle* record) const;
};

class Record;

// One table: its columns by name and its records by number.
class Table {
public:
    explicit Table(TableHandle* table);

    const std::string& Name() const { return m_name; }
    int RecordCount();
    Record Get(int index);
    // The value index of a column; none when the table has no such column.
    std::optional<int> Column(std::string_view name) const;

private:
    std::unique_ptr<TableHandle, TableFreer> m_table;
    std::string m_name;
    std::unordered_map<std::string, int> m_columns;
};

// One record's values; a missing column or an empty value reads as 0 or "".
class Record {
public:
    Record(RecordHandle* record, const Table& table);

    uint64_t U64(std::string_view column) const;
    uint32_t U32(std::string_view column) const;
    // Text columns (long values too) as UTF-8.
    std::string Text(std::string_view column) const;
    // Binary columns (long values too) as stored.
    std::string Bytes(std::string_view column) const;

private:
    std::string Value(std::string_view column, bool text) const;

    std::unique_ptr<RecordHandle, RecordFreer> m_record;
    const Table& m_table;
};

// A database file, opened read-only: libesedb takes no lock and writes
// nothing, not even for a database left dirty without its logs.
class File {
public:
    // Throws EseError naming the file when it cannot be opened as ESE.
    explicit File(const std::filesystem::path& path);

    // The table of that name; none when there is none. Throws EseError when
    // the catalogue cannot be read.
    std::optional<Table> Find(std::string_view name);
    // The names of every table in the catalogue.
    std::vector<std::string> TableNames();

private:
    std::unique_ptr<FileHandle, FileCloser> m_file;
};

// True when the file starts with an ESE database header's signature.
bool HasEseSignature(const std::filesystem::path& path);

}  // namespace trovana::webcache::esedb
