// SPDX-License-Identifier: GPL-3.0-or-later
// The URL cache's shared vocabulary: WinINet's error codes and entry type
// flags, an entry's fields, where containers are, and the outcome of a
// change. Every part of the library may include this; urlcache.h is the
// front that callers use.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace trovana::urlcache {

// Error codes with the numbers WinINet gives them.
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_INVALID_DATA = 13;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;

// The meaning of an error code in words, for messages ("locked or in use").
std::string ErrorText(uint32_t code);

// Entry type flags (CacheEntryType).
inline constexpr uint32_t NORMAL_CACHE_ENTRY = 0x00000001;
inline constexpr uint32_t STICKY_CACHE_ENTRY = 0x00000004;
inline constexpr uint32_t EDITED_CACHE_ENTRY = 0x00000008;
inline constexpr uint32_t TRACK_OFFLINE_CACHE_ENTRY = 0x00000010;
inline constexpr uint32_t TRACK_ONLINE_CACHE_ENTRY = 0x00000020;
inline constexpr uint32_t SPARSE_CACHE_ENTRY = 0x00010000;
inline constexpr uint32_t COOKIE_CACHE_ENTRY = 0x00100000;
inline constexpr uint32_t URLHISTORY_CACHE_ENTRY = 0x00200000;
inline constexpr uint32_t PENDING_DELETE_CACHE_ENTRY = 0x00400000;
inline constexpr uint32_t INSTALLED_CACHE_ENTRY = 0x10000000;

// What INTERNET_CACHE_ENTRY_INFOA carries, as owned C++ values.
struct CacheEntryInfo {
    std::string sourceUrlName;  // the URL bytes as stored
    std::string localFileName;  // absolute Linux path; empty when there is no file
    // The cached file's name as the record stores it (index.dat: the local
    // name in its folder; WebCache: the Filename column), kept whether or
    // not the file is there; empty when the entry has no file.
    std::string storedFileName;
    uint32_t cacheEntryType = 0;
    uint32_t useCount = 0;
    uint32_t hitRate = 0;
    uint32_t sizeLow = 0;
    uint32_t sizeHigh = 0;
    uint64_t lastModifiedTime = 0;  // FILETIME values (100 ns since 1601, UTC); 0 = not set
    uint64_t expireTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastSyncTime = 0;
    // Kept by a WebCache database only (0 = none): when the entry was made,
    // and when WinINet is to check it with the server after use.
    uint64_t creationTime = 0;
    uint64_t postCheckTime = 0;
    // The stored response header bytes; c_str() puts the NUL after them that
    // headerInfoSize() does not count.
    std::string headerInfo;
    std::string fileExtension;  // without the dot; empty when none
    uint32_t exemptDelta = 0;
    // The expiry as stored, a DOS date (low half) and time; 0xFFFFFFFF is
    // "never" to WinINet, and expireTime is then 0 as for "not set".
    uint32_t expireDos = 0;
    // The name of the container that holds the entry where the reader knows
    // one (the WebCache database's container names); empty for index.dat
    // containers, whose kind RecordKindOf (record_kind.h) tells.
    std::string container;
    // Kept by a WebCache database only: the Flags column (a cookie's flags),
    // where the row is (its table, "Container_1", "CookieEntryEx_4",
    // "LeakFiles", and its EntryId or LeakId there), and a cookie's own name
    // and value.
    uint32_t flags = 0;
    std::string table;
    uint64_t entryId = 0;
    std::string cookieName;
    std::string cookieValue;

    uint32_t headerInfoSize() const { return static_cast<uint32_t>(headerInfo.size()); }
};

// Containers are enumerated in this order, as Wine's FindFirstUrlCacheEntryA does.
enum class ContainerKind { Cookies, History, Content };

struct ContainerLocation {
    ContainerKind kind = ContainerKind::Content;
    std::filesystem::path folder;  // the folder that holds index.dat
    // The index file's name in the folder: a copy of one may be renamed
    // ("History.IE5-index.dat"); its entries' files are still in the folder.
    std::string indexName = "index.dat";
    // A container of a Wine prefix that Wine itself does not read (the daily
    // and weekly history Windows keeps inside History.IE5): listed, since it
    // is part of the evidence.
    bool wineIgnores = false;

    std::filesystem::path IndexPath() const { return folder / indexName; }
};

struct CacheLocation {
    // In enumeration order within each kind; a kind may have several
    // (Windows keeps "Low" and daily history containers besides the main one).
    std::vector<ContainerLocation> containers;
    // The Wine prefix the containers belong to, empty when there is none
    // (a copied Windows profile). Writes are refused while it has a wineserver.
    std::filesystem::path winePrefix;
    // Open without writing anything: no change, no lock, nothing created in
    // the cache folders. Every change is refused with kReadOnlyRefusal.
    bool readOnly = false;
    // WebCache databases (WebCacheV01.dat) of Windows 8-11, read only:
    // their entries are listed after the containers'.
    std::vector<std::filesystem::path> webCaches = {};
    // The IANA zone the daily and weekly history were recorded in, when the
    // place the cache was copied from records it (a disk image's SYSTEM
    // hive); empty otherwise.
    std::string recordedZone = {};
};

// The message a change to a cache opened read-only is refused with
// (ERROR_ACCESS_DENIED).
inline constexpr char kReadOnlyRefusal[] = "the cache is open read-only";
// Why a cache with a WebCache database is always opened read-only: Trovana
// never writes an ESE database.
inline constexpr char kWebCacheReadOnly[] = "the WebCache database is opened read-only";

// A container or location that cannot be used at all; what() names the file.
// Besides it the library may throw FileReadError, std::system_error (a system
// call or the file system failed) and std::logic_error (a change refused as it
// would break an index): callers catch std::runtime_error and std::logic_error.
class UrlCacheError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why the local file of a deleted entry was left on disk. The file is
// removed only when its modification time is the one its record holds, as
// Wine does (a file changed after it was cached belongs to someone else):
// in a cache copied without its times every file is kept.
enum class KeptFile {
    NotKept,       // removed, or there was none
    TimesDiffer,   // its modification time is not the record's
    NotWritable,   // its folder cannot be written (the record stays as a leak)
    OutsideCache,  // its name leads out of the container's folder
    Failed,        // the removal failed otherwise
};

// The outcome of a change: ERROR_SUCCESS, or a WinINet code and a message
// that names what went wrong.
struct CacheResult {
    CacheResult() = default;
    CacheResult(uint32_t resultCode, std::string text = {}) : code(resultCode), message(std::move(text)) {}

    uint32_t code = ERROR_SUCCESS;
    std::string message;
    // A deleted entry whose local file stayed on disk: why, and where.
    KeptFile kept = KeptFile::NotKept;
    std::string keptPath;
    int keptError = 0;  // the errno of a removal that failed (KeptFile::Failed)
    bool ok() const { return code == ERROR_SUCCESS; }
};

// Why a deleted entry's file was kept, in English, for a log line: "its
// modification time differs from the entry's"; empty when none was kept.
std::string KeptFileText(const CacheResult& result);

// An entry to add, as CreateUrlCacheEntryA plus CommitUrlCacheEntryA add one.
struct NewCacheEntry {
    std::string url;
    std::optional<std::string> body;  // the local file's bytes; none: no file
    std::string fileExtension;        // without the dot; names the local file
    std::string headerInfo;
    uint32_t cacheEntryType = NORMAL_CACHE_ENTRY;  // the container's own bits are added
    uint64_t lastModifiedTime = 0;
    uint64_t lastAccessTime = 0;  // 0: now
    uint64_t expireTime = 0;
    uint64_t lastSyncTime = 0;  // 0: now
    uint32_t hitRate = 1;
    uint32_t useCount = 0;  // above 0: the entry is locked, as after a retrieve
    uint32_t exemptDelta = 0;
};

}  // namespace trovana::urlcache
