// SPDX-License-Identifier: GPL-3.0-or-later
// A time zone of the IANA database, read from its compiled file under
// /usr/share/zoneinfo (or $TZDIR), for times a recording machine kept in its
// own local time. Holds the zone's transitions; no process-wide state (TZ,
// tzset) is touched, so that the window's own local times stay as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trovana {

class TimeZone {
public:
    // Offset 0, named "UTC".
    static TimeZone Utc();
    // The zone of that IANA name ("Europe/Amsterdam"); none when there is no
    // such zone file or it does not read as one.
    static std::optional<TimeZone> Load(const std::string& name);
    // The zone this machine runs in (and so the Wine programs on it): TZ
    // when set, else /etc/localtime; UTC when neither names a zone.
    static TimeZone Host();
    // The names of the zones of this machine's database (its zone1970.tab),
    // with "UTC", sorted.
    static std::vector<std::string> KnownNames();

    const std::string& Name() const { return m_name; }
    // Seconds east of UTC at that instant (seconds since 1970, UTC).
    int32_t OffsetAt(int64_t utcSeconds) const;
    // The FILETIME in UTC of a FILETIME that holds local time of this zone
    // (0 stays 0). In the hour a clock is set back, the first of the two
    // instants; in the hour it skips, the offset before the change.
    uint64_t UtcFromLocalFileTime(uint64_t localFileTime) const;

private:
    std::string m_name;
    std::vector<int64_t> m_transitions;  // UTC seconds, ascending
    std::vector<int32_t> m_offsets;      // in force from each transition on
    int32_t m_initialOffset = 0;         // before the first
};

}  // namespace trovana
