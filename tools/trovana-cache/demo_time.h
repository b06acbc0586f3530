// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between Unix seconds and FILETIME, and the time texts the demo
// writes (HTTP dates).
#pragma once

#include <cstdint>
#include <string>

namespace trovana::cli {

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr int64_t kFileTimeEpochOffset = 11644473600;

inline constexpr uint64_t FileTimeFromUnix(int64_t seconds)
{
    return static_cast<uint64_t>(seconds + kFileTimeEpochOffset) * 10000000ull;
}

inline constexpr int64_t UnixFromFileTime(uint64_t fileTime)
{
    return static_cast<int64_t>(fileTime / 10000000ull) - kFileTimeEpochOffset;
}

// "Tue, 14 May 2024 09:30:00 GMT", the form HTTP headers use.
std::string HttpDate(int64_t unixSeconds);

}  // namespace trovana::cli
