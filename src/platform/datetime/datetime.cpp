// SPDX-License-Identifier: GPL-3.0-or-later
#include "datetime.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <iterator>

namespace trovana {

namespace {

using namespace std::chrono;

constexpr int64_t kSecondsPerDay = 86400;
constexpr uint64_t kTicksPerSecond = 10'000'000;
// Seconds from 1 January 1601 to 1 January 1970.
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

struct Civil {
    year_month_day date;
    int64_t secondOfDay;
};

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

Civil ToCivil(int64_t seconds)
{
    const int64_t days = FloorDiv(seconds, kSecondsPerDay);
    return {year_month_day{sys_days{std::chrono::days{days}}}, seconds - days * kSecondsPerDay};
}

// The offset of local time from UTC, in seconds, at the given instant.
bool LocalOffset(int64_t utcSeconds, int64_t& offset)
{
    const time_t when = static_cast<time_t>(utcSeconds);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return false;
    }
    offset = local.tm_gmtoff;
    return true;
}

// Reads an unsigned decimal of 1 to maxDigits digits at text[pos].
bool ReadNumber(std::string_view text, size_t& pos, size_t maxDigits, int& value, size_t& digits)
{
    const char* begin = text.data() + pos;
    const char* end = text.data() + std::min(text.size(), pos + maxDigits);
    if (begin == end || *begin < '0' || *begin > '9') {
        return false;
    }
    const auto [next, error] = std::from_chars(begin, end, value);
    if (error != std::errc{}) {
        return false;
    }
    digits = static_cast<size_t>(next - begin);
    pos += digits;
    return true;
}

bool ReadNumber(std::string_view text, size_t& pos, size_t maxDigits, int& value)
{
    size_t digits = 0;
    return ReadNumber(text, pos, maxDigits, value, digits);
}

bool Expect(std::string_view text, size_t& pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

void SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
}

int WidenYear(int year, size_t digits)
{
    if (digits > 2) {
        return year;
    }
    return year < 30 ? 2000 + year : 1900 + year;
}

}  // namespace

DateTime DateTime::Invalid()
{
    DateTime value;
    value.m_seconds = 0;
    value.m_valid = false;
    return value;
}

DateTime DateTime::FromLocalSeconds(int64_t secondsSince1970)
{
    const int year = static_cast<int>(ToCivil(secondsSince1970).date.year());
    if (year < kMinYear || year > kMaxYear) {
        return Invalid();
    }
    DateTime value;
    value.m_seconds = secondsSince1970;
    return value;
}

DateTime DateTime::FromFileTime(uint64_t fileTime)
{
    // Sub-second ticks are dropped, as the conversion through a SYSTEMTIME does.
    const int64_t utcSince1601 = static_cast<int64_t>(fileTime / kTicksPerSecond);
    const int64_t utcSince1970 = utcSince1601 - kSecondsFrom1601To1970;
    int64_t offset = 0;
    if (!LocalOffset(utcSince1970, offset) || utcSince1601 + offset < 0) {
        return Invalid();
    }
    return FromLocalSeconds(utcSince1970 + offset);
}

DateTime DateTime::FromFileTimeUtc(uint64_t fileTime)
{
    // Zero is a time that was never set: nothing to show.
    if (fileTime == 0)
        return Invalid();
    const int64_t utcSince1601 = static_cast<int64_t>(fileTime / kTicksPerSecond);
    return FromLocalSeconds(utcSince1601 - kSecondsFrom1601To1970);
}

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second)
{
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59) {
        return Invalid();
    }
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) {
        return Invalid();
    }
    DateTime value;
    value.m_seconds = sys_days{date}.time_since_epoch().count() * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return value;
}

DateTime DateTime::Now()
{
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    int64_t offset = 0;
    if (!LocalOffset(now, offset)) {
        return Invalid();
    }
    return FromLocalSeconds(now + offset);
}

DateTime DateTime::Today()
{
    return Now().DateOnly();
}

DateTime DateTime::Parse(std::string_view text, ParseMode mode)
{
    size_t pos = 0;
    int month = 0;
    int day = 0;
    int year = 0;
    size_t yearDigits = 0;
    SkipBlanks(text, pos);
    if (!ReadNumber(text, pos, 2, month) || !Expect(text, pos, '/') || !ReadNumber(text, pos, 2, day) ||
        !Expect(text, pos, '/') || !ReadNumber(text, pos, 4, year, yearDigits)) {
        return Invalid();
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    SkipBlanks(text, pos);
    if (pos < text.size()) {
        if (!ReadNumber(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, minute)) {
            return Invalid();
        }
        if (Expect(text, pos, ':') && !ReadNumber(text, pos, 2, second)) {
            return Invalid();
        }
        SkipBlanks(text, pos);
        if (pos != text.size()) {
            return Invalid();
        }
    }
    const DateTime value = FromParts(WidenYear(year, yearDigits), month, day, hour, minute, second);
    return mode == ParseMode::DateOnly ? value.DateOnly() : value;
}

int DateTime::Year() const
{
    return static_cast<int>(ToCivil(m_seconds).date.year());
}

int DateTime::Month() const
{
    return static_cast<int>(static_cast<unsigned>(ToCivil(m_seconds).date.month()));
}

int DateTime::Day() const
{
    return static_cast<int>(static_cast<unsigned>(ToCivil(m_seconds).date.day()));
}

int DateTime::Hour() const
{
    return static_cast<int>(ToCivil(m_seconds).secondOfDay / 3600);
}

int DateTime::Minute() const
{
    return static_cast<int>(ToCivil(m_seconds).secondOfDay / 60 % 60);
}

int DateTime::Second() const
{
    return static_cast<int>(ToCivil(m_seconds).secondOfDay % 60);
}

DateTime DateTime::DateOnly() const
{
    if (!m_valid) {
        return *this;
    }
    DateTime value;
    value.m_seconds = m_seconds - ToCivil(m_seconds).secondOfDay;
    return value;
}

std::string DateTime::Format() const
{
    if (!m_valid) {
        return {};
    }
    const Civil civil = ToCivil(m_seconds);
    const int fields[] = {
        static_cast<int>(static_cast<unsigned>(civil.date.month())),
        static_cast<int>(static_cast<unsigned>(civil.date.day())),
        static_cast<int>(civil.date.year()) % 100,
        static_cast<int>(civil.secondOfDay / 3600),
        static_cast<int>(civil.secondOfDay / 60 % 60),
        static_cast<int>(civil.secondOfDay % 60),
    };
    // "MM/DD/YY HH:MM:SS": each field two digits, then its separator.
    std::string text = "00/00/00 00:00:00";
    for (size_t i = 0; i < std::size(fields); ++i) {
        text[i * 3] = static_cast<char>('0' + fields[i] / 10);
        text[i * 3 + 1] = static_cast<char>('0' + fields[i] % 10);
    }
    return text;
}

}  // namespace trovana
