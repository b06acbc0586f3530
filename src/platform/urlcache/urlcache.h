// The WinINet URL cache, read and changed directly in its index.dat
// containers. WinINet's meanings (entry fields, type flags, URL forms, error
// codes) without its buffer-size protocol. No GUI header may be included here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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
    std::string sourceUrlName;      // the URL bytes as stored
    std::string localFileName;      // absolute Linux path; empty when there is no file
    uint32_t cacheEntryType = 0;
    uint32_t useCount = 0;
    uint32_t hitRate = 0;
    uint32_t sizeLow = 0;
    uint32_t sizeHigh = 0;
    uint64_t lastModifiedTime = 0;  // FILETIME values (100 ns since 1601, UTC); 0 = not set
    uint64_t expireTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastSyncTime = 0;
    // The stored response header bytes; c_str() puts the NUL after them that
    // headerInfoSize() does not count.
    std::string headerInfo;
    std::string fileExtension;      // without the dot; empty when none
    uint32_t exemptDelta = 0;

    uint32_t headerInfoSize() const { return static_cast<uint32_t>(headerInfo.size()); }
};

// Containers are enumerated in this order, as Wine's FindFirstUrlCacheEntryA does.
enum class ContainerKind { Cookies, History, Content };

struct ContainerLocation {
    ContainerKind kind = ContainerKind::Content;
    std::filesystem::path folder;   // the folder that holds index.dat
};

struct CacheLocation {
    // In enumeration order within each kind; a kind may have several
    // (Windows keeps "Low" and daily history containers besides the main one).
    std::vector<ContainerLocation> containers;
    // The Wine prefix the containers belong to, empty when there is none
    // (a copied Windows profile). Writes are refused while it has a wineserver.
    std::filesystem::path winePrefix;
};

// A container or location that cannot be used at all; what() names the file.
class UrlCacheError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The outcome of a change: ERROR_SUCCESS, or a WinINet code and a message
// that names what went wrong.
struct CacheResult {
    uint32_t code = ERROR_SUCCESS;
    std::string message;
    bool ok() const { return code == ERROR_SUCCESS; }
};

// An entry to add, as CreateUrlCacheEntryA plus CommitUrlCacheEntryA add one.
struct NewCacheEntry {
    std::string url;
    std::optional<std::string> body;   // the local file's bytes; none: no file
    std::string fileExtension;         // without the dot; names the local file
    std::string headerInfo;
    uint32_t cacheEntryType = NORMAL_CACHE_ENTRY;  // the container's own bits are added
    uint64_t lastModifiedTime = 0;
    uint64_t lastAccessTime = 0;       // 0: now
    uint64_t expireTime = 0;
    uint64_t lastSyncTime = 0;         // 0: now
    uint32_t hitRate = 1;
    uint32_t useCount = 0;             // above 0: the entry is locked, as after a retrieve
    uint32_t exemptDelta = 0;
};

class UrlCache;

// One pass over every entry: cookies, history, then content; within a
// container hash tables in sequence order and slots in order.
class CacheEnumeration {
public:
    CacheEnumeration(CacheEnumeration&&) noexcept;
    CacheEnumeration& operator=(CacheEnumeration&&) noexcept;
    ~CacheEnumeration();

    // The next entry, or null at the end. LastError() is then
    // ERROR_NO_MORE_ITEMS after a normal end, another code otherwise.
    std::unique_ptr<CacheEntryInfo> Next();
    uint32_t LastError() const;

private:
    friend class UrlCache;
    struct State;
    explicit CacheEnumeration(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

// The URL cache of one user: all its containers. Reads see the files as they
// are now; changes go straight to disk. Not thread-safe.
class UrlCache {
public:
    explicit UrlCache(CacheLocation location);
    ~UrlCache();
    UrlCache(const UrlCache&) = delete;
    UrlCache& operator=(const UrlCache&) = delete;

    const CacheLocation& Location() const;

    CacheEnumeration Enumerate();

    // The entry stored under exactly these URL bytes; null when not cached.
    std::unique_ptr<CacheEntryInfo> GetEntryInfo(std::string_view url);

    // DeleteUrlCacheEntry: ERROR_FILE_NOT_FOUND when not cached,
    // ERROR_ACCESS_DENIED when locked or when the container cannot be written.
    CacheResult DeleteEntry(std::string_view url);
    // The same for many URLs at once, one result each, in order.
    std::vector<CacheResult> DeleteEntries(const std::vector<std::string>& urls);

    // Adds an entry (the container is made when missing). A different URL
    // that holds the same hash slot is refused with ERROR_ALREADY_EXISTS.
    CacheResult CreateEntry(const NewCacheEntry& entry);
    // The same for many entries, each container written once.
    std::vector<CacheResult> CreateEntries(const std::vector<NewCacheEntry>& entries);

    // What was wrong with containers met so far (refused or read-only),
    // one line each naming the file.
    const std::vector<std::string>& Problems() const;

private:
    friend class CacheEnumeration;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Where the current user's cache is: TROVANA_PROFILE (a user profile
// folder), else the user's profile in WINEPREFIX (default ~/.wine). No
// containers is an empty location. Throws UrlCacheError when a variable
// names something that is not a readable folder.
CacheLocation LocateCurrentUserCache();
// The containers of a user profile folder: a Wine one, or a copied Windows
// XP, Vista or 7 one. Only containers whose index.dat exists are listed.
CacheLocation LocateProfileCache(const std::filesystem::path& profile);
// The current user's profile in a Wine prefix, resolved through its registry
// files as Wine does. Containers are listed where Wine would make them, even
// when they do not exist yet (so that entries can be created).
CacheLocation LocatePrefixCache(const std::filesystem::path& prefix);
// One index.dat alone; the kind is guessed from its folder names.
CacheLocation LocateSingleContainer(const std::filesystem::path& indexFile);

}  // namespace trovana::urlcache
