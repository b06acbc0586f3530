// SPDX-License-Identifier: GPL-3.0-or-later
#include "iso_utc.h"

#include <chrono>
#include <cstdio>

namespace trovana {
namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr uint64_t kTicksPerDay = kTicksPerSecond * 86'400;
constexpr uint64_t kUnixEpoch = 116'444'736'000'000'000;  // 1970-01-01 as a FILETIME
// 10000-01-01 00:00:00 UTC as a FILETIME: the first time four year digits cannot show.
constexpr uint64_t kYear10000 = 2'650'467'744'000'000'000;

}  // namespace

std::string IsoUtcFromFileTime(uint64_t fileTime, IsoForm form)
{
    if (fileTime == 0 || fileTime >= kYear10000)
        return {};
    using namespace std::chrono;
    // Day 0 of FILETIME is 1601-01-01, 134,774 days before 1970-01-01.
    const sys_days day{days{static_cast<int64_t>(fileTime / kTicksPerDay) - 134'774}};
    const year_month_day date{day};
    const uint64_t ticks = fileTime % kTicksPerDay;
    const uint64_t seconds = ticks / kTicksPerSecond;
    const uint64_t fraction = ticks % kTicksPerSecond;
    char text[48];
    const int year = static_cast<int>(date.year());
    const unsigned month = static_cast<unsigned>(date.month());
    const unsigned dayOfMonth = static_cast<unsigned>(date.day());
    const auto hour = static_cast<unsigned>(seconds / 3600);
    const auto minute = static_cast<unsigned>(seconds / 60 % 60);
    const auto second = static_cast<unsigned>(seconds % 60);
    if (form == IsoForm::Exact) {
        std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02u:%02u:%02u.%07uZ", year, month, dayOfMonth, hour, minute,
                      second, static_cast<unsigned>(fraction));
    } else {
        std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02u:%02u:%02u.%06u+00:00", year, month, dayOfMonth, hour,
                      minute, second, static_cast<unsigned>(fraction / 10));
    }
    return text;
}

std::optional<int64_t> UnixMicrosecondsFromFileTime(uint64_t fileTime)
{
    if (fileTime == 0 || fileTime >= kYear10000)
        return std::nullopt;
    if (fileTime >= kUnixEpoch)
        return static_cast<int64_t>((fileTime - kUnixEpoch) / 10);
    return -static_cast<int64_t>((kUnixEpoch - fileTime + 9) / 10);
}

}  // namespace trovana
