// SPDX-License-Identifier: GPL-3.0-or-later
#include "exported_text.h"

#include "values.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace trovana::ese::test {

namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Nov 29, 2021 22:47:25.505067300": `ticks` of 100 ns since 1601.
std::string DateText(uint64_t ticks)
{
    using namespace std::chrono;
    const uint64_t seconds = ticks / 10000000;
    const auto day = sys_days(year(1601) / January / 1) + days(seconds / 86400);
    const year_month_day date(day);
    const uint64_t inDay = seconds % 86400;
    char text[64];
    std::snprintf(text, sizeof text, "%s %02u, %04d %02u:%02u:%02u.%07u00", kMonths[unsigned(date.month()) - 1],
                  unsigned(date.day()), int(date.year()), unsigned(inDay / 3600), unsigned(inDay / 60 % 60),
                  unsigned(inDay % 60), unsigned(ticks % 10000000));
    return text;
}

// An OLE date (days since 30 December 1899) as a date, in 100 ns ticks since 1601.
std::optional<uint64_t> OleDateTicks(double days)
{
    constexpr double kDaysFrom1601To1899 = 109205.0;
    const double ticks = std::round((days + kDaysFrom1601To1899) * 86400.0 * 1e7);
    if (!(ticks >= 0 && ticks < 2.5e18))
        return std::nullopt;
    return static_cast<uint64_t>(ticks);
}

// Reads a date cell back to 100 ns ticks; none when it is no date.
std::optional<uint64_t> ParseDate(const std::string& cell)
{
    char month[4] = {};
    unsigned day = 0, hour = 0, minute = 0, second = 0;
    int yearValue = 0;
    char fraction[16] = {};
    if (std::sscanf(cell.c_str(), "%3s %u, %d %u:%u:%u.%15s", month, &day, &yearValue, &hour, &minute, &second,
                    fraction) != 7)
        return std::nullopt;
    unsigned monthIndex = 0;
    while (monthIndex < 12 && std::strcmp(kMonths[monthIndex], month) != 0)
        ++monthIndex;
    if (monthIndex == 12)
        return std::nullopt;
    using namespace std::chrono;
    const auto date = sys_days(year(yearValue) / std::chrono::month(monthIndex + 1) / std::chrono::day(day)) -
                      sys_days(year(1601) / January / 1);
    std::string digits = std::string(fraction).substr(0, 7);
    digits.resize(7, '0');
    return (static_cast<uint64_t>(date.count()) * 86400 + hour * 3600 + minute * 60 + second) * 10000000 +
           std::stoull(digits);
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::string EscapedText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
    return out;
}

// The last FILETIME esedbexport writes as a date (year 9999).
constexpr uint64_t kLastFileTime = 2650467744000000000;

// SRUM's resource tables, named by a GUID in braces.
bool IsSrumTable(const std::string& table)
{
    return table.size() == 38 && table.front() == '{' && table.back() == '}';
}

// The date columns esedbexport knows by their table and name.
bool IsFileTimeColumn(const std::string& table, const Column& column)
{
    if (column.type != ColumnType::LongLong)
        return false;
    if (IsSrumTable(table))
        return column.name == "ConnectStartTime";
    if (table == "Containers")
        return column.name == "LastAccessTime" || column.name == "LastScavengeTime";
    if (table.starts_with("Container_"))
        return column.name == "SyncTime" || column.name == "ExpiryTime" || column.name == "AccessedTime" ||
               column.name == "CreationTime" || column.name == "ModifiedTime";
    return false;
}

std::string OneValue(const std::string& table, const Column& column, const std::string& bytes)
{
    const uint64_t integer = IntegerValue(column, bytes);
    char text[64];
    switch (column.type) {
    case ColumnType::Bit: return integer ? "true" : "false";
    case ColumnType::UnsignedByte:
    case ColumnType::UnsignedShort:
    case ColumnType::UnsignedLong: return std::to_string(integer);
    case ColumnType::Short: return std::to_string(static_cast<int16_t>(integer));
    case ColumnType::Long: return std::to_string(static_cast<int32_t>(integer));
    case ColumnType::Currency:
    case ColumnType::LongLong:
        if (IsFileTimeColumn(table, column))
            return DateText(integer);
        return std::to_string(static_cast<int64_t>(integer));
    case ColumnType::IEEESingle: {
        float value = 0;
        std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
        std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
        return text;
    }
    case ColumnType::IEEEDouble:
    case ColumnType::DateTime: {
        double value = 0;
        std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
        if (column.type == ColumnType::IEEEDouble) {
            std::snprintf(text, sizeof text, "%f", value);
            return text;
        }
        if (IsSrumTable(table) && column.name == "TimeStamp") {
            if (const auto ticks = OleDateTicks(value))
                return DateText(*ticks);
        } else if (integer < kLastFileTime) {
            return DateText(integer);
        }
        // Out of range: the value's two halves.
        std::snprintf(text, sizeof text, "(0x%08x 0x%08x)", unsigned(integer >> 32), unsigned(integer));
        return text;
    }
    case ColumnType::Text:
    case ColumnType::LongText: return EscapedText(TextValue(column, bytes));
    default: return Hex(bytes);
    }
}

}  // namespace

std::string ExportedText(const std::string& table, const Column& column, const ColumnValue* value,
                         const LongValues& longValues)
{
    if (!value)
        return {};
    std::string cell;
    for (const StoredValue& stored : value->values) {
        if (!cell.empty())
            cell += "; ";
        cell += OneValue(table, column, ResolveValue(stored, longValues));
    }
    return cell;
}

bool SameCell(const std::string& cell, const std::string& ours)
{
    if (cell == ours)
        return true;
    const auto theirs = ParseDate(cell);
    const auto mine = ParseDate(ours);
    return theirs && mine && (*theirs > *mine ? *theirs - *mine : *mine - *theirs) < 10000000;
}

}  // namespace trovana::ese::test
