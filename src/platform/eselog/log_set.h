// SPDX-License-Identifier: GPL-3.0-or-later
// The transaction logs that lie beside an ESE database: every *.log file of
// its folder (any base name: V01.log, V01000A3.log, SRU.log, edb.log, the
// reserved SRUtmp.log) whose header says it is a log, read-only, in
// generation order. Checkpoint (.chk) and reserve (.jrs) files are not logs.
// Where the database's header names its logs' signature (it does until the
// database is shut down cleanly), logs of another database in the same
// folder are named and left out.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "log_file.h"

namespace trovana::eselog {

struct LogSet {
    std::vector<LogFile> files;          // sound logs, oldest generation first
    std::vector<std::string> problems;   // files that could not be read, by name
    size_t RecordCount() const;
};

// The logs of the database's folder. A file larger than maxFileBytes is
// named in problems and not read (logs are 64 KiB to a few MiB).
LogSet ReadLogsBeside(const std::filesystem::path& database, uint64_t maxFileBytes = 64u << 20);

}  // namespace trovana::eselog
