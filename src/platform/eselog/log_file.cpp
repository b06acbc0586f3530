// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_file.h"

#include <algorithm>
#include <cstdio>

#include "log_bytes.h"
#include "page.h"

namespace trovana::eselog {
namespace {

constexpr size_t kHeaderSize = 4096;
constexpr size_t kSegmentHeaderSize = 40;
constexpr size_t kSignatureSize = 28;
// A record assembled from fragments is never larger than this (the engine's
// own records stay well under 64 KiB; a larger total is a damaged length).
constexpr uint32_t kMaxAssembledRecord = 1u << 20;
// Log format versions up to 7 kept their records in an older layout
// (checksum records instead of segments) that this reader does not walk.
constexpr uint32_t kOldestSegmentFormat = 8;

LogTime ReadLogTime(ByteReader& reader)
{
    LogTime time;
    time.second = reader.U8();
    time.minute = reader.U8();
    time.hour = reader.U8();
    time.day = reader.U8();
    time.month = reader.U8();
    time.year = reader.U8();
    reader.Skip(2);
    if (time.year != 0 || time.month != 0 || time.day != 0)
        time.year += 1900;
    return time;
}

LogPosition ReadPosition(ByteReader& reader)
{
    LogPosition position;
    position.offset = reader.U16();
    position.sector = reader.U16();
    position.generation = static_cast<int32_t>(reader.U32());
    return position;
}

std::string SegmentName(uint16_t sector)
{
    return "segment " + std::to_string(sector);
}

bool AllZero(std::span<const uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

// The header's checksum: the seed 0x89abcdef XOR every 32-bit word after
// the first (the header has no page number beside it).
uint32_t HeaderChecksum(std::span<const uint8_t> block)
{
    uint32_t sum = 0x89abcdef;
    for (size_t at = 4; at + 4 <= block.size(); at += 4)
        sum ^= uint32_t{block[at]} | uint32_t{block[at + 1]} << 8 | uint32_t{block[at + 2]} << 16 |
               uint32_t{block[at + 3]} << 24;
    return sum;
}

// Whether the segment's checksum holds. A segment is laid out and
// checksummed as a 4 KiB database page whose number is its sector (the
// older XOR form or, when flagged, the ECC form); the engine also writes a
// shadow copy of the last, partial segment into the next sector,
// checksummed as the one before.
bool SegmentChecksumHolds(std::span<const uint8_t> segment, uint16_t sector)
{
    const std::string_view bytes(reinterpret_cast<const char*>(segment.data()), segment.size());
    for (uint32_t number : {uint32_t{sector}, uint32_t{sector} - 1}) {
        if (ese::CheckPageChecksum(bytes, number, ese::PageGeometry{static_cast<uint32_t>(segment.size())}).empty())
            return true;
    }
    return false;
}

// Walks the records of one checked segment. Fragments of a large record are
// kept in assembly until the record is whole.
class SegmentWalker {
public:
    explicit SegmentWalker(LogFile& file) : file_(file) {}

    void Walk(std::span<const uint8_t> segment, int32_t generation, uint16_t sector)
    {
        size_t offset = kSegmentHeaderSize;
        while (offset < segment.size()) {
            const auto rest = segment.subspan(offset);
            const uint8_t type = rest[0];
            if (type == kNop) {
                ++offset;
                continue;
            }
            const LogPosition position{generation, sector, static_cast<uint16_t>(offset)};
            const uint32_t size = LogRecordSize(rest);
            if (size == 0 || size > rest.size()) {
                Problem(sector, "record of type " + std::to_string(type) + " at byte " + std::to_string(offset) +
                                    (size == 0 ? " cannot be read" : " runs past the segment") +
                                    "; the rest of the segment is skipped");
                fragment_.clear();
                return;
            }
            const auto bytes = rest.first(size);
            if (type == kFragmentBegin)
                BeginFragment(bytes, position);
            else if (type == kFragment)
                ContinueFragment(bytes, sector);
            else
                Add(bytes, position);
            offset += size;
        }
    }

    void Interrupt() { fragment_.clear(); }

private:
    void Add(std::span<const uint8_t> bytes, const LogPosition& position)
    {
        const uint32_t size = LogRecordSize(bytes);
        if (size != bytes.size()) {
            Problem(position.sector, "record at " + FormatLogPosition(position) + " has a damaged size");
            return;
        }
        file_.records.push_back(DecodeLogRecord(bytes, position));
    }

    void BeginFragment(std::span<const uint8_t> bytes, const LogPosition& position)
    {
        ByteReader reader(bytes, 1);
        const uint32_t total = reader.U32();
        const uint16_t part = reader.U16();
        fragment_.clear();
        if (total > kMaxAssembledRecord || part >= total) {
            Problem(position.sector, "fragmented record at " + FormatLogPosition(position) + " has a damaged size");
            return;
        }
        auto data = reader.Bytes(part);
        fragmentTotal_ = total;
        fragmentStart_ = position;
        fragment_.assign(data.begin(), data.end());
    }

    void ContinueFragment(std::span<const uint8_t> bytes, uint16_t sector)
    {
        if (fragment_.empty())
            return;  // its beginning was in a damaged or missing segment
        ByteReader reader(bytes, 1);
        const uint16_t part = reader.U16();
        auto data = reader.Bytes(part);
        if (fragment_.size() + data.size() > fragmentTotal_) {
            Problem(sector, "fragmented record at " + FormatLogPosition(fragmentStart_) + " is longer than it says");
            fragment_.clear();
            return;
        }
        fragment_.insert(fragment_.end(), data.begin(), data.end());
        if (fragment_.size() == fragmentTotal_) {
            Add(fragment_, fragmentStart_);
            fragment_.clear();
        }
    }

    void Problem(uint16_t sector, std::string what)
    {
        // A damaged log could repeat one fault in every segment; a few
        // thousand lines say enough.
        if (file_.problems.size() < 4096)
            file_.problems.push_back({sector, std::move(what)});
    }

    LogFile& file_;
    std::vector<uint8_t> fragment_;
    uint32_t fragmentTotal_ = 0;
    LogPosition fragmentStart_;
};

}  // namespace

std::string FormatLogTime(const LogTime& time)
{
    if (time.year == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

LogHeader ReadLogHeader(std::span<const uint8_t> bytes)
{
    LogHeader header;
    if (bytes.size() < kHeaderSize)
        return header;
    const auto block = bytes.first(kHeaderSize);
    ByteReader reader(block);
    header.checksum = reader.U32();
    header.checksumHolds = header.checksum == HeaderChecksum(block);
    header.generation = static_cast<int32_t>(reader.U32());
    header.sectorSize = reader.U16();
    header.headerSectors = reader.U16();
    header.fileSectors = reader.U16();
    const uint16_t pageSize = reader.U16();
    header.databasePageSize = pageSize == 0 ? 4096 : pageSize;
    header.created = ReadLogTime(reader);
    header.previousCreated = ReadLogTime(reader);
    header.versionMajor = reader.U32();
    header.versionMinor = reader.U32();
    header.versionUpdate = reader.U32();
    const auto signature = reader.Bytes(kSignatureSize);
    header.signature.assign(signature.begin(), signature.end());
    ByteReader tail(block, 640);
    header.checkpoint = ReadPosition(tail);
    ByteReader engine(block, 661);
    header.engineVersion = engine.U32();
    ByteReader type(block, 667);
    header.fileType = type.U32();
    return header;
}

void WalkSegments(std::span<const uint8_t> segments, int32_t generation, uint16_t firstSector, LogFile& file)
{
    SegmentWalker walker(file);
    for (size_t at = 0, sector = firstSector; at + 4096 <= segments.size() && sector <= 0xFFFF; at += 4096, ++sector)
        walker.Walk(segments.subspan(at, 4096), generation, static_cast<uint16_t>(sector));
}

LogFile ReadLogFile(std::span<const uint8_t> bytes, std::string name)
{
    LogFile file;
    file.name = std::move(name);
    file.header = ReadLogHeader(bytes);
    const LogHeader& header = file.header;
    if (bytes.size() < kHeaderSize) {
        file.problems.push_back({0, "shorter than a log header (" + std::to_string(bytes.size()) + " bytes)"});
        return file;
    }
    if (!header.checksumHolds) {
        file.problems.push_back({0, "the log header's checksum does not hold"});
        return file;
    }
    if (header.fileType != 3) {
        file.problems.push_back({0, "not a transaction log (file type " + std::to_string(header.fileType) + ")"});
        return file;
    }
    if (header.versionMajor < kOldestSegmentFormat) {
        file.problems.push_back({0, "log format version " + std::to_string(header.versionMajor) +
                                        " keeps its records in the older layout, which is not read"});
        return file;
    }
    if (header.sectorSize != 4096 || header.headerSectors == 0) {
        file.problems.push_back({0, "unexpected sector size " + std::to_string(header.sectorSize)});
        return file;
    }
    file.headerRead = true;
    const size_t sectorSize = header.sectorSize;
    const size_t sectorsInFile = bytes.size() / sectorSize;
    if (bytes.size() % sectorSize != 0)
        file.problems.push_back({0, "the file ends inside a segment (" + std::to_string(bytes.size()) + " bytes)"});
    if (header.fileSectors != 0 && sectorsInFile < header.fileSectors)
        file.problems.push_back({0, "truncated: " + std::to_string(sectorsInFile) + " of " +
                                        std::to_string(header.fileSectors) + " sectors present"});
    SegmentWalker walker(file);
    const size_t last = std::min<size_t>(sectorsInFile, 0xFFFF);
    for (size_t index = header.headerSectors; index < last; ++index) {
        const auto sector = static_cast<uint16_t>(index);
        const auto segment = bytes.subspan(index * sectorSize, sectorSize);
        if (AllZero(segment)) {
            ++file.segmentsEmpty;
            walker.Interrupt();
            continue;
        }
        ByteReader reader(segment, 8);
        const LogPosition claimed = ReadPosition(reader);
        if (!SegmentChecksumHolds(segment, sector)) {
            file.problems.push_back({sector, SegmentName(sector) + ": checksum does not hold; skipped"});
            walker.Interrupt();
            continue;
        }
        if (claimed.generation != header.generation) {
            // A log file is reused for a later generation without being
            // cleared: segments past the end of this one's data belong to
            // an older generation, not to this log.
            ++file.segmentsStale;
            walker.Interrupt();
            continue;
        }
        ++file.segmentsRead;
        walker.Walk(segment, header.generation, sector);
    }
    return file;
}

}  // namespace trovana::eselog
