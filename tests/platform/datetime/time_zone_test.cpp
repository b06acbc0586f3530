// SPDX-License-Identifier: GPL-3.0-or-later
// Time zones from ICU against the facts of the zones, and against the C
// library's own reading of this machine's zone files (localtime_r with TZ
// set by the test), an independent reader of the same database.
#include "time_zone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "scoped_time_zone.h"
#include "windows_zone.h"

namespace trovana {
namespace {

using testing::FileTimeFromUnix;
using testing::ScopedTimeZone;

// Seconds since 1970 of a UTC date and time.
int64_t Unix(int year, int month, int day, int hour, int minute)
{
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    return ::timegm(&parts);
}

// The C library's offset of the zone at that instant.
long LibcOffset(int64_t utcSeconds)
{
    const std::time_t time = utcSeconds;
    std::tm local{};
    ::localtime_r(&time, &local);
    return local.tm_gmtoff;
}

TEST(TimeZone, OffsetsAgreeWithTheCLibrarysReadingOfTheZoneFiles)
{
    // Zones with daylight saving north and south, a half-hour one, and
    // one with none; years whose rules have not changed since.
    for (const char* name : {"Europe/Berlin", "America/Los_Angeles", "Australia/Sydney", "Asia/Kolkata"}) {
        const std::optional<TimeZone> zone = TimeZone::Load(name);
        ASSERT_TRUE(zone.has_value()) << name;
        EXPECT_EQ(zone->Name(), name);
        const ScopedTimeZone libc(name);
        // Every 6 hours 13 minutes over 1995 to 2021 meets every change.
        for (int64_t at = Unix(1995, 1, 1, 0, 0); at < Unix(2021, 12, 31, 0, 0); at += 6 * 3600 + 13 * 60)
            ASSERT_EQ(zone->OffsetAt(at), LibcOffset(at)) << name << " at " << at;
    }
    EXPECT_EQ(TimeZone::Utc().OffsetAt(Unix(2021, 7, 1, 0, 0)), 0);
}

TEST(TimeZone, TheSkippedAndTheRepeatedHourAreFlaggedAndConvertedToTheEarlierOffset)
{
    const std::optional<TimeZone> berlin = TimeZone::Load("Europe/Berlin");
    ASSERT_TRUE(berlin.has_value());
    const auto local = [](int month, int day, int hour, int minute) {
        return FileTimeFromUnix(Unix(2021, month, day, hour, minute));  // local time held as if UTC
    };
    {
        // The C library agrees: on 28 March 2021 01:59:59 UTC+1 is followed
        // by 03:00 UTC+2; on 31 October 02:30 is shown at two instants.
        const ScopedTimeZone libc("Europe/Berlin");
        EXPECT_EQ(LibcOffset(Unix(2021, 3, 28, 0, 59)), 3600);
        EXPECT_EQ(LibcOffset(Unix(2021, 3, 28, 1, 0)), 7200);
        EXPECT_EQ(Unix(2021, 10, 31, 0, 30) + LibcOffset(Unix(2021, 10, 31, 0, 30)), Unix(2021, 10, 31, 2, 30));
        EXPECT_EQ(Unix(2021, 10, 31, 1, 30) + LibcOffset(Unix(2021, 10, 31, 1, 30)), Unix(2021, 10, 31, 2, 30));
    }
    // 2021-03-28 02:30 does not exist: flagged, read with the offset before
    // the change (UTC+1).
    EXPECT_EQ(berlin->FitOfLocalFileTime(local(3, 28, 2, 30)), LocalTimeFit::Skipped);
    EXPECT_EQ(berlin->UtcFromLocalFileTime(local(3, 28, 2, 30)), local(3, 28, 1, 30));
    // 2021-10-31 02:30 exists twice: flagged, the first instant (UTC+2).
    EXPECT_EQ(berlin->FitOfLocalFileTime(local(10, 31, 2, 30)), LocalTimeFit::Repeated);
    EXPECT_EQ(berlin->UtcFromLocalFileTime(local(10, 31, 2, 30)), local(10, 31, 0, 30));
    // Just outside those hours, and in UTC, every local time is one instant.
    for (const uint64_t time : {local(3, 28, 1, 59), local(3, 28, 3, 0), local(10, 31, 1, 59), local(10, 31, 3, 0)})
        EXPECT_EQ(berlin->FitOfLocalFileTime(time), LocalTimeFit::Unique) << time;
    EXPECT_EQ(berlin->UtcFromLocalFileTime(local(3, 28, 3, 0)), local(3, 28, 1, 0));
    EXPECT_EQ(berlin->UtcFromLocalFileTime(local(10, 31, 3, 0)), local(10, 31, 2, 0));
    EXPECT_EQ(TimeZone::Utc().FitOfLocalFileTime(local(3, 28, 2, 30)), LocalTimeFit::Unique);
    EXPECT_EQ(berlin->UtcFromLocalFileTime(0), 0u);
    EXPECT_STREQ(LocalTimeFitName(LocalTimeFit::Skipped), "skipped");
    EXPECT_STREQ(LocalTimeFitName(LocalTimeFit::Repeated), "repeated");
}

TEST(TimeZone, NamesComeFromIcuAndTheHostZoneFromTz)
{
    EXPECT_FALSE(TimeZone::Load("Nowhere/Atlantis").has_value());
    EXPECT_FALSE(TimeZone::Load("").has_value());
    EXPECT_EQ(TimeZone::Load("UTC")->Name(), "UTC");
    const std::vector<std::string> names = TimeZone::KnownNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const char* name : {"UTC", "Europe/Berlin", "America/Los_Angeles", "Pacific/Chatham"})
        EXPECT_TRUE(std::binary_search(names.begin(), names.end(), name)) << name;
    EXPECT_GT(names.size(), 300u);
    {
        const ScopedTimeZone tz("America/Denver");
        EXPECT_EQ(TimeZone::Host().Name(), "America/Denver");
    }
    {
        const ScopedTimeZone tz(":Asia/Tokyo");
        EXPECT_EQ(TimeZone::Host().Name(), "Asia/Tokyo");
    }
    const ScopedTimeZone unknown("Nowhere/Atlantis");
    EXPECT_EQ(TimeZone::Host().Name(), "UTC");
}

TEST(WindowsZone, KeyNamesMapToTheirIanaZoneAsCldrHasThem)
{
    EXPECT_EQ(IanaNameOfWindowsZone("Pacific Standard Time"), "America/Los_Angeles");
    EXPECT_EQ(IanaNameOfWindowsZone("W. Europe Standard Time"), "Europe/Berlin");
    EXPECT_EQ(IanaNameOfWindowsZone("Tokyo Standard Time"), "Asia/Tokyo");
    EXPECT_EQ(IanaNameOfWindowsZone("UTC"), "Etc/UTC");
    EXPECT_EQ(IanaNameOfWindowsZone("Nowhere Standard Time"), std::nullopt);
    EXPECT_EQ(IanaNameOfWindowsZone(""), std::nullopt);
    // Los Angeles through its Windows name keeps Pacific time's changes:
    // 14 March 2021 10:00 UTC is 03:00 PDT, an hour before 02:00 PST.
    const std::optional<TimeZone> pacific = TimeZone::Load(*IanaNameOfWindowsZone("Pacific Standard Time"));
    ASSERT_TRUE(pacific.has_value());
    EXPECT_EQ(pacific->OffsetAt(Unix(2021, 3, 14, 9, 59)), -8 * 3600);
    EXPECT_EQ(pacific->OffsetAt(Unix(2021, 3, 14, 10, 0)), -7 * 3600);
    EXPECT_EQ(pacific->FitOfLocalFileTime(FileTimeFromUnix(Unix(2021, 3, 14, 2, 30))), LocalTimeFit::Skipped);
    EXPECT_EQ(pacific->FitOfLocalFileTime(FileTimeFromUnix(Unix(2021, 11, 7, 1, 30))), LocalTimeFit::Repeated);

    const std::vector<std::string> windows = KnownWindowsZones();
    EXPECT_GT(windows.size(), 100u);
    EXPECT_TRUE(std::binary_search(windows.begin(), windows.end(), "Pacific Standard Time"));
    EXPECT_TRUE(std::binary_search(windows.begin(), windows.end(), "W. Europe Standard Time"));
}

}  // namespace
}  // namespace trovana
