// SPDX-License-Identifier: GPL-3.0-or-later
// Sets TZ for one test and puts the previous zone back afterwards.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace trovana::testing {

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* previous = std::getenv("TZ")) {
            m_previous = previous;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_previous) {
            ::setenv("TZ", m_previous->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_previous;
};

// The FILETIME of a Unix time (seconds since 1970, UTC).
constexpr uint64_t FileTimeFromUnix(int64_t seconds)
{
    return static_cast<uint64_t>(seconds + 11'644'473'600) * 10'000'000;
}

}  // namespace trovana::testing
