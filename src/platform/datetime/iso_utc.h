// SPDX-License-Identifier: GPL-3.0-or-later
// FILETIME values (100 ns steps since 1601-01-01 UTC) as ISO 8601 UTC text
// and as Unix microseconds, for output read by other tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trovana {

enum class IsoForm {
    Exact,         // every 100 ns digit, "Z":  2010-11-10T07:54:30.0920000Z
    Microseconds,  // six digits, "+00:00":    2010-11-10T07:54:30.092000+00:00
};

// Empty for 0 ("not set") and for a time after the year 9999.
std::string IsoUtcFromFileTime(uint64_t fileTime, IsoForm form = IsoForm::Exact);

// Microseconds since 1970-01-01 UTC, rounded toward the past; negative
// before 1970 (Timesketch takes years from 1700); none for 0 and for a time
// after the year 9999.
std::optional<int64_t> UnixMicrosecondsFromFileTime(uint64_t fileTime);

}  // namespace trovana
