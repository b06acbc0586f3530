// SPDX-License-Identifier: GPL-3.0-or-later
#include "records.h"

#include "export_row.h"

#include <charconv>
#include <iterator>

namespace trovana::cli {

namespace {

// Length of the well-formed UTF-8 sequence that starts the bytes, 0 when they
// start with none. Overlong forms, surrogates and values above U+10FFFF are
// not well-formed (the table of well-formed byte sequences in Unicode's
// chapter 3), so a strict JSON reader accepts whatever this keeps.
size_t Utf8SequenceLength(std::string_view s)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendEscapedByte(std::string& out, unsigned char c)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += "\\u00";
    out += hex[c >> 4];
    out += hex[c & 0xF];
}

// Appends the JSON string literal of the bytes: runs of bytes that need no
// escape are appended whole.
void AppendJsonString(std::string& out, std::string_view bytes)
{
    out += '"';
    size_t i = 0;
    size_t plain = 0;  // start of the run not yet appended
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            ++i;
            continue;
        }
        const size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length > 1) {
            i += length;
            continue;
        }
        out.append(bytes.substr(plain, i - plain));
        ++i;
        plain = i;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: AppendEscapedByte(out, c);
        }
    }
    out.append(bytes.substr(plain));
    out += '"';
}

void AppendJsonText(std::string& out, const FieldValue& value)
{
    if (const auto* number = std::get_if<uint64_t>(&value)) {
        char digits[24];
        const auto end = std::to_chars(std::begin(digits), std::end(digits), *number).ptr;
        out.append(digits, end);
    } else if (const auto* bytes = std::get_if<std::string>(&value)) {
        AppendJsonString(out, *bytes);
    } else if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        out += '[';
        for (size_t i = 0; i < list->size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            AppendJsonString(out, (*list)[i]);
        }
        out += ']';
    } else {
        out += "null";
    }
}

std::string JsonText(const FieldValue& value)
{
    std::string text;
    AppendJsonText(text, value);
    return text;
}

std::string CsvText(const FieldValue& value)
{
    if (std::holds_alternative<std::monostate>(value)) {
        return {};
    }
    if (const auto* bytes = std::get_if<std::string>(&value)) {
        return CsvField(*bytes);
    }
    return CsvField(JsonText(value));
}

}  // namespace

Record EntryRecord(const urlcache::CacheEntryInfo& entry)
{
    Record record;
    for (exporting::ExportField& field : exporting::EntryExportFields(entry, exporting::TextForm::Bytes)) {
        record.push_back({std::move(field.name), std::move(field.value)});
    }
    return record;
}

const std::vector<std::string>& EntryColumns()
{
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names;
        for (const Field& field : EntryRecord(urlcache::CacheEntryInfo{})) {
            names.push_back(field.name);
        }
        return names;
    }();
    return columns;
}

std::string JsonString(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 2);
    AppendJsonString(out, bytes);
    return out;
}

std::string JsonObject(const Record& record)
{
    std::string out;
    AppendJsonObject(out, record);
    return out;
}

void AppendJsonObject(std::string& out, const Record& record)
{
    out += '{';
    for (size_t i = 0; i < record.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendJsonString(out, record[i].name);
        out += ':';
        AppendJsonText(out, record[i].value);
    }
    out += '}';
}

RecordWriter::RecordWriter(std::ostream& out, OutputFormat format, const std::vector<std::string>& columns)
    : m_out(out), m_format(format)
{
    if (m_format == OutputFormat::Csv) {
        std::vector<std::string> header;
        for (const std::string& name : columns) {
            header.push_back(CsvField(name));
        }
        WriteCsvRow(header);
    }
}

void RecordWriter::Write(const Record& record)
{
    if (m_format == OutputFormat::Jsonl) {
        m_line.clear();
        AppendJsonObject(m_line, record);
        m_line += '\n';
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
        return;
    }
    std::vector<std::string> fields;
    for (const Field& field : record) {
        fields.push_back(CsvText(field.value));
    }
    WriteCsvRow(fields);
}

void RecordWriter::WriteCsvRow(const std::vector<std::string>& fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            m_out << ',';
        }
        m_out << fields[i];
    }
    m_out << "\r\n";
}

}  // namespace trovana::cli
