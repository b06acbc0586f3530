// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows 8-11 WebCache database (WebCacheV01.dat, an ESE database):
// the containers WinINet keeps there and their entries, read with the
// project's own ESE reader (platform/ese), never written. Knows nothing of
// index.dat; the URL cache library turns these entries into its own. No GUI header may be included here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace trovana::webcache {

// A file that cannot be read as a WebCache database at all; what() names it.
class WebCacheError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The containers read, by what their entries are.
enum class ContainerGroup { Cookies, History, Content };

// One entry of a Container_N table (or one cookie of a CookieEntryEx_N
// table), with WinINet's meanings and the values as stored.
struct WebCacheEntry {
    ContainerGroup group = ContainerGroup::Content;
    // The container's name in the Containers table: "Content", "History",
    // "MSHist012021111520211122", ...; "Cookies" for cookies.
    std::string containerName;
    // Where the row is: its table ("Container_1", "CookieEntryEx_4") and
    // its EntryId there.
    std::string table;
    uint64_t entryId = 0;
    std::string url;  // "Visited: ..." and ":YYYYMMDDYYYYMMDD: ..." as stored
    // The cached file: the container's folder as Windows names it
    // ("C:\Users\NAME\AppData\Local\...\INetCache\IE\"), its secure folder
    // (8 characters) and the file's name; empty when there is no file.
    std::string directory;
    std::string secureDirectory;
    std::string fileName;
    std::string fileExtension;
    uint64_t fileSize = 0;
    uint32_t type = 0;   // the Type column as stored: CacheEntryType bits and the database's own
    uint32_t flags = 0;  // the Flags column (a cookie's: secure, HttpOnly, ...)
    uint32_t accessCount = 0;
    uint32_t exemptionDelta = 0;
    // FILETIMEs (100 ns since 1601, UTC); 0 = none.
    uint64_t syncTime = 0;
    uint64_t creationTime = 0;
    uint64_t expiryTime = 0;
    uint64_t modifiedTime = 0;
    uint64_t accessedTime = 0;
    uint64_t postCheckTime = 0;
    std::string responseHeaders;
    std::string requestHeaders;
    // A cookie's name and value as stored, without their terminating NUL.
    std::string cookieName;
    std::string cookieValue;
};

struct WebCacheContents {
    // Cookies, then history (History, then the MSHist containers in name
    // order), then content, each table in record order.
    std::vector<WebCacheEntry> entries;
    // Rows whose URL cannot be read (it reads as empty: a long value the
    // reader cannot find), with the rest of their values.
    std::vector<WebCacheEntry> withoutUrl;
    // The tables listed that could not be read, wholly or in part, each
    // once: "Container_1 (Content): page 48 fails its checksum (block 3)".
    std::vector<std::string> unreadable;
    // The same of the tables of other kinds, whose rows are not entries:
    // "Container_4 (iecompat): page 426 fails its checksum (block 3)".
    std::vector<std::string> otherUnreadable;
    // The tables with rows that are not the URL cache's entries (DOMStore,
    // iecompat, HSTS, ...), each once with its row count or the reason it
    // cannot be read: "Container_5 (DOMStore): 12 rows". ReadOtherTables
    // gives their rows.
    std::vector<std::string> otherTables;
};

// Reads every Content, History, MSHist and cookie entry that can be read.
// Throws WebCacheError when the file is no ESE database, or its catalogue
// or Containers table cannot be read.
WebCacheContents ReadWebCache(const std::filesystem::path& database);

// How many entries ReadWebCache gives; none when the file cannot be read.
std::optional<uint64_t> CountWebCacheEntries(const std::filesystem::path& database);

// A row of the LeakFiles table: a cached file that WinINet could not delete
// with its entry (it was in use) and keeps to delete later. No URL is kept.
struct LeakedFile {
    uint64_t id = 0;  // LeakId
    uint64_t creationTime = 0;  // FILETIME; 0 = none
    std::string fileName;       // as Windows names it: "C:\Users\...\IE\0KLPAC95\log[1].txt"
};

struct WebCacheLeaks {
    std::vector<LeakedFile> files;  // in record order
    std::vector<std::string> unreadable;  // as in WebCacheContents
};

// The LeakFiles table; none when the database has no such table. Throws
// WebCacheError as ReadWebCache does.
WebCacheLeaks ReadLeakFiles(const std::filesystem::path& database);

// Entries of the Content, History and MSHist containers that the database
// no longer lists: deleted rows recovered from its pages, and rows that only
// the transaction logs beside it (V01.log, V01NNNNN.log) still hold.
enum class RecoveredOrigin { Deleted, LogOnly };

struct RecoveredEntry {
    RecoveredOrigin origin = RecoveredOrigin::Deleted;
    WebCacheEntry entry;
    std::filesystem::path file;  // the database, or the log file
    uint64_t offset = 0;         // of the record in that file
    // "page 447 at byte 0xa7 (free space)"; "V01000A3.log A3:12:840".
    std::string place;
};

struct WebCacheRecovered {
    std::vector<RecoveredEntry> entries;  // deleted, then log only
    std::vector<std::string> problems;    // damaged pages and logs, named
};

// Throws WebCacheError as ReadWebCache does.
WebCacheRecovered ReadRecoveredEntries(const std::filesystem::path& database);

// The rows of every table that holds no URL cache entries: the containers
// that are not listed (iedownload, DOMStore, iecompat, feedplat, ...) with
// a container's values, and the tables of other kinds (HstsEntryEx_N,
// DependencyEntryEx_N, BlobEntry_N, AppCache..., PartitionsEx) with what
// they keep: their key (EntryId, AppCacheId, TableId) as `entryId`, the
// table's kind ("HstsEntryEx") as `containerName`, an HSTS row's domain as
// its URL. In table order, each table's rows in record order.
struct WebCacheOtherRows {
    std::vector<WebCacheEntry> entries;
    std::vector<std::string> unreadable;  // as in WebCacheContents
};

// Throws WebCacheError as ReadWebCache does.
WebCacheOtherRows ReadOtherTables(const std::filesystem::path& database);

// True when the file starts with an ESE database's signature.
bool IsEseDatabase(const std::filesystem::path& file);

}  // namespace trovana::webcache
