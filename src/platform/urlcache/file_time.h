// SPDX-License-Identifier: GPL-3.0-or-later
// FILETIME (100 ns since 1601, UTC) and the DOS date/time pairs that
// index.dat records hold, both in UTC as Wine writes them.
#pragma once

#include <cstdint>
#include <ctime>

namespace trovana::urlcache {

struct DosDateTime {
    uint16_t date = 0;
    uint16_t time = 0;
    bool operator==(const DosDateTime&) const = default;
};

// 0 for a time before 1601.
uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
uint64_t FileTimeFromTimespec(const timespec& ts);
uint64_t FileTimeNow();

// 0/0 ("not set") for FILETIME 0 and for a time outside 1980-2107, which the
// DOS fields cannot hold. Seconds are rounded down to even, as Wine does.
DosDateTime DosFromFileTime(uint64_t fileTime);
// 0 for 0/0 and for any value that is not a real date and time.
uint64_t FileTimeFromDos(DosDateTime dos);

}  // namespace trovana::urlcache
