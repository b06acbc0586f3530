// SPDX-License-Identifier: GPL-3.0-or-later
// Every record of a cache for people who examine copied disks: the entries
// WinINet lists, and besides them the redirects, the leaked entries (deleted,
// file still there) and the entries recovered from records that no hash slot
// names any more. Reads only; nothing is ever written.
#pragma once

#include "urlcache.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

enum class RecordState {
    Live,       // listed by enumeration
    Redirect,   // a `REDR` record: its URL only
    Leak,       // a `LEAK` record, or one the leak list links: deleted, its file not yet removed
    Recovered,  // a `URL ` or `LEAK` record in free blocks, or one no slot names
    Deleted,    // a WebCache row recovered from the database's pages
    LogOnly,    // a WebCache row that only the transaction logs hold
    TableRow,   // a WebCache row of a table that holds no URL cache entries
};

// "live", "redirect", "leak", "recovered", "deleted", "log only", "table row".
std::string_view RecordStateName(RecordState state);

// Fields of a record that hold the 0xDEADBEEF filler instead of a value (a
// leaked record whose fixed part was filled over): absent, not values.
enum FillerField : uint32_t {
    kFillerType = 1,
    kFillerHitRate = 2,
    kFillerUseCount = 4,
    kFillerSize = 8,
    kFillerLastModified = 16,
    kFillerLastAccess = 32,
    kFillerExpire = 64,
    kFillerLastSync = 128,
    kFillerSizeHigh = 256,
};

struct SurveyedRecord {
    RecordState state = RecordState::Live;
    // The fields as far as the record holds them; a local path is given
    // whenever the name is usable, whether or not the file is there.
    CacheEntryInfo entry;
    std::filesystem::path indexFile;  // the index.dat that holds the record
    uint64_t offset = 0;              // of the record in that file
    // A recovered record whose later blocks were given to other records:
    // only its first, still free, blocks were read; what of its header lies
    // in them is given.
    bool partial = false;
    uint32_t filler = 0;  // FillerField bits
    // Where a WebCache row lies, in words: "page 447 at byte 0xa7 (free
    // space)", "V01.log 5A:3:120"; empty for index.dat records.
    std::string place;
};

// One pass over every container: cookies, history, then content. Within a
// container, first the live entries in enumeration order, then the other
// records in file order. Each index.dat is read once, when its turn comes.
// Then each WebCache database's records (SurveyWebCache).
class RecordSurvey {
public:
    explicit RecordSurvey(const CacheLocation& location);
    ~RecordSurvey();
    RecordSurvey(const RecordSurvey&) = delete;
    RecordSurvey& operator=(const RecordSurvey&) = delete;

    // The next record, or null after the last.
    std::unique_ptr<SurveyedRecord> Next();
    // What was wrong with containers met so far, one line each naming the file.
    const std::vector<std::string>& Problems() const;
    // True when records may be missing: a problem above, or damage of a
    // WebCache database that its UrlCache said when it opened it.
    bool Incomplete() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Every record of a WebCache database: its entries as they are listed
// (Live, record offset 0), then the files of its LeakFiles table (Leak,
// without URL, the row's LeakId as offset), then the rows of its tables that
// hold no URL cache entries (TableRow, with their table and EntryId); the
// database is their index file. Then the rows recovered from its pages (Deleted, their byte in the
// database as offset) and those only its logs hold (LogOnly, the log file as
// index file and the record's byte in it as offset). What cannot be read
// goes to `problems`; damage already said when a UrlCache opened the
// database (its tables' damaged pages) goes to `saidBefore`.
std::vector<SurveyedRecord> SurveyWebCache(const std::filesystem::path& database,
                                           const std::function<void(const std::string&)>& problems,
                                           const std::function<void(const std::string&)>& saidBefore);

}  // namespace trovana::urlcache
