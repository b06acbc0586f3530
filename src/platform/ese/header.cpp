// SPDX-License-Identifier: GPL-3.0-or-later
#include "header.h"

#include "format.h"

namespace trovana::ese {

namespace {

// The header's checksum: the seed 0x89abcdef XOR every 32-bit word after
// the checksum itself. Windows sums the first 4 KiB whatever the page size;
// the rest of a larger header page is zero, so both ranges are accepted.
uint32_t XorChecksum(std::string_view bytes, size_t end)
{
    uint32_t sum = kSignature;
    for (size_t at = 4; at + 4 <= end && at + 4 <= bytes.size(); at += 4)
        sum ^= ReadLE<uint32_t>(bytes, at);
    return sum;
}

// Empty when `bytes` is a header whose checksum holds, else why not.
std::string Check(std::string_view bytes)
{
    if (bytes.size() < 4096)
        return "its header is cut short";
    if (ReadLE<uint32_t>(bytes, 4) != kSignature)
        return "its header lacks the signature 0x89abcdef";
    const uint32_t stored = ReadLE<uint32_t>(bytes, 0);
    if (stored != XorChecksum(bytes, 4096) && stored != XorChecksum(bytes, bytes.size()))
        return "its header fails its checksum";
    const uint32_t pageSize = ReadLE<uint32_t>(bytes, 236);
    if (pageSize != 0 && (pageSize < 2048 || pageSize > 32768 || (pageSize & (pageSize - 1)) != 0))
        return "its header names a page size of " + std::to_string(pageSize) + " bytes";
    return {};
}

FileHeader Parse(std::string_view bytes, bool shadow)
{
    FileHeader header;
    header.formatVersion = ReadLE<uint32_t>(bytes, 8);
    header.databaseTime = ReadLE<uint64_t>(bytes, 16);
    header.state = ReadLE<uint32_t>(bytes, 52);
    header.formatRevision = ReadLE<uint32_t>(bytes, 232);
    header.pageSize = ReadLE<uint32_t>(bytes, 236);
    if (header.pageSize == 0)  // old databases: 0 means 4 KiB
        header.pageSize = 4096;
    header.fromShadow = shadow;
    return header;
}

}  // namespace

uint32_t ClaimedPageSize(std::string_view primary)
{
    const uint32_t size = ReadLE<uint32_t>(primary, 236);
    return size == 0 && primary.size() >= 240 ? 4096 : size;
}

FileHeader ParseFileHeader(std::string_view primary, std::string_view shadow)
{
    const std::string problem = Check(primary);
    if (problem.empty())
        return Parse(primary, false);
    if (Check(shadow).empty())
        return Parse(shadow, true);
    throw EseError(problem + (shadow.empty() ? "" : ", and so does its shadow copy"));
}

}  // namespace trovana::ese
