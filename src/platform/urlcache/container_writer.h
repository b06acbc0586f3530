// SPDX-License-Identifier: GPL-3.0-or-later
// Changing one container safely: the folder locked exclusively, the index
// re-read when it changed, every change checked against Wine's start-up
// rules, and written either in place in a crash-safe order or as a whole new
// file renamed over the old one.
#pragma once

#include "container.h"
#include "folder_lock.h"
#include "new_file.h"

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

enum class LockState { Unlocked, Held, Stale };

// An entry is locked while retrieved and not unlocked (slot flag 2, or a use
// count above 0). Wine ignores a lock whose access time is more than a day
// old; the difference is unsigned, as in Wine, so a time in the future
// counts as old too.
LockState LockOf(uint32_t key, const UrlRecord& record);

class ContainerWriter {
public:
    // Locks the folder and brings the container's snapshot up to date. With
    // `create`, a missing folder and index are made (the index on Finish).
    ContainerWriter(Container& container, bool create);
    ~ContainerWriter();
    ContainerWriter(const ContainerWriter&) = delete;
    ContainerWriter& operator=(const ContainerWriter&) = delete;

    // Collect every change and write the file whole on Finish (bulk adds).
    void ReplaceWhole() { m_replace = true; }

    // ERROR_FILE_NOT_FOUND when the URL is not in this container.
    CacheResult Delete(std::string_view url);
    // `url` is the stored form (already percent-encoded).
    CacheResult Create(const NewCacheEntry& entry, std::string_view url);
    // Writes what is still pending; the result of the whole series.
    CacheResult Finish();

private:

    void Open(bool create);
    void MakeNew();
    CacheResult Refused() const;
    CacheResult Failed(const std::exception& error);
    // Returns what became of the entry's file (its code is always success).
    CacheResult RemoveEntry(const SlotHit& hit, const UrlRecord& record, bool staleLock);
    void CleanLeaks();
    void FreeRecord(const UrlRecord& record);
    // Removes the record's file when it is the one the entry made; says in
    // `kept`, `keptPath` and `keptError` why it stayed, if it did.
    CacheResult RemoveLocalFile(const UrlRecord& record);
    std::optional<uint8_t> PickDirectory();
    // A different URL (or an unreadable record) in a slot with the URL's
    // bucket and key bits, other than `own`.
    std::optional<std::string> SlotHolder(std::string_view url, uint32_t hash, const std::optional<SlotHit>& own) const;
    CacheResult Place(const std::string& recordBytes, uint32_t hash, uint32_t key, uint8_t directory, uint64_t size,
                      bool sticky);
    void Flush();

    Container& m_container;
    std::optional<FolderLock> m_lock;
    Snapshot* m_snapshot = nullptr;
    fileio::FileDescriptor m_fd;
    bool m_replace = false;
    bool m_pending = false;       // changes not yet on disk
    bool m_indexRefused = false;  // the file is not a usable index at all
    bool m_wroteInPlace = false;
    bool m_leaksCleaned = false;
    std::string m_refusal;                              // why the container cannot be changed
    std::vector<std::filesystem::path> m_createdFiles;  // removed again if Finish fails
    std::mt19937_64 m_random;
    NameHints m_nameHints;
};

}  // namespace trovana::urlcache
