// SPDX-License-Identifier: GPL-3.0-or-later
// One container (a folder with its index.dat): the parsed snapshot of the
// file, kept until the file changes, and what reading needs of it: lookup
// by URL and the entry fields of a record.
#pragma once

#include "byte_image.h"
#include "index_file.h"
#include "index_image.h"
#include "record.h"
#include "cache_types.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trovana::urlcache {

// A hash slot that names an entry, and the record it points at.
struct SlotHit {
    uint64_t slot = 0;
    uint32_t key = 0;
    uint64_t record = 0;
};

// A folder that holds entries' files: the container folder or one of its
// cache directories, checked to lie inside the container folder.
struct FileFolder {
    std::filesystem::path path;
    // Listed once per snapshot: only then is each file examined for a
    // symbolic link that could lead out of the container.
    bool mayHoldLinks = true;
};

// One version of index.dat, parsed, with what lookups build on first need.
struct Snapshot {
    ByteImage image;
    IndexInfo info;
    uint64_t realSize = 0;
    FileStamp stamp;
    // index.dat as read, open: fstat on it is much cheaper than stat on the
    // path, and its link count shows when the path names another file now.
    fileio::FileDescriptor file;
    // The stamp was taken so soon after a change that a further change may
    // not show in it: compare the header and bitmap too.
    bool racy = false;
    // Every block before this one is in use: where a first-fit search starts.
    uint32_t firstFreeBlock = 0;
    // URL -> slot of every listed entry, for the full-scan fallback.
    std::optional<std::unordered_map<std::string_view, uint64_t>> urlSlots;
    // The container folder and each cache directory; none where unusable.
    std::optional<FileFolder> folder;
    std::optional<std::vector<std::optional<FileFolder>>> directories;
    std::optional<std::filesystem::path> canonicalFolder;
};

class Container {
public:
    using ProblemSink = std::function<void(const std::string&)>;

    // `readOnly`: reads take no lock, so that nothing of the folder is touched.
    Container(ContainerLocation location, ProblemSink problems, bool readOnly = false);

    ContainerKind Kind() const { return m_location.kind; }
    const std::filesystem::path& Folder() const { return m_location.folder; }
    const std::filesystem::path& IndexPath() const { return m_indexPath; }

    // The snapshot, read again when the file changed (one stat when it did
    // not). Null when there is no index or it was refused.
    Snapshot* Refresh();
    // The snapshot as last read; reads it when there is none yet.
    Snapshot* Loaded();
    // Forgets the snapshot (after a failed change, memory may differ from disk).
    void Invalidate();
    // Frees the snapshot's memory; the next read reads the file again.
    void Release() { m_snapshot.reset(); }

    // The entry stored under exactly these bytes, whatever key it was
    // stored with (Wine before 10.11 computed some keys differently).
    static std::optional<SlotHit> Find(Snapshot& snapshot, std::string_view url);
    // The entry's fields as WinINet returns them, with a Linux path.
    std::unique_ptr<CacheEntryInfo> Describe(Snapshot& snapshot, const UrlRecord& record) const;
    // The Linux path of a record's file when its directory and name are
    // usable and it stays inside the container folder; empty otherwise.
    std::string LocalPath(Snapshot& snapshot, const UrlRecord& record) const;

    // Tests watch in-place writes through this.
    void SetWriteObserver(WriteObserver observer) { m_observer = std::move(observer); }

private:
    friend class ContainerWriter;

    // Reads and parses the file; the caller holds a lock on the folder.
    // Throws UrlCacheError when the file is refused.
    void Load();
    void Report(const std::vector<std::string>& problems) const;
    const std::filesystem::path& CanonicalFolder(Snapshot& snapshot) const;
    // The folder of files in `directory` (0xFE: the container folder).
    const std::optional<FileFolder>& FolderOf(Snapshot& snapshot, uint8_t directory) const;

    ContainerLocation m_location;
    std::filesystem::path m_indexPath;
    ProblemSink m_problems;
    std::unique_ptr<Snapshot> m_snapshot;
    std::optional<FileStamp> m_refusedStamp;  // the version that was refused, not read again
    WriteObserver m_observer;
    bool m_readOnly = false;
};

}  // namespace trovana::urlcache
