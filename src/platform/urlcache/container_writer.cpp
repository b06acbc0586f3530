// SPDX-License-Identifier: GPL-3.0-or-later
#include "container_writer.h"

#include "file_time.h"
#include "index_edit.h"
#include "layout.h"
#include "local_file.h"
#include "new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace trovana::urlcache {
namespace {

using namespace layout;

constexpr uint64_t kDayInFileTime = 24ull * 3600 * 10'000'000;
constexpr size_t kDirectoryCountForContent = 4;

}  // namespace

LockState LockOf(uint32_t key, const UrlRecord& record)
{
    if ((key & kKeyFlagMask) != kFlagLocked && record.useCount == 0)
        return LockState::Unlocked;
    return FileTimeNow() - record.lastAccess > kDayInFileTime ? LockState::Stale : LockState::Held;
}

ContainerWriter::ContainerWriter(Container& container, bool create)
    : m_container(container), m_random(std::random_device{}())
{
    try {
        Open(create);
    } catch (const std::exception& error) {
        m_snapshot = nullptr;
        m_refusal = error.what();
    }
}

ContainerWriter::~ContainerWriter()
{
    if (m_pending)
        m_container.Invalidate();
}

void ContainerWriter::Open(bool create)
{
    const std::filesystem::path& folder = m_container.Folder();
    if (create)
        std::filesystem::create_directories(folder);
    else if (!std::filesystem::is_directory(folder))
        return;
    m_lock.emplace(folder, FolderLock::Mode::Exclusive);

    const std::filesystem::path& path = m_container.IndexPath();
    // Without waiting, as for reading: the file may be a FIFO.
    m_fd = fileio::FileDescriptor(open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!m_fd.Valid() && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        m_refusal = path.string() + ": cannot be written (" + std::strerror(errno) + ")";
        m_fd = fileio::OpenForReading(path);
    }
    if (!m_fd.Valid()) {
        if (errno != ENOENT)
            throw std::system_error(errno, std::generic_category(), "cannot open " + path.string());
        m_container.m_snapshot.reset();
        if (create)
            MakeNew();
        return;
    }
    // Never change what was read earlier: re-read unless the file is
    // provably the same (same identity and times, same header and bitmap).
    const Snapshot* known = m_container.m_snapshot.get();
    if (!known || known->stamp != StampOfDescriptor(m_fd.Get()) || !HeadMatches(m_fd.Get(), known->image)) {
        try {
            m_container.Load();
        } catch (const UrlCacheError& error) {
            // Its entries cannot be found ("not in the cache"); the problem
            // list says why.
            m_container.Invalidate();
            m_container.Report({error.what()});
            m_indexRefused = true;
            m_refusal = error.what();
            return;
        }
    }
    m_snapshot = m_container.m_snapshot.get();
    if (m_snapshot && !m_snapshot->info.Writable() && m_refusal.empty())
        m_refusal = m_snapshot->info.problems.front();
}

void ContainerWriter::MakeNew()
{
    std::vector<std::string> names;
    if (m_container.Kind() == ContainerKind::Content) {
        while (names.size() < kDirectoryCountForContent) {
            const std::string name = RandomName(m_random);
            const auto dir = m_container.Folder() / name;
            if (mkdir(dir.c_str(), 0755) == 0)
                names.push_back(name);
            else if (errno != EEXIST)
                throw std::system_error(errno, std::generic_category(), "cannot create " + dir.string());
        }
    }
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->image = NewIndexImage(names);
    snapshot->realSize = snapshot->image.Size();
    snapshot->info = ParseIndex(snapshot->image, m_container.IndexPath().string(), snapshot->realSize);
    m_container.m_snapshot = std::move(snapshot);
    m_snapshot = m_container.m_snapshot.get();
    m_replace = true;
    m_pending = true;
}

CacheResult ContainerWriter::Refused() const
{
    return {ERROR_ACCESS_DENIED, m_refusal + " (the container is read-only)"};
}

CacheResult ContainerWriter::Failed(const std::exception& error)
{
    m_container.Invalidate();
    m_snapshot = nullptr;
    m_pending = false;
    m_refusal = error.what();
    return {ERROR_ACCESS_DENIED, m_refusal};
}

CacheResult ContainerWriter::Delete(std::string_view url)
{
    const CacheResult notFound{ERROR_FILE_NOT_FOUND, "not in the cache: " + std::string(url)};
    if (!m_snapshot)
        return m_refusal.empty() || m_indexRefused ? notFound : Refused();
    const auto hit = Container::Find(*m_snapshot, url);
    if (!hit)
        return notFound;
    if (!m_refusal.empty())
        return Refused();
    try {
        if (!m_leaksCleaned) {
            m_leaksCleaned = true;
            CleanLeaks();
        }
        const UrlRecord record = *ReadUrlRecord(m_snapshot->image, m_snapshot->info, hit->record);
        const LockState lock = LockOf(hit->key, record);
        if (lock == LockState::Held) {
            // As Wine: mark it, and it goes when the last user unlocks it.
            m_snapshot->image.NextStep();
            m_snapshot->image.Put32(hit->record + kRecType, record.type | PENDING_DELETE_CACHE_ENTRY);
            Flush();
            return {ERROR_ACCESS_DENIED, std::string(url) + " is in use; it will be deleted when it is unlocked"};
        }
        return RemoveEntry(*hit, record, lock == LockState::Stale);
    } catch (const std::exception& error) {
        return Failed(error);
    }
}

CacheResult ContainerWriter::RemoveEntry(const SlotHit& hit, const UrlRecord& record, bool staleLock)
{
    CacheResult result;
    ByteImage& image = m_snapshot->image;
    if (auto& slots = m_snapshot->urlSlots) {
        const auto found = slots->find(record.url);
        if (found != slots->end() && found->second == hit.slot)
            slots->erase(found);
        else if (found != slots->end())
            slots.reset();
    }
    if (staleLock) {
        image.NextStep();
        image.Put32(hit.record + kRecUseCount, 0);
    }
    if (record.localName) {
        // The record goes onto the leak list before the entry leaves the hash
        // table and stays there until its file is gone, as Wine keeps a
        // record whose file it cannot delete: a process killed at any point
        // leaves the entry whole or its file named by a LEAK record, never a
        // file nobody will remove. In a LEAK record the exempt delta links
        // the list.
        const uint32_t leakHead = image.U32(kLeakListHead);
        if (image.U32(hit.record + kRecExemptDelta) != leakHead) {
            image.NextStep();
            image.Put32(hit.record + kRecExemptDelta, leakHead);
        }
        image.NextStep();
        image.Put32(kLeakListHead, static_cast<uint32_t>(hit.record));
        image.NextStep();
        image.Put32(hit.slot, kKeyDeleted);
        image.NextStep();
        image.Put32(hit.record, kLeakSignature);
        Flush();
        // Wine frees a LEAK record once its file can be deleted.
        result = RemoveLocalFile(record);
        if (result.kept == KeptFile::NotWritable)
            return result;
        image.NextStep();
        image.Put32(kLeakListHead, leakHead);
    } else {
        image.NextStep();
        image.Put32(hit.slot, kKeyDeleted);
    }
    FreeRecord(record);
    Flush();
    return result;
}

// Gives the record's blocks back and takes its file out of the counters.
void ContainerWriter::FreeRecord(const UrlRecord& record)
{
    ByteImage& image = m_snapshot->image;
    const auto block = static_cast<uint32_t>((record.span.offset - kBlockArea) / kBlockSize);
    image.NextStep();
    MarkRuns(image, {BlockRun{block, static_cast<uint32_t>(record.span.length / kBlockSize)}}, false);
    m_snapshot->firstFreeBlock = std::min(m_snapshot->firstFreeBlock, block);
    image.NextStep();
    AdjustCounters(image, record.directory, record.Size(), record.type & STICKY_CACHE_ENTRY, -1);
}

// Frees the LEAK records whose files can be removed now, as Wine does when
// it frees cache space: files that were in use at their deletion, and files
// of a deletion that was interrupted. A record that a slot still names (the
// deletion stopped before the entry left the hash table) only leaves the
// list: its entry is whole.
void ContainerWriter::CleanLeaks()
{
    ByteImage& image = m_snapshot->image;
    const IndexInfo& info = m_snapshot->info;
    uint64_t link = kLeakListHead;  // the field that names the record at hand
    for (uint64_t seen = 0; seen < info.capacity; ++seen) {
        const uint32_t offset = image.U32(link);
        auto record = ReadRecord(image, info, offset, kLeakSignature);
        if (!record)
            record = ReadUrlRecord(image, info, offset);
        if (!record)
            return;  // the end, or a list that cannot be followed safely
        const uint32_t next = image.U32(offset + kRecExemptDelta);
        const auto hit = Container::Find(*m_snapshot, record->url);
        const bool named = hit && hit->record == offset;
        if (!named && RemoveLocalFile(*record).kept == KeptFile::NotWritable) {
            link = offset + kRecExemptDelta;
            continue;
        }
        image.NextStep();
        image.Put32(link, next);
        if (!named)
            FreeRecord(*record);
        Flush();
    }
}

CacheResult ContainerWriter::RemoveLocalFile(const UrlRecord& record)
{
    CacheResult result;
    const std::string path = m_container.LocalPath(*m_snapshot, record);
    if (path.empty())
        return result;
    const auto kept = [&](KeptFile why, int error = 0) {
        result.kept = why;
        result.keptPath = path;
        result.keptError = error;
        return result;
    };
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return result;  // already gone
    if (!StaysInside(path, m_container.CanonicalFolder(*m_snapshot)))
        return kept(KeptFile::OutsideCache);
    // Only the file the entry made: one changed since belongs to someone else.
    if (DosFromFileTime(FileTimeFromTimespec(st.st_mtim)) != record.fileWrite)
        return kept(KeptFile::TimesDiffer);
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return kept(errno == EACCES || errno == EPERM ? KeptFile::NotWritable : KeptFile::Failed, errno);
    return result;
}

std::optional<uint8_t> ContainerWriter::PickDirectory()
{
    if (m_snapshot->info.directories.empty())
        return kNoSubdirectory;
    std::vector<uint8_t> usable;
    for (size_t i = 0; i < m_snapshot->info.directories.size(); ++i) {
        if (m_container.FolderOf(*m_snapshot, static_cast<uint8_t>(i)))
            usable.push_back(static_cast<uint8_t>(i));
    }
    if (usable.empty())
        return std::nullopt;
    std::uniform_int_distribution<size_t> pick(0, usable.size() - 1);
    return usable[pick(m_random)];
}

}  // namespace trovana::urlcache
