// SPDX-License-Identifier: GPL-3.0-or-later
// What the WebCache reader's files share: reading one table's records with
// damage counted instead of thrown, and the cookie tables.
#pragma once

#include "esedb.h"
#include "webcache.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trovana::webcache {

// The database opened read-only; throws WebCacheError when it is no ESE
// database or its header cannot be read.
esedb::File OpenDatabase(const std::filesystem::path& database);

// Calls `read` for each record of `table` that can be read. Records that
// cannot, and each damaged page of the table, add one line to `unreadable`
// naming the table as `label`.
void ForEachRecord(esedb::Table& table, const std::string& label, std::vector<std::string>& unreadable,
                   const std::function<void(const esedb::Record&)>& read);

// A row of the Containers table, of a container the program shows.
struct ContainerRow {
    uint64_t id = 0;
    std::string name;
    std::string directory;
    std::vector<std::string> secureDirectories;
    ContainerGroup group = ContainerGroup::Content;
};

// A record of the Containers table as `row`; true when it is a Content,
// History or MSHist container (its group set), the kinds the program lists.
bool ReadContainerRow(const esedb::Record& record, ContainerRow& row);

// The Content, History and MSHist containers, history first; `others` gets
// the rest.
std::vector<ContainerRow> ReadContainers(esedb::File& file, std::vector<std::string>& unreadable,
                                         std::vector<ContainerRow>& others);

// One entry of a Container_N table; `table` is that table's name.
WebCacheEntry ReadEntry(const esedb::Record& record, const ContainerRow& container, const std::string& table);

// The cookies of every CookieEntryEx_N table, one entry per cookie, under
// "Cookie:<user>@<domain><path>" (the cookies of one domain and path share
// it, as they share WinINet's cookie file).
std::vector<WebCacheEntry> ReadCookies(esedb::File& file, const std::string& user,
                                       std::vector<std::string>& unreadable);

// A table whose rows are not URL cache entries: a container the program
// does not list (`container` set), or a table of another kind (HSTS,
// dependencies, blobs, AppCache, ...). `label` names it in messages.
struct OtherTable {
    std::string name;
    std::string label;
    std::optional<ContainerRow> container;
};

// Every such table of the database, by the containers read: the unlisted
// containers' tables, then the rest of the catalogue's that no other reader
// takes (neither its own MSys tables, Containers, LeakFiles nor the cookies).
std::vector<OtherTable> OtherTables(esedb::File& file, const std::vector<ContainerRow>& listed,
                                    const std::vector<ContainerRow>& others);

// "com.github" -> "github.com".
std::string DomainOf(std::string_view reversed);

// A FILETIME column: ESE keeps it signed; below 0 is no time.
uint64_t FileTimeValue(const esedb::Record& record, std::string_view column);

}  // namespace trovana::webcache
