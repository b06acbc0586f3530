// SPDX-License-Identifier: GPL-3.0-or-later
// A local calendar date and time of day with a valid or invalid status, to
// second precision: what the program needs of a COleDateTime. Values come
// from a cache FILETIME (UTC, converted to local time by the system's time
// zone rules for that date), from the "%c" text it shows, or from parts.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace trovana {

class DateTime {
public:
    static constexpr int kMinYear = 100;
    static constexpr int kMaxYear = 9999;

    // 30 December 1899 00:00:00, valid: a COleDateTime's zero.
    DateTime() = default;

    // A FILETIME (100 ns steps since 1 January 1601, UTC) in local time.
    // Invalid when the local shift takes it below zero (a zero FILETIME in
    // a zone behind UTC) or the local date lies after the year 9999. The
    // zone is the one the C library has loaded: after a change of TZ, call
    // tzset() first.
    static DateTime FromFileTime(uint64_t fileTime);
    // The same FILETIME as a UTC date and time, with no zone applied.
    static DateTime FromFileTimeUtc(uint64_t fileTime);

    // Invalid when a part is out of range (years 100 to 9999).
    static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    // The current local date and time, and today at 00:00:00.
    static DateTime Now();
    static DateTime Today();

    enum class ParseMode { DateAndTime, DateOnly };
    // Reads the form Format() writes, "MM/DD/YY HH:MM:SS", and also a date
    // alone, a time without seconds, one-digit fields and four-digit years.
    // Two-digit years 00-29 are 2000-2029 and 30-99 are 1930-1999, the
    // window that OLE dates use. DateOnly drops the time of day. An invalid
    // value when the text does not parse.
    static DateTime Parse(std::string_view text, ParseMode mode = ParseMode::DateAndTime);

    bool IsValid() const { return m_valid; }

    int Year() const;
    int Month() const;
    int Day() const;
    int Hour() const;
    int Minute() const;
    int Second() const;

    // The same day at 00:00:00.
    DateTime DateOnly() const;

    // The "%c" text of the C locale, "03/15/04 17:02:09"; empty when invalid.
    std::string Format() const;

    // Ordered by time; the order of invalid values means nothing.
    friend auto operator<=>(const DateTime&, const DateTime&) = default;

private:
    static DateTime Invalid();
    static DateTime FromLocalSeconds(int64_t secondsSince1970);

    // Local time as seconds since 1 January 1970 00:00:00 on the local
    // calendar, so that calendar arithmetic needs no zone; -2209161600 is
    // 30 December 1899.
    int64_t m_seconds = -2209161600;
    bool m_valid = true;
};

}  // namespace trovana
