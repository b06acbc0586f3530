// SPDX-License-Identifier: GPL-3.0-or-later
// The input as a whole ESE database of 4 KiB pages, its header's and every
// page's checksums made to hold first (else nearly every input would stop
// there): the catalogue built from its pages, every table's tree walked,
// every record decoded and every value resolved, long values included;
// then the deleted rows recovered, those of the tables that the catalogue's
// leftovers describe and the catalogue no longer lists among them.
// Problems must be named, never crash, loop or grow without bound.
#include "database.h"
#include "dropped.h"
#include "format.h"
#include "recovery.h"
#include "table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr uint32_t kPageSize = 4096;

void PutLE32(std::string& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A header page made valid: signature, page size and checksum.
void SealHeader(std::string& bytes, size_t at)
{
    PutLE32(bytes, at + 4, trovana::ese::kSignature);
    PutLE32(bytes, at + 236, kPageSize);
    uint32_t sum = trovana::ese::kSignature;
    for (size_t i = 4; i < kPageSize; i += 4)
        sum ^= trovana::ese::ReadLE<uint32_t>(bytes, at + i);
    PutLE32(bytes, at, sum);
}

std::filesystem::path ScratchFile()
{
    const char* folder = std::getenv("TROVANA_FUZZ_SCRATCH");
    return std::filesystem::path(folder ? folder : "/tmp") / ("ese-" + std::to_string(::getpid()) + ".edb");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::ese;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes.resize((bytes.size() + kPageSize - 1) / kPageSize * kPageSize, '\0');
    if (bytes.size() < 3 * kPageSize)
        bytes.resize(3 * kPageSize, '\0');
    SealHeader(bytes, 0);
    SealHeader(bytes, kPageSize);
    for (uint32_t number = 1; (number + 2) * kPageSize <= bytes.size(); ++number) {
        std::string page = bytes.substr((number + 1) * kPageSize, kPageSize);
        WritePageChecksums(page, number, PageGeometry{kPageSize});
        bytes.replace((number + 1) * kPageSize, kPageSize, page);
    }
    static const std::filesystem::path file = ScratchFile();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    try {
        const Database database(file);
        for (const Table& table : database.Tables().tables) {
            std::vector<std::string> problems;
            const LongValues longValues(database, table, problems);
            ForEachRow(
                database, table,
                [&](const Row& row) {
                    for (const ColumnValue& column : row.record.columns)
                        for (const StoredValue& value : column.values) {
                            try {
                                (void)ResolveValue(value, longValues);
                            } catch (const EseError&) {
                            }
                        }
                },
                problems);
        }
        (void)trovana::eserecovery::RecoverDeletedRows(database);
        for (const auto& dropped : trovana::eserecovery::FindDroppedTables(database)) {
            std::vector<std::string> problems;
            const LongValues longValues(database, dropped.table, problems);
        }
    } catch (const EseError&) {
    }
    return 0;
}
