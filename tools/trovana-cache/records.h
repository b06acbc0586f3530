// SPDX-License-Identifier: GPL-3.0-or-later
// Entries as flat records, written as JSON lines or CSV. JSON lines keep
// every byte of a URL, path or header: the cache stores bytes, not text. CSV
// is for spreadsheets and people (see CsvField): control bytes are shown
// escaped and formulas neutralised.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "csv.h"
#include "urlcache.h"

namespace trovana::cli {

// A value of one column: null, an unsigned number, a byte string or a list
// of byte strings. A list is a JSON array, in CSV too (as the field's text),
// so that its items may hold any byte.
using FieldValue = std::variant<std::monostate, uint64_t, std::string, std::vector<std::string>>;

struct Field {
    std::string name;
    FieldValue value;
};

using Record = std::vector<Field>;

enum class OutputFormat { Jsonl, Csv };

// The columns of an entry, in output order.
const std::vector<std::string>& EntryColumns();
// An entry as a record with EntryColumns(); a missing local file is null.
Record EntryRecord(const urlcache::CacheEntryInfo& entry);

// A JSON string literal, quotes included. Well-formed UTF-8 sequences are
// kept as they are; every other byte becomes \u00XX, so that the bytes can be
// told from the text and no byte is lost or replaced.
std::string JsonString(std::string_view bytes);
// One JSON object with the record's fields in order, without a line end.
std::string JsonObject(const Record& record);
void AppendJsonObject(std::string& out, const Record& record);

// Writes records one per line: JSON objects, or CSV rows (CRLF ends, a header
// row first, written at construction so that an empty list still has it).
class RecordWriter {
public:
    RecordWriter(std::ostream& out, OutputFormat format, const std::vector<std::string>& columns);
    void Write(const Record& record);

private:
    void WriteCsvRow(const std::vector<std::string>& fields);

    std::ostream& m_out;
    OutputFormat m_format;
    std::string m_line;  // a JSON line, its buffer kept from one record to the next
};

}  // namespace trovana::cli
