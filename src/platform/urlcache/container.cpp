// SPDX-License-Identifier: GPL-3.0-or-later
#include "container.h"

#include "file_time.h"
#include "folder_lock.h"
#include "layout.h"
#include "local_file.h"

#include <system_error>

namespace trovana::urlcache {

using namespace layout;

Container::Container(ContainerLocation location, ProblemSink problems, bool readOnly)
    : m_location(std::move(location)), m_problems(std::move(problems)), m_readOnly(readOnly)
{
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(m_location.folder, ec);
    if (!ec)
        m_location.folder = absolute.lexically_normal();
    if (!m_location.folder.has_filename() && m_location.folder.has_relative_path())
        m_location.folder = m_location.folder.parent_path();  // no trailing '/'
    m_indexPath = m_location.IndexPath();
}

void Container::Report(const std::vector<std::string>& problems) const
{
    if (!m_problems)
        return;
    for (const auto& problem : problems)
        m_problems(problem);
}

Snapshot* Container::Refresh()
{
    std::optional<FileStamp> stamp;
    try {
        if (m_snapshot)
            stamp = StampOfLinkedDescriptor(m_snapshot->file.Get());
        if (!stamp || *stamp != m_snapshot->stamp)
            stamp = StampOfFile(IndexPath());
        if (!stamp) {
            m_snapshot.reset();
            return nullptr;
        }
        if (m_snapshot && m_snapshot->stamp == *stamp) {
            if (!m_snapshot->racy)
                return m_snapshot.get();
            const bool settled = !IsRacy(*stamp);
            if (HeadMatches(IndexPath(), m_snapshot->image)) {
                m_snapshot->racy = !settled;
                return m_snapshot.get();
            }
        }
        if (!m_snapshot && m_refusedStamp == *stamp)
            return nullptr;
        std::optional<FolderLock> lock;
        if (!m_readOnly)
            lock.emplace(Folder(), FolderLock::Mode::Shared);
        Load();
    } catch (const UrlCacheError& error) {
        m_snapshot.reset();
        m_refusedStamp = stamp;
        Report({error.what()});
    } catch (const std::system_error& error) {
        m_snapshot.reset();
        Report({error.what()});
    }
    return m_snapshot.get();
}

Snapshot* Container::Loaded()
{
    return m_snapshot ? m_snapshot.get() : Refresh();
}

void Container::Invalidate()
{
    m_snapshot.reset();
    m_refusedStamp.reset();
}

void Container::Load()
{
    m_snapshot.reset();
    auto loaded = ReadIndexFile(IndexPath());
    if (!loaded)
        return;
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->info = ParseIndex(loaded->image, IndexPath().string(), loaded->realSize);
    snapshot->image = std::move(loaded->image);
    snapshot->realSize = loaded->realSize;
    snapshot->stamp = loaded->stamp;
    snapshot->file = std::move(loaded->file);
    snapshot->racy = IsRacy(loaded->stamp);
    Report(snapshot->info.problems);
    m_refusedStamp.reset();
    m_snapshot = std::move(snapshot);
}

namespace {

// The slot when it still names a listed entry stored under exactly `url`.
std::optional<SlotHit> HitAt(const Snapshot& snapshot, uint64_t slot, std::string_view url)
{
    const ByteImage& image = snapshot.image;
    const uint32_t key = image.U32(slot);
    if (!KeyNamesEntry(key))
        return std::nullopt;
    const uint32_t record = image.U32(slot + 4);
    const auto stored = ListedUrl(image, snapshot.info, record);
    if (!stored || *stored != url)
        return std::nullopt;
    return SlotHit{slot, key, record};
}

// Every listed URL and its first slot in enumeration order: one pass over
// all slots, so entries are found whatever key they were stored under.
void IndexUrls(Snapshot& snapshot)
{
    const ByteImage& image = snapshot.image;
    auto& slots = snapshot.urlSlots.emplace();
    for (uint32_t table : snapshot.info.tables) {
        for (uint32_t i = 0; i < kSlotCount; ++i) {
            const uint64_t slot = SlotPosition(table, i);
            if (!KeyNamesEntry(image.U32(slot)))
                continue;
            if (auto stored = ListedUrl(image, snapshot.info, image.U32(slot + 4)))
                slots.emplace(*stored, slot);
        }
    }
}

}  // namespace

std::optional<SlotHit> Container::Find(Snapshot& snapshot, std::string_view url)
{
    if (url.empty())
        return std::nullopt;
    // A walk of the URL's bucket costs a few slots per hash table, and a big
    // container has a hundred tables; the map of all URLs answers at once.
    // Writers keep it up to date; if it ever points at a changed slot, it is
    // built again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!snapshot.urlSlots)
            IndexUrls(snapshot);
        const auto found = snapshot.urlSlots->find(url);
        if (found == snapshot.urlSlots->end())
            return std::nullopt;
        if (auto hit = HitAt(snapshot, found->second, url))
            return hit;
        snapshot.urlSlots.reset();
    }
    return std::nullopt;
}

const std::filesystem::path& Container::CanonicalFolder(Snapshot& snapshot) const
{
    if (!snapshot.canonicalFolder) {
        std::error_code ec;
        auto canonical = std::filesystem::weakly_canonical(Folder(), ec);
        snapshot.canonicalFolder = ec ? Folder() : canonical;
    }
    return *snapshot.canonicalFolder;
}

const std::optional<FileFolder>& Container::FolderOf(Snapshot& snapshot, uint8_t directory) const
{
    static const std::optional<FileFolder> kNone;
    if (directory == kNoSubdirectory) {
        if (!snapshot.folder)
            snapshot.folder = FileFolder{Folder(), MayHoldSymlinks(Folder())};
        return snapshot.folder;
    }
    if (!snapshot.directories) {
        auto& folders = snapshot.directories.emplace();
        for (const CacheDirectory& dir : snapshot.info.directories) {
            auto& folder = folders.emplace_back();
            if (!dir.valid)
                continue;
            auto path = FindCacheDirectory(Folder(), dir.name);
            if (StaysInside(path, CanonicalFolder(snapshot)))
                folder = FileFolder{path, MayHoldSymlinks(path)};
        }
    }
    if (directory >= snapshot.directories->size())
        return kNone;
    return (*snapshot.directories)[directory];
}

std::string Container::LocalPath(Snapshot& snapshot, const UrlRecord& record) const
{
    if (!record.localName)
        return {};
    const auto& folder = FolderOf(snapshot, record.directory);
    if (!folder)
        return {};
    LocalFile file = FindLocalFile(folder->path.native(), *record.localName, folder->mayHoldLinks);
    if (file.symlink && !StaysInside(file.path, CanonicalFolder(snapshot)))
        return {};
    return std::move(file.path);
}

std::unique_ptr<CacheEntryInfo> Container::Describe(Snapshot& snapshot, const UrlRecord& record) const
{
    auto info = std::make_unique<CacheEntryInfo>();
    info->sourceUrlName = std::string(record.url);
    info->localFileName = LocalPath(snapshot, record);
    if (record.localName)
        info->storedFileName = std::string(*record.localName);
    info->cacheEntryType = record.type;
    info->useCount = record.useCount;
    info->hitRate = record.hitRate;
    info->sizeLow = record.sizeLow;
    info->sizeHigh = record.sizeHigh;
    info->lastModifiedTime = record.lastModified;
    info->expireTime = FileTimeFromDos(record.expire);
    info->expireDos = uint32_t{record.expire.date} | uint32_t{record.expire.time} << 16;
    info->lastAccessTime = record.lastAccess;
    info->lastSyncTime = FileTimeFromDos(record.lastSync);
    if (record.header)
        info->headerInfo = std::string(*record.header);
    if (record.extension)
        info->fileExtension = std::string(*record.extension);
    info->exemptDelta = record.exemptDelta;
    return info;
}

}  // namespace trovana::urlcache
