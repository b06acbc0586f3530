// SPDX-License-Identifier: GPL-3.0-or-later
#include "time_zone.h"

#include <unicode/basictz.h>
#include <unicode/strenum.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace trovana {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kUnixEpochSeconds = 11'644'473'600;  // 1970-01-01 in seconds since 1601

// Seconds since 1970 of a FILETIME (whole seconds; the ticks below are kept
// by the callers).
int64_t UnixSeconds(uint64_t fileTime)
{
    return static_cast<int64_t>(fileTime / kTicksPerSecond) - kUnixEpochSeconds;
}

}  // namespace

struct TimeZone::Rules {
    std::unique_ptr<icu::TimeZone> zone;
    // The same zone with its transitions (every zone ICU loads by name is
    // one); null otherwise, and then only its offsets at instants are used.
    const icu::BasicTimeZone* basic = nullptr;
};

TimeZone TimeZone::Utc()
{
    TimeZone zone;
    zone.m_name = "UTC";
    return zone;
}

std::optional<TimeZone> TimeZone::Load(const std::string& name)
{
    if (name == "UTC")
        return Utc();
    if (name.empty())
        return std::nullopt;
    auto rules = std::make_shared<Rules>();
    rules->zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
    // An unknown name gives ICU's "Etc/Unknown" (offset 0), not an error.
    if (!rules->zone || *rules->zone == icu::TimeZone::getUnknown())
        return std::nullopt;
    rules->basic = dynamic_cast<const icu::BasicTimeZone*>(rules->zone.get());
    TimeZone zone;
    zone.m_name = name;
    zone.m_rules = std::move(rules);
    return zone;
}

TimeZone TimeZone::Host()
{
    std::string name;
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        name = tz[0] == ':' ? tz + 1 : tz;
    } else {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
        if (const size_t at = target.find("zoneinfo/"); at != std::string::npos)
            name = target.substr(at + 9);
    }
    return Load(name).value_or(Utc());
}

std::vector<std::string> TimeZone::KnownNames()
{
    std::vector<std::string> names{"UTC"};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::StringEnumeration> zones(
        icu::TimeZone::createTimeZoneIDEnumeration(UCAL_ZONE_TYPE_CANONICAL_LOCATION, nullptr, nullptr, status));
    if (U_FAILURE(status) || !zones)
        return names;
    while (const icu::UnicodeString* id = zones->snext(status)) {
        if (U_FAILURE(status))
            break;
        std::string name;
        names.push_back(id->toUTF8String(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

int32_t TimeZone::OffsetAt(int64_t utcSeconds) const
{
    if (!m_rules)
        return 0;
    int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    m_rules->zone->getOffset(static_cast<UDate>(utcSeconds) * 1000.0, false, raw, dst, status);
    return U_FAILURE(status) ? 0 : (raw + dst) / 1000;
}

int32_t TimeZone::OffsetAtLocal(int64_t localSeconds, bool before) const
{
    if (!m_rules)
        return 0;
    int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    const UDate local = static_cast<UDate>(localSeconds) * 1000.0;
    if (m_rules->basic) {
        const UTimeZoneLocalOption option = before ? UCAL_TZ_LOCAL_FORMER : UCAL_TZ_LOCAL_LATTER;
        m_rules->basic->getOffsetFromLocal(local, option, option, raw, dst, status);
    } else {
        m_rules->zone->getOffset(local, true, raw, dst, status);
    }
    return U_FAILURE(status) ? 0 : (raw + dst) / 1000;
}

uint64_t TimeZone::UtcFromLocalFileTime(uint64_t localFileTime) const
{
    if (localFileTime == 0)
        return 0;
    const int32_t offset = OffsetAtLocal(UnixSeconds(localFileTime), true);
    const int64_t shifted = static_cast<int64_t>(localFileTime) - int64_t{offset} * kTicksPerSecond;
    return shifted > 0 ? static_cast<uint64_t>(shifted) : 0;
}

LocalTimeFit TimeZone::FitOfLocalFileTime(uint64_t localFileTime) const
{
    if (localFileTime == 0 || !m_rules)
        return LocalTimeFit::Unique;
    const int64_t local = UnixSeconds(localFileTime);
    const int32_t before = OffsetAtLocal(local, true);
    const int32_t after = OffsetAtLocal(local, false);
    // Set forward, the offset grows and the hour between has no instant; set
    // back, it shrinks and the hour between has two.
    if (before < after)
        return LocalTimeFit::Skipped;
    if (before > after)
        return LocalTimeFit::Repeated;
    return LocalTimeFit::Unique;
}

const char* LocalTimeFitName(LocalTimeFit fit)
{
    switch (fit) {
    case LocalTimeFit::Unique: return "unique";
    case LocalTimeFit::Skipped: return "skipped";
    case LocalTimeFit::Repeated: return "repeated";
    }
    return "unique";
}

}  // namespace trovana
