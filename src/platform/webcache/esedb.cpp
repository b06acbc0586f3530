// SPDX-License-Identifier: GPL-3.0-or-later
#include "esedb.h"

// Debian's libesedb.h includes libbfio.h for calls that take a libbfio
// handle, whose headers libesedb-dev does not bring; none of them is used.
#include <libesedb/features.h>
#undef LIBESEDB_HAVE_BFIO
#include <libesedb.h>

#include <unistd.h>

#include <array>

#include "read_file.h"

namespace trovana::webcache::esedb {

namespace {

// Takes libesedb's error, frees it and gives its first line.
std::string TakeError(libesedb_error_t*& error)
{
    std::array<char, 512> text{};
    std::string message = "unknown error";
    if (error && libesedb_error_sprint(error, text.data(), text.size()) > 0)
        message = text.data();
    libesedb_error_free(&error);
    // libesedb writes its call chain one function a line: the last names the cause.
    while (!message.empty() && (message.back() == '\n' || message.back() == '.'))
        message.pop_back();
    if (const auto line = message.rfind('\n'); line != std::string::npos)
        message = message.substr(line + 1);
    return message;
}

[[noreturn]] void Fail(const std::string& what, libesedb_error_t*& error)
{
    throw EseError(what + ": " + TakeError(error));
}

// Reads a string that libesedb returns through a size query and a copy.
template <typename SizeFn, typename ReadFn>
std::string ReadSized(const std::string& what, SizeFn size, ReadFn read, bool textual)
{
    libesedb_error_t* error = nullptr;
    size_t length = 0;
    const int found = size(&length, &error);
    if (found < 0)
        Fail(what, error);
    if (found == 0 || length == 0)
        return {};
    std::string value(length, '\0');
    if (read(reinterpret_cast<uint8_t*>(value.data()), length, &error) != 1)
        Fail(what, error);
    if (textual && !value.empty() && value.back() == '\0')
        value.pop_back();
    return value;
}

struct LongValue {
    libesedb_long_value_t* value = nullptr;
    ~LongValue()
    {
        libesedb_long_value_free(&value, nullptr);
    }
};

}  // namespace

void FileCloser::operator()(FileHandle* file) const
{
    libesedb_file_close(file, nullptr);
    libesedb_file_free(&file, nullptr);
}

void TableFreer::operator()(TableHandle* table) const
{
    libesedb_table_free(&table, nullptr);
}

void RecordFreer::operator()(RecordHandle* record) const
{
    libesedb_record_free(&record, nullptr);
}

// ---- Table ----

Table::Table(TableHandle* table) : m_table(table)
{
    m_name = ReadSized(
        "table name",
        [&](size_t* size, libesedb_error_t** error) { return libesedb_table_get_utf8_name_size(table, size, error); },
        [&](uint8_t* text, size_t size, libesedb_error_t** error) {
            return libesedb_table_get_utf8_name(table, text, size, error);
        },
        true);
    libesedb_error_t* error = nullptr;
    int count = 0;
    if (libesedb_table_get_number_of_columns(table, &count, 0, &error) != 1)
        Fail("the columns of " + m_name, error);
    for (int i = 0; i < count; ++i) {
        libesedb_column_t* column = nullptr;
        if (libesedb_table_get_column(table, i, &column, 0, &error) != 1)
            Fail("a column of " + m_name, error);
        const std::string name = ReadSized(
            "a column name of " + m_name,
            [&](size_t* size, libesedb_error_t** e) { return libesedb_column_get_utf8_name_size(column, size, e); },
            [&](uint8_t* text, size_t size, libesedb_error_t** e) {
                return libesedb_column_get_utf8_name(column, text, size, e);
            },
            true);
        libesedb_column_free(&column, nullptr);
        m_columns.emplace(name, i);
    }
}

int Table::RecordCount()
{
    libesedb_error_t* error = nullptr;
    int count = 0;
    if (libesedb_table_get_number_of_records(m_table.get(), &count, &error) != 1)
        Fail(m_name, error);
    return count;
}

Record Table::Get(int index)
{
    libesedb_error_t* error = nullptr;
    libesedb_record_t* record = nullptr;
    if (libesedb_table_get_record(m_table.get(), index, &record, &error) != 1)
        Fail(m_name + " record " + std::to_string(index), error);
    return Record(record, *this);
}

std::optional<int> Table::Column(std::string_view name) const
{
    const auto it = m_columns.find(std::string(name));
    if (it == m_columns.end())
        return std::nullopt;
    return it->second;
}

// ---- Record ----

Record::Record(RecordHandle* record, const Table& table) : m_record(record), m_table(table) {}

uint64_t Record::U64(std::string_view column) const
{
    const auto index = m_table.Column(column);
    uint64_t value = 0;
    libesedb_error_t* error = nullptr;
    if (!index)
        return 0;
    if (libesedb_record_get_value_64bit(m_record.get(), *index, &value, &error) < 0) {
        // A 32-bit column read through the wider call.
        libesedb_error_free(&error);
        return U32(column);
    }
    return value;
}

uint32_t Record::U32(std::string_view column) const
{
    const auto index = m_table.Column(column);
    uint32_t value = 0;
    libesedb_error_t* error = nullptr;
    if (!index)
        return 0;
    if (libesedb_record_get_value_32bit(m_record.get(), *index, &value, &error) < 0)
        Fail(m_table.Name() + " column " + std::string(column), error);
    return value;
}

std::string Record::Text(std::string_view column) const
{
    return Value(column, true);
}

std::string Record::Bytes(std::string_view column) const
{
    return Value(column, false);
}

std::string Record::Value(std::string_view column, bool text) const
{
    const auto index = m_table.Column(column);
    if (!index)
        return {};
    const std::string what = m_table.Name() + " column " + std::string(column);
    libesedb_record_t* record = m_record.get();
    libesedb_error_t* error = nullptr;
    const int isLong = libesedb_record_is_long_value(record, *index, &error);
    if (isLong < 0)
        Fail(what, error);
    if (isLong == 0) {
        // The text and binary calls take the same arguments.
        const auto size = text ? libesedb_record_get_value_utf8_string_size : libesedb_record_get_value_binary_data_size;
        const auto read = text ? libesedb_record_get_value_utf8_string : libesedb_record_get_value_binary_data;
        return ReadSized(
            what, [&](size_t* length, libesedb_error_t** e) { return size(record, *index, length, e); },
            [&](uint8_t* data, size_t length, libesedb_error_t** e) { return read(record, *index, data, length, e); },
            text);
    }
    // A long value is kept apart from the record, in its own tree.
    LongValue value;
    const int found = libesedb_record_get_long_value(record, *index, &value.value, &error);
    if (found < 0)
        Fail(what, error);
    if (found == 0)
        return {};
    using LongSize = int (*)(libesedb_long_value_t*, size_t*, libesedb_error_t**);
    const LongSize dataSize = [](libesedb_long_value_t* longValue, size_t* length, libesedb_error_t** e) {
        size64_t size64 = 0;
        const int result = libesedb_long_value_get_data_size(longValue, &size64, e);
        *length = static_cast<size_t>(size64);
        return result;
    };
    const LongSize size = text ? libesedb_long_value_get_utf8_string_size : dataSize;
    const auto read = text ? libesedb_long_value_get_utf8_string : libesedb_long_value_get_data;
    return ReadSized(
        what, [&](size_t* length, libesedb_error_t** e) { return size(value.value, length, e); },
        [&](uint8_t* data, size_t length, libesedb_error_t** e) { return read(value.value, data, length, e); }, text);
}

// ---- File ----

File::File(const std::filesystem::path& path)
{
    libesedb_error_t* error = nullptr;
    libesedb_file_t* file = nullptr;
    if (libesedb_file_initialize(&file, &error) != 1)
        Fail(path.string(), error);
    if (libesedb_file_open(file, path.c_str(), libesedb_get_access_flags_read(), &error) != 1) {
        libesedb_file_free(&file, nullptr);
        throw EseError(path.string() + " cannot be read as an ESE database: " + TakeError(error));
    }
    m_file.reset(file);
}

std::optional<Table> File::Find(std::string_view name)
{
    libesedb_error_t* error = nullptr;
    libesedb_table_t* table = nullptr;
    const int found = libesedb_file_get_table_by_utf8_name(
        m_file.get(), reinterpret_cast<const uint8_t*>(name.data()), name.size(), &table, &error);
    if (found < 0)
        Fail(std::string(name), error);
    if (found == 0)
        return std::nullopt;
    return Table(table);
}

std::vector<std::string> File::TableNames()
{
    libesedb_error_t* error = nullptr;
    int count = 0;
    if (libesedb_file_get_number_of_tables(m_file.get(), &count, &error) != 1)
        Fail("the catalogue", error);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        libesedb_table_t* table = nullptr;
        if (libesedb_file_get_table(m_file.get(), i, &table, &error) != 1)
            Fail("the catalogue", error);
        names.push_back(Table(table).Name());
    }
    return names;
}

bool HasEseSignature(const std::filesystem::path& path)
{
    // The header's second four bytes: 0x89abcdef, little-endian.
    constexpr std::array<unsigned char, 4> kSignature = {0xef, 0xcd, 0xab, 0x89};
    std::array<unsigned char, 4> head{};
    fileio::FileDescriptor file;
    uint64_t size = 0;
    if (fileio::OpenRegularFile(path, file, size) != fileio::FileRead::Read)
        return false;
    const bool read = ::pread(file.Get(), head.data(), head.size(), 4) == static_cast<ssize_t>(head.size());
    return read && head == kSignature;
}

}  // namespace trovana::webcache::esedb
