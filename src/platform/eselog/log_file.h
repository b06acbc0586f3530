// SPDX-License-Identifier: GPL-3.0-or-later
// One ESE transaction log file (V01.log, V01000A3.log, SRU.log, edb.log...)
// read from its bytes: the 4 KiB header with its checksum, then 4 KiB
// segments, each with a checksum over itself and the generation and sector
// it belongs to, holding whole log records (larger ones in fragments that
// continue at the start of the next segments). A damaged segment is named
// and skipped; the records of every other segment are kept.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "log_record.h"

namespace trovana::eselog {

struct LogTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::string FormatLogTime(const LogTime& time);  // "2022-07-03 02:10:42", empty when unset

struct LogHeader {
    uint32_t checksum = 0;
    bool checksumHolds = false;
    int32_t generation = 0;
    uint16_t sectorSize = 0;
    uint16_t headerSectors = 0;
    uint16_t fileSectors = 0;
    uint32_t databasePageSize = 0;
    LogTime created;
    LogTime previousCreated;
    uint32_t versionMajor = 0, versionMinor = 0, versionUpdate = 0;
    uint32_t fileType = 0;  // 3 for a log file
    LogPosition checkpoint;
    uint32_t engineVersion = 0;
    // The log stream's signature (random number, time and computer name):
    // the database header names the one its logs carry.
    std::string signature;
};

enum class SegmentChecksum { Ecc, Xor };

struct LogProblem {
    uint16_t sector = 0;  // 0: the header or the file as a whole
    std::string what;
};

struct LogFile {
    std::string name;
    LogHeader header;
    bool headerRead = false;  // false: nothing else of the file could be read
    size_t segmentsRead = 0;
    size_t segmentsEmpty = 0;
    size_t segmentsStale = 0;  // left over from an older generation
    std::vector<LogRecord> records;  // in log order, NOPs left out
    std::vector<LogProblem> problems;
};

// The header alone (first 4 KiB); checksumHolds says whether it is sound.
LogHeader ReadLogHeader(std::span<const uint8_t> bytes);

// The records of consecutive 4 KiB segments taken as they are (their
// checksums not checked: the caller has, or means to read damaged bytes
// regardless), fragments joined across them; added to file.records, what
// cannot be read to file.problems.
void WalkSegments(std::span<const uint8_t> segments, int32_t generation, uint16_t firstSector, LogFile& file);

// Reads the whole file. Never throws for damaged bytes: what cannot be read
// is a problem in the result.
LogFile ReadLogFile(std::span<const uint8_t> bytes, std::string name);

}  // namespace trovana::eselog
