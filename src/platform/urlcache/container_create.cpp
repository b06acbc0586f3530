// SPDX-License-Identifier: GPL-3.0-or-later
// Adding entries: ContainerWriter::Create and where a new record goes.
#include "container_writer.h"

#include "file_time.h"
#include "hash.h"
#include "index_edit.h"
#include "layout.h"
#include "new_file.h"

#include <fcntl.h>
#include <unistd.h>

namespace trovana::urlcache {
namespace {

using namespace layout;

constexpr uint32_t kStickyExemptDelta = 86'400;

uint32_t ContainerTypeBits(ContainerKind kind)
{
    switch (kind) {
    case ContainerKind::Cookies: return COOKIE_CACHE_ENTRY;
    case ContainerKind::History: return URLHISTORY_CACHE_ENTRY;
    case ContainerKind::Content: break;
    }
    return NORMAL_CACHE_ENTRY;
}

}  // namespace

std::optional<std::string> ContainerWriter::SlotHolder(std::string_view url, uint32_t hash,
                                                       const std::optional<SlotHit>& own) const
{
    const ByteImage& image = m_snapshot->image;
    for (uint32_t table : m_snapshot->info.tables) {
        for (uint32_t i = 0; i < kBucketSlots; ++i) {
            const uint64_t slot = SlotPosition(table, HashBucket(hash) * kBucketSlots + i);
            const uint32_t key = image.U32(slot);
            if (!KeyNamesEntry(key) || HashKeyBits(key) != HashKeyBits(hash) || (own && own->slot == slot))
                continue;
            const auto stored = ListedUrl(image, m_snapshot->info, image.U32(slot + 4));
            if (!stored)
                return std::string("an unreadable entry");
            if (*stored != url)
                return std::string(*stored);
        }
    }
    return std::nullopt;
}

CacheResult ContainerWriter::Create(const NewCacheEntry& entry, std::string_view url)
{
    if (!m_snapshot || !m_refusal.empty())
        return Refused();
    const bool sticky = entry.cacheEntryType & STICKY_CACHE_ENTRY;
    if (sticky && !entry.body)
        return {ERROR_INVALID_PARAMETER, "a sticky entry needs a local file: " + std::string(url)};
    if (!IsUsableExtension(entry.fileExtension))
        return {ERROR_INVALID_PARAMETER, "unusable file extension \"" + entry.fileExtension + "\""};

    const uint32_t hash = UrlHash(url);
    const auto existing = Container::Find(*m_snapshot, url);
    std::optional<UrlRecord> old;
    LockState oldLock = LockState::Unlocked;
    if (existing) {
        old = ReadUrlRecord(m_snapshot->image, m_snapshot->info, existing->record);
        oldLock = LockOf(existing->key, *old);
        if (oldLock == LockState::Held)
            return {ERROR_ACCESS_DENIED, std::string(url) + " is in use and cannot be replaced"};
    }
    // Wine compares only bucket and key bits: two such URLs would be one entry.
    if (auto holder = SlotHolder(url, hash, existing))
        return {ERROR_ALREADY_EXISTS, std::string(url) + " has the same hash slot as " + *holder};

    std::optional<CreatedFile> file;
    try {
        uint8_t directory = m_snapshot->info.directories.empty() ? kNoSubdirectory : 0;
        if (entry.body) {
            const auto picked = PickDirectory();
            if (!picked)
                return {ERROR_ACCESS_DENIED, m_container.IndexPath().string() + ": no usable cache directory"};
            directory = *picked;
            const std::filesystem::path folder = m_container.FolderOf(*m_snapshot, directory)->path;
            std::filesystem::create_directories(folder);
            file = CreateLocalFile(folder, url, entry.fileExtension, *entry.body, m_random, &m_nameHints);
            if (m_replace)
                m_createdFiles.push_back(file->path);
        }

        NewRecord record;
        record.hitRate = entry.hitRate;
        record.exemptDelta = entry.exemptDelta;
        if (existing) {
            // A re-commit keeps the hit rate (one more) and the exempt delta.
            record.hitRate = old->hitRate + 1;
            record.exemptDelta = old->exemptDelta;
            RemoveEntry(*existing, *old, oldLock == LockState::Stale);
        }
        if (sticky && record.exemptDelta == 0)
            record.exemptDelta = kStickyExemptDelta;
        const uint64_t now = FileTimeNow();
        record.url = url;
        if (file)
            record.localName = file->name;
        record.header = entry.headerInfo;
        record.extension = entry.fileExtension;
        record.directory = directory;
        record.type = entry.cacheEntryType | ContainerTypeBits(m_container.Kind());
        record.useCount = entry.useCount;
        record.size = file ? file->size : 0;
        record.lastModified = entry.lastModifiedTime;
        record.lastAccess = entry.lastAccessTime ? entry.lastAccessTime : now;
        record.expire = DosFromFileTime(entry.expireTime);
        record.lastSync = DosFromFileTime(entry.lastSyncTime ? entry.lastSyncTime : now);
        record.fileWrite = file ? DosFromFileTime(file->lastWrite) : DosDateTime{};
        const uint32_t key = (hash & ~kKeyFlagMask) | (entry.useCount > 0 ? kFlagLocked : 0);
        CacheResult result = Place(EncodeRecord(record), hash, key, directory, record.size, sticky);
        if (!result.ok() && file)
            unlink(file->path.c_str());
        return result;
    } catch (const std::exception& error) {
        if (file)
            unlink(file->path.c_str());
        return Failed(error);
    }
}

CacheResult ContainerWriter::Place(const std::string& recordBytes, uint32_t hash, uint32_t key, uint8_t directory,
                                   uint64_t size, bool sticky)
{
    ByteImage& image = m_snapshot->image;
    IndexInfo& info = m_snapshot->info;
    const auto blocks = static_cast<uint32_t>(recordBytes.size() / kBlockSize);
    const uint32_t bucket = HashBucket(hash);
    std::optional<uint64_t> slot;
    std::optional<BlockRun> run;
    std::optional<BlockRun> tableRun;
    for (;;) {
        slot = FreeSlotInBucket(image, info, bucket);
        run = FindFreeRun(image, info.capacity, blocks, m_snapshot->firstFreeBlock);
        if (run && !slot)
            tableRun = FindFreeRun(image, info.capacity, kHashTableBlocks, m_snapshot->firstFreeBlock, run);
        if (run && (slot || tableRun))
            break;
        // Growth is never done in place: a crash between extending the file
        // and updating its header would leave a file Wine wipes.
        if (!GrowImage(image))
            return {ERROR_NOT_ENOUGH_MEMORY, m_container.IndexPath().string() + " is full"};
        m_replace = true;
        m_pending = true;
        info = ParseIndex(image, m_container.IndexPath().string(), image.Size());
        m_snapshot->realSize = image.Size();
        m_snapshot->urlSlots.reset();
    }

    // In this order, a process killed between any two writes leaves at worst
    // blocks that nothing points at.
    image.NextStep();
    image.PutBytes(run->Offset(), recordBytes);
    std::vector<BlockRun> runs{*run};
    if (tableRun) {
        image.NextStep();
        WriteHashTable(image, tableRun->Offset(), static_cast<uint32_t>(info.tables.size()));
        runs.push_back(*tableRun);
    }
    image.NextStep();
    MarkRuns(image, runs, true);
    while (m_snapshot->firstFreeBlock < info.capacity && BlockInUse(image, m_snapshot->firstFreeBlock))
        ++m_snapshot->firstFreeBlock;
    if (tableRun) {
        image.NextStep();
        image.Put32(info.tables.back() + kHashNext, static_cast<uint32_t>(tableRun->Offset()));
        info.tables.push_back(static_cast<uint32_t>(tableRun->Offset()));
        slot = SlotPosition(info.tables.back(), bucket * kBucketSlots);
    }
    image.NextStep();
    image.Put32(*slot + 4, static_cast<uint32_t>(run->Offset()));
    image.NextStep();
    image.Put32(*slot, key);
    if (m_snapshot->urlSlots) {
        const auto url = image.View(run->Offset() + kRecFixedSize,
                                    recordBytes.find('\0', kRecFixedSize) - kRecFixedSize);
        m_snapshot->urlSlots->emplace(url, *slot);
    }
    image.NextStep();
    AdjustCounters(image, directory, size, sticky, +1);
    Flush();
    return {};
}

void ContainerWriter::Flush()
{
    ByteImage& image = m_snapshot->image;
    if (m_replace) {
        m_pending = true;
        image.ClearSteps();
        return;
    }
    // In place, the size, capacity and chain numbering never change and
    // MarkRuns keeps the blocks-in-use field equal to the bitmap, so the
    // file passes Wine's start-up check after every write.
    FlushSteps(m_fd.Get(), image, m_container.m_observer);
    m_wroteInPlace = true;
}

CacheResult ContainerWriter::Finish()
{
    if (!m_snapshot)
        return {};
    const std::filesystem::path& path = m_container.IndexPath();
    try {
        if (m_pending || m_wroteInPlace) {
            if (auto problem = WriteResultProblem(m_snapshot->image))
                throw std::logic_error(path.string() + ": refusing a change that would break the index (" + *problem +
                                       ")");
        }
        if (m_pending) {
            ReplaceIndexFile(path, m_snapshot->image, m_lock->Descriptor());
            m_pending = false;
            m_createdFiles.clear();
            m_snapshot->file = fileio::FileDescriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC));
            m_snapshot->stamp = m_snapshot->file.Get() >= 0 ? StampOfDescriptor(m_snapshot->file.Get())
                                                            : *StampOfFile(path);
        } else if (m_wroteInPlace) {
            m_snapshot->stamp = StampOfDescriptor(m_fd.Get());
        }
        m_snapshot->racy = IsRacy(m_snapshot->stamp);
    } catch (const std::exception& error) {
        for (const auto& created : m_createdFiles)
            unlink(created.c_str());
        m_createdFiles.clear();
        return Failed(error);
    }
    return {};
}

}  // namespace trovana::urlcache
