// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_time.h"

namespace trovana::urlcache {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kUnixEpochInFileTimeSeconds = 11'644'473'600;
constexpr int64_t kSecondsPerDay = 86'400;

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's
// days_from_civil).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yoe) + era * 400 + (month <= 2), month, day};
}

unsigned DaysInMonth(int64_t year, unsigned month)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds)
{
    const int64_t since1601 = seconds + kUnixEpochInFileTimeSeconds;
    if (since1601 < 0)
        return 0;
    return static_cast<uint64_t>(since1601) * kTicksPerSecond + static_cast<uint64_t>(nanoseconds / 100);
}

uint64_t FileTimeFromTimespec(const timespec& ts)
{
    return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

uint64_t FileTimeNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeFromTimespec(ts);
}

DosDateTime DosFromFileTime(uint64_t fileTime)
{
    if (fileTime == 0)
        return {};
    const auto unixSeconds = static_cast<int64_t>(fileTime / kTicksPerSecond) - kUnixEpochInFileTimeSeconds;
    int64_t days = unixSeconds / kSecondsPerDay;
    int64_t secondOfDay = unixSeconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    const CivilDate date = CivilFromDays(days);
    if (date.year < 1980 || date.year > 2107)
        return {};
    const auto hour = static_cast<unsigned>(secondOfDay / 3600);
    const auto minute = static_cast<unsigned>(secondOfDay / 60 % 60);
    const auto second = static_cast<unsigned>(secondOfDay % 60);
    return {static_cast<uint16_t>((date.year - 1980) << 9 | date.month << 5 | date.day),
            static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2)};
}

uint64_t FileTimeFromDos(DosDateTime dos)
{
    if (dos.date == 0 && dos.time == 0)
        return 0;
    const int64_t year = 1980 + (dos.date >> 9);
    const unsigned month = (dos.date >> 5) & 0x0F;
    const unsigned day = dos.date & 0x1F;
    const unsigned hour = dos.time >> 11;
    const unsigned minute = (dos.time >> 5) & 0x3F;
    const unsigned second = (dos.time & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 58)
        return 0;
    const int64_t seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return FileTimeFromUnix(seconds, 0);
}

}  // namespace trovana::urlcache
