// SPDX-License-Identifier: GPL-3.0-or-later
// The LeakFiles table: the files WinINet left behind when it deleted their
// entries, as the LEAK records of an index.dat do.
#include "tables.h"

namespace trovana::webcache {

WebCacheLeaks ReadLeakFiles(const std::filesystem::path& database)
{
    esedb::File file = OpenDatabase(database);
    WebCacheLeaks leaks;
    try {
        std::optional<esedb::Table> table = file.Find("LeakFiles");
        if (!table)
            return leaks;
        ForEachRecord(*table, "LeakFiles", leaks.unreadable, [&](const esedb::Record& record) {
            LeakedFile leaked;
            leaked.id = record.U64("LeakId");
            leaked.creationTime = FileTimeValue(record, "CreationTime");
            leaked.fileName = record.Text("Filename");
            if (!leaked.fileName.empty())
                leaks.files.push_back(std::move(leaked));
        });
    } catch (const esedb::EseError& e) {
        throw WebCacheError(database.string() + " cannot be read: " + e.what());
    }
    return leaks;
}

}  // namespace trovana::webcache
