// SPDX-License-Identifier: GPL-3.0-or-later
#include "datetime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>

#include "scoped_time_zone.h"

namespace trovana {
namespace {

using testing::FileTimeFromUnix;
using testing::ScopedTimeZone;

// 15 March 2004 22:02:09 UTC.
constexpr int64_t kMarch15 = 1079388129;
// 1 January 1601 00:00:00 UTC, and 31 December 9999 23:59:59 UTC.
constexpr int64_t k1601 = -11'644'473'600;
constexpr int64_t kLastSecondOf9999 = 253'402'300'799;

std::string LocalText(uint64_t fileTime)
{
    return DateTime::FromFileTime(fileTime).Format();
}

TEST(DateTimeFromFileTime, ZoneBehindUtcShiftsBackAndRejectsTimesBefore1601Locally)
{
    ScopedTimeZone zone("XST5");
    EXPECT_EQ(LocalText(FileTimeFromUnix(kMarch15)), "03/15/04 17:02:09");
    // Midnight UTC is still the previous day five hours behind.
    EXPECT_EQ(LocalText(FileTimeFromUnix(1078790400)), "03/08/04 19:00:00");

    EXPECT_FALSE(DateTime::FromFileTime(0).IsValid());
    EXPECT_FALSE(DateTime::FromFileTime(FileTimeFromUnix(k1601 + 5 * 3600 - 1)).IsValid());
    const DateTime first = DateTime::FromFileTime(FileTimeFromUnix(k1601 + 5 * 3600));
    ASSERT_TRUE(first.IsValid());
    EXPECT_EQ(first.Year(), 1601);
    EXPECT_EQ(first.Format(), "01/01/01 00:00:00");
}

TEST(DateTimeFromFileTime, ZoneAheadOfUtcShiftsForwardAndAcceptsZero)
{
    ScopedTimeZone zone("JST-9");
    EXPECT_EQ(LocalText(FileTimeFromUnix(kMarch15 - 14 * 3600)), "03/15/04 17:02:09");
    // 31 December 2004 20:00 UTC is already the new year.
    EXPECT_EQ(LocalText(FileTimeFromUnix(1104523200)), "01/01/05 05:00:00");

    const DateTime zero = DateTime::FromFileTime(0);
    ASSERT_TRUE(zero.IsValid());
    EXPECT_EQ(zero.Year(), 1601);
    EXPECT_EQ(zero.Format(), "01/01/01 09:00:00");
    // In UTC a zero time is one never set: nothing to show.
    EXPECT_FALSE(DateTime::FromFileTimeUtc(0).IsValid());
    EXPECT_EQ(DateTime::FromFileTimeUtc(FileTimeFromUnix(k1601 + 1)).Format(), "01/01/01 00:00:01");
}

TEST(DateTimeFromFileTime, DaylightSavingFollowsTheRulesOfEachDate)
{
    ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    // Winter and summer dates of the same year get different shifts.
    EXPECT_EQ(LocalText(FileTimeFromUnix(1610712000)), "01/15/21 07:00:00");
    EXPECT_EQ(LocalText(FileTimeFromUnix(1626350400)), "07/15/21 08:00:00");
    // The spring change on 14 March 2021: 01:59:59 EST is followed by 03:00:00 EDT.
    EXPECT_EQ(LocalText(FileTimeFromUnix(1615705199)), "03/14/21 01:59:59");
    EXPECT_EQ(LocalText(FileTimeFromUnix(1615705200)), "03/14/21 03:00:00");
    // The autumn change on 7 November 2021 shows 01:30 twice, an hour apart.
    EXPECT_EQ(LocalText(FileTimeFromUnix(1636263000)), "11/07/21 01:30:00");
    EXPECT_EQ(LocalText(FileTimeFromUnix(1636266600)), "11/07/21 01:30:00");
}

TEST(DateTimeFromFileTime, DatesAfterTheYear9999AreInvalid)
{
    {
        ScopedTimeZone zone("UTC0");
        const DateTime last = DateTime::FromFileTime(FileTimeFromUnix(kLastSecondOf9999));
        ASSERT_TRUE(last.IsValid());
        EXPECT_EQ(last.Format(), "12/31/99 23:59:59");
        EXPECT_FALSE(DateTime::FromFileTime(FileTimeFromUnix(kLastSecondOf9999 + 1)).IsValid());
        EXPECT_FALSE(DateTime::FromFileTime(std::numeric_limits<uint64_t>::max()).IsValid());
        EXPECT_FALSE(DateTime::FromFileTime(0x7FFFFFFFFFFFFFFF).IsValid());
    }
    ScopedTimeZone zone("JST-9");
    // Still 9999 in UTC, but the local shift reaches the year 10000.
    EXPECT_FALSE(DateTime::FromFileTime(FileTimeFromUnix(kLastSecondOf9999 - 3600)).IsValid());
}

TEST(DateTimeFromFileTime, TicksBelowASecondAreDropped)
{
    ScopedTimeZone zone("UTC0");
    const uint64_t second = FileTimeFromUnix(kMarch15);
    EXPECT_EQ(DateTime::FromFileTime(second + 9'999'999), DateTime::FromFileTime(second));
    EXPECT_EQ(LocalText(second + 9'999'999), "03/15/04 22:02:09");
}

TEST(DateTimeFormat, WritesTheCLocaleFormWithATwoDigitYear)
{
    EXPECT_EQ(DateTime::FromParts(2004, 3, 5, 7, 2, 9).Format(), "03/05/04 07:02:09");
    EXPECT_EQ(DateTime::FromParts(2000, 12, 31, 23, 59, 59).Format(), "12/31/00 23:59:59");
    EXPECT_EQ(DateTime::FromParts(1999, 1, 1).Format(), "01/01/99 00:00:00");
    EXPECT_EQ(DateTime().Format(), "12/30/99 00:00:00");
    EXPECT_EQ(DateTime::FromParts(2004, 2, 30).Format(), "");
}

TEST(DateTimeFromParts, AcceptsOnlyRealDatesOfTheYears100To9999)
{
    EXPECT_FALSE(DateTime::FromParts(99, 12, 31).IsValid());
    EXPECT_TRUE(DateTime::FromParts(100, 1, 1).IsValid());
    EXPECT_TRUE(DateTime::FromParts(9999, 12, 31, 23, 59, 59).IsValid());
    EXPECT_FALSE(DateTime::FromParts(10000, 1, 1).IsValid());

    EXPECT_TRUE(DateTime::FromParts(2004, 2, 29).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2100, 2, 29).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2004, 13, 1).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2004, 0, 1).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2004, 1, 0).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2004, 1, 1, 24).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2004, 1, 1, 0, 60).IsValid());
    EXPECT_FALSE(DateTime::FromParts(2004, 1, 1, 0, 0, -1).IsValid());

    const DateTime value = DateTime::FromParts(1601, 1, 2, 3, 4, 5);
    EXPECT_EQ(value.Year(), 1601);
    EXPECT_EQ(value.Month(), 1);
    EXPECT_EQ(value.Day(), 2);
    EXPECT_EQ(value.Hour(), 3);
    EXPECT_EQ(value.Minute(), 4);
    EXPECT_EQ(value.Second(), 5);
}

TEST(DateTimeParse, ReadsBackWhatFormatWrites)
{
    for (const DateTime value :
         {DateTime::FromParts(2004, 3, 15, 17, 2, 9), DateTime::FromParts(1999, 12, 31, 23, 59, 59),
          DateTime::FromParts(2029, 1, 1, 0, 0, 0)}) {
        EXPECT_EQ(DateTime::Parse(value.Format()), value) << value.Format();
    }
}

TEST(DateTimeParse, AcceptsADateAloneAndLooserForms)
{
    EXPECT_EQ(DateTime::Parse("03/15/04"), DateTime::FromParts(2004, 3, 15));
    EXPECT_EQ(DateTime::Parse(" 3/5/2004 7:02 "), DateTime::FromParts(2004, 3, 5, 7, 2, 0));
    EXPECT_EQ(DateTime::Parse("12/31/1899 23:59:59"), DateTime::FromParts(1899, 12, 31, 23, 59, 59));
    // Two-digit years: 00-29 this century, 30-99 the last.
    EXPECT_EQ(DateTime::Parse("01/01/29").Year(), 2029);
    EXPECT_EQ(DateTime::Parse("01/01/30").Year(), 1930);
    EXPECT_EQ(DateTime::Parse("01/01/00").Year(), 2000);
}

TEST(DateTimeParse, DateOnlyDropsTheTimeOfDay)
{
    const DateTime date = DateTime::Parse("03/15/04 17:02:09", DateTime::ParseMode::DateOnly);
    EXPECT_EQ(date, DateTime::FromParts(2004, 3, 15));
    EXPECT_EQ(date, DateTime::Parse("03/15/04"));
    // The time must still be well formed.
    EXPECT_FALSE(DateTime::Parse("03/15/04 25:00:00", DateTime::ParseMode::DateOnly).IsValid());
}

TEST(DateTimeParse, RejectsTextsThatAreNotADate)
{
    for (const char* text : {"", " ", "abc", "03-15-04", "03/15", "03/15/", "13/01/04", "02/30/04", "00/10/04",
                             "03/15/04 24:00:00", "03/15/04 17", "03/15/04 17:02:", "03/15/04 17:02:09x", "03/15/04x",
                             "-3/15/04", "+3/15/04", "03/15/99999", "03/15/0099"}) {
        EXPECT_FALSE(DateTime::Parse(text).IsValid()) << '"' << text << '"';
    }
}

TEST(DateTimeCompare, OrdersByTimeAndDateOnlyMakesOneDayEqual)
{
    const DateTime morning = DateTime::FromParts(2004, 3, 15, 8, 0, 0);
    const DateTime evening = DateTime::FromParts(2004, 3, 15, 20, 0, 0);
    const DateTime nextDay = DateTime::FromParts(2004, 3, 16);
    EXPECT_LT(morning, evening);
    EXPECT_LT(evening, nextDay);
    EXPECT_GT(nextDay, morning);
    EXPECT_NE(morning, evening);
    EXPECT_EQ(morning.DateOnly(), evening.DateOnly());
    EXPECT_EQ(morning.DateOnly(), DateTime::FromParts(2004, 3, 15));
    // Across years, months and days the order is the calendar's.
    EXPECT_LT(DateTime::FromParts(1999, 12, 31, 23, 59, 59), DateTime::FromParts(2000, 1, 1));
    EXPECT_LT(DateTime::FromParts(1601, 1, 1), DateTime());
}

TEST(DateTimeToday, IsTheLocalDateAtMidnight)
{
    ScopedTimeZone zone("UTC0");
    const std::time_t before = std::time(nullptr);
    const DateTime today = DateTime::Today();
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(today.Hour(), 0);
    EXPECT_EQ(today.Minute(), 0);
    EXPECT_EQ(today.Second(), 0);
    // The day may turn between the readings: either day is right.
    std::tm utc{};
    const auto dayOf = [&utc](std::time_t when) {
        gmtime_r(&when, &utc);
        return DateTime::FromParts(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
    };
    EXPECT_TRUE(today == dayOf(before) || today == dayOf(after));
    EXPECT_LE(today, DateTime::Now());
}

}  // namespace
}  // namespace trovana
