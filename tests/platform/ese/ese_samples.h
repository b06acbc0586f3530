// SPDX-License-Identifier: GPL-3.0-or-later
// The ESE samples (test input only): the WebCache database, unpacked once
// per test program into a scratch folder, and the two SRUM copies read
// where they lie. Also esedbexport, run as the independent reader.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace trovana::ese::test {

// The unpacked WebCache sample (16 MiB); the same file for the whole run.
const std::filesystem::path& WebCacheSample();
// A scratch folder of the run, removed at its end.
const std::filesystem::path& Scratch();
// srum-win11-clean/SRUDB.dat and srum-win11-dirty/SRUDB.dat.
std::filesystem::path SrumSample(const std::string& copy);

// A copy of `source` in the scratch folder under `name`, for damaging.
std::filesystem::path CopyOf(const std::filesystem::path& source, const std::string& name);
// Overwrites bytes of `file` at `offset`.
void Patch(const std::filesystem::path& file, uint64_t offset, const std::string& bytes);

// One table as esedbexport writes it: its header's column names, then its
// rows, each cell as written (tab-separated, backslashes escaped).
struct ExportedTable {
    bool complete = false;  // esedbexport ended with status 0
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// Runs esedbexport on one table of `database`.
ExportedTable Export(const std::filesystem::path& database, const std::string& table);

}  // namespace trovana::ese::test
