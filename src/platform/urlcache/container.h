// One container (a folder with its index.dat): the parsed snapshot of the
// file, kept until the file changes, and what reading needs of it: lookup
// by URL and the entry fields of a record.
#pragma once

#include "byte_image.h"
#include "index_file.h"
#include "index_image.h"
#include "record.h"
#include "urlcache.h"

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

// One version of index.dat, parsed, with what lookups build on first need.
struct Snapshot {
    ByteImage image;
    IndexInfo info;
    uint64_t realSize = 0;
    FileStamp stamp;
    // The stamp was taken so soon after a change that a further change may
    // not show in it: compare the header and bitmap too.
    bool racy = false;
    // URL -> slot of every listed entry, for the full-scan fallback.
    std::optional<std::unordered_map<std::string_view, uint64_t>> urlSlots;
    // The folder of each cache directory; none where it is unusable.
    std::optional<std::vector<std::optional<std::filesystem::path>>> directories;
    std::optional<std::filesystem::path> canonicalFolder;
};

class Container {
public:
    using ProblemSink = std::function<void(const std::string&)>;

    Container(ContainerLocation location, ProblemSink problems);

    ContainerKind Kind() const { return m_location.kind; }
    const std::filesystem::path& Folder() const { return m_location.folder; }
    std::filesystem::path IndexPath() const { return m_location.folder / "index.dat"; }

    // The snapshot, read again when the file changed (one stat when it did
    // not). Null when there is no index or it was refused.
    Snapshot* Refresh();
    // The snapshot as last read; reads it when there is none yet.
    Snapshot* Loaded();
    // Forgets the snapshot (after a failed change, memory may differ from disk).
    void Invalidate();

    // The entry stored under exactly these bytes: the hash bucket first,
    // then every slot (for keys computed differently).
    static std::optional<SlotHit> Find(Snapshot& snapshot, std::string_view url);
    // The entry's fields as WinINet returns them, with a Linux path.
    std::unique_ptr<CacheEntryInfo> Describe(Snapshot& snapshot, const UrlRecord& record) const;
    // The Linux path of a record's file when its directory and name are
    // usable and it stays inside the container folder; empty otherwise.
    std::filesystem::path LocalPath(Snapshot& snapshot, const UrlRecord& record) const;

    // Tests watch in-place writes through this.
    void SetWriteObserver(WriteObserver observer) { m_observer = std::move(observer); }

private:
    friend class ContainerWriter;

    // Reads and parses the file; the caller holds a lock on the folder.
    // Throws UrlCacheError when the file is refused.
    void Load();
    void Report(const std::vector<std::string>& problems) const;
    const std::filesystem::path& CanonicalFolder(Snapshot& snapshot) const;
    const std::optional<std::filesystem::path>& FileFolder(Snapshot& snapshot,
                                                           uint8_t directory) const;

    ContainerLocation m_location;
    ProblemSink m_problems;
    std::unique_ptr<Snapshot> m_snapshot;
    std::optional<FileStamp> m_refusedStamp;  // the version that was refused, not read again
    WriteObserver m_observer;
};

}  // namespace trovana::urlcache
