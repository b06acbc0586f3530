// SPDX-License-Identifier: GPL-3.0-or-later
// Tables the catalogue no longer lists (Windows drops a container's table
// when it retires the container, an old MSHist week for one), rebuilt from
// what the catalogue's pages still hold of their catalogue rows, and the
// rows recovered from the pages that still name them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue.h"
#include "recovery.h"

namespace trovana::ese {
class Database;
}

namespace trovana::eserecovery {

struct DroppedTable {
    ese::Table table;  // name, object id, its first page, columns (none when unknown)
    // The columns are another live table's of the same kind, for a table
    // whose own column rows are gone or disagree.
    bool standInColumns = false;
};

// Every table that leftovers of the catalogue (MSysObjects and its shadow:
// flagged-deleted nodes, whole pages, carved free space) describe and the
// live catalogue lacks, in object id order. A table whose copies disagree
// on its name or first page is left out; columns whose copies disagree,
// or that leave a gap among the fixed columns, are not used.
std::vector<DroppedTable> FindDroppedTables(const ese::Database& database);

// The rows of each dropped table (one result each, in the same order) from
// the pages whose header names its object id, none repeating a live row of
// the table of the same name, nor one another. Tables without columns get
// none.
std::vector<TableRecovery> RecoverDroppedTables(const ese::Database& database, const std::vector<DroppedTable>& tables,
                                                std::vector<std::string>& problems);

}  // namespace trovana::eserecovery
