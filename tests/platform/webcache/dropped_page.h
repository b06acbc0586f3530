// SPDX-License-Identifier: GPL-3.0-or-later
// A page of a dropped table put back into a copy of the WebCache sample, as
// Windows can leave one whole when it drops a container's table: the bytes
// of page 449 (a leaf of the Content container's table, Container_1) put in
// page 160, which was never written, its header naming object 38 (the
// Container_10 table that the catalogue's leftovers describe, and which no
// page of the sample names any more), its checksums made to hold.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "page.h"

namespace trovana::test {

inline constexpr uint32_t kDroppedObject = 38;
inline constexpr uint32_t kDroppedPageSource = 449;
inline constexpr uint32_t kDroppedPage = 160;
inline constexpr uint32_t kSamplePageSize = 32768;

// The bytes of logical page `number` (after the two header pages).
inline std::string ReadPageBytes(const std::filesystem::path& file, uint32_t number)
{
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(uint64_t{number + 1} * kSamplePageSize));
    std::string bytes(kSamplePageSize, '\0');
    in.read(bytes.data(), kSamplePageSize);
    return in ? bytes : std::string();
}

inline void WritePageBytes(const std::filesystem::path& file, uint32_t number, const std::string& bytes)
{
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(uint64_t{number + 1} * kSamplePageSize));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void PutLE32(std::string& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// Rewrites page `number` of `file` with `bytes`, its checksums made to hold.
inline void SealPage(const std::filesystem::path& file, uint32_t number, std::string bytes)
{
    ese::WritePageChecksums(bytes, number, ese::PageGeometry{kSamplePageSize});
    WritePageBytes(file, number, bytes);
}

// Copies page `source` of `database` into its blank page `target`, its
// header naming `object`; false when `target` is not blank.
inline bool PutPageAs(const std::filesystem::path& database, uint32_t source, uint32_t target, uint32_t object)
{
    if (ReadPageBytes(database, target) != std::string(kSamplePageSize, '\0'))
        return false;
    std::string page = ReadPageBytes(database, source);
    PutLE32(page, 24, object);  // the object the page belongs to
    PutLE32(page, 64, target);  // the page's own number
    SealPage(database, target, page);
    return true;
}

// Puts the dropped page into `database`, a copy of the sample.
inline bool PutDroppedPage(const std::filesystem::path& database)
{
    return PutPageAs(database, kDroppedPageSource, kDroppedPage, kDroppedObject);
}

}  // namespace trovana::test
