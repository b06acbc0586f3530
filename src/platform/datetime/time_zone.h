// SPDX-License-Identifier: GPL-3.0-or-later
// A time zone of the IANA database, as ICU keeps it, for times a recording
// machine kept in its own local time. No process-wide state (TZ, tzset, ICU's
// default zone) is touched, so that the window's own local times stay as
// they are.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace trovana {

// How a local time of a zone maps to instants.
enum class LocalTimeFit {
    Unique,    // one instant
    Skipped,   // none: the hour skipped when the clock is set forward
    Repeated,  // two: the hour repeated when the clock is set back
};

class TimeZone {
public:
    // Offset 0, named "UTC".
    static TimeZone Utc();
    // The zone of that IANA name ("Europe/Amsterdam"); none when ICU knows
    // no such zone.
    static std::optional<TimeZone> Load(const std::string& name);
    // The zone this machine runs in (and so the Wine programs on it): TZ
    // when set, else /etc/localtime; UTC when neither names a zone.
    static TimeZone Host();
    // The names of the zones that have a place of their own (ICU's canonical
    // location zones), with "UTC", sorted.
    static std::vector<std::string> KnownNames();

    const std::string& Name() const { return m_name; }
    // Seconds east of UTC at that instant (seconds since 1970, UTC).
    int32_t OffsetAt(int64_t utcSeconds) const;
    // The FILETIME in UTC of a FILETIME that holds local time of this zone
    // (0 stays 0). In the hour a clock is set back, the first of the two
    // instants; in the hour it skips, the offset before the change.
    uint64_t UtcFromLocalFileTime(uint64_t localFileTime) const;
    // Whether that local time (a FILETIME of this zone) names one instant,
    // none or two; 0 is Unique.
    LocalTimeFit FitOfLocalFileTime(uint64_t localFileTime) const;

private:
    struct Rules;
    // Seconds east of UTC for the local time (seconds since 1970, local),
    // taking the offset before a change (true) or after it (false) where
    // the local time is skipped or repeated.
    int32_t OffsetAtLocal(int64_t localSeconds, bool before) const;

    std::string m_name;
    std::shared_ptr<const Rules> m_rules;  // ICU's zone; null for UTC
};

// The words an output gives for a fit: "unique", "skipped", "repeated".
const char* LocalTimeFitName(LocalTimeFit fit);

}  // namespace trovana
