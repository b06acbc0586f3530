// SPDX-License-Identifier: GPL-3.0-or-later
// The database file header (page 0) and its shadow copy (page 1): the one
// whose checksum holds is used. A dirty state is reported, never refused:
// a copy taken from a running system is what examiners have.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trovana::ese {

// Database states.
enum class DatabaseState : uint32_t {
    JustCreated = 1,
    DirtyShutdown = 2,
    CleanShutdown = 3,
    BeingConverted = 4,
    ForceDetach = 5,
};

struct FileHeader {
    uint32_t formatVersion = 0;   // 0x620
    uint32_t formatRevision = 0;  // 0x14 for Windows 10's WebCache
    uint32_t pageSize = 0;        // 4096 .. 32768
    uint32_t state = 0;           // DatabaseState
    uint64_t databaseTime = 0;
    bool fromShadow = false;  // the primary copy failed its checksum
};

// Reads the header from the file's first two header-sized blocks: `primary`
// and `shadow` are the bytes at offset 0 and at offset pageSize (the shadow
// may be empty). Throws EseError when neither copy is an ESE header whose
// checksum holds, naming what is wrong with the primary.
FileHeader ParseFileHeader(std::string_view primary, std::string_view shadow);

// The page size a header claims (offset 236), before its checksum is known;
// 0 when the bytes are too few.
uint32_t ClaimedPageSize(std::string_view primary);

}  // namespace trovana::ese
