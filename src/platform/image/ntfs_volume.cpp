// SPDX-License-Identifier: GPL-3.0-or-later
#include "ntfs_volume.h"

#include "bfio_handle.h"
#include "libyal_error.h"
#include "libyal_library.h"

#include <libfsntfs.h>

#include <array>
#include <cstring>
#include <fstream>

namespace trovana::image {

namespace {

struct FsntfsApi {
    decltype(&::libfsntfs_file_entry_free) libfsntfs_file_entry_free = nullptr;
    decltype(&::libfsntfs_file_entry_get_extent_by_index) libfsntfs_file_entry_get_extent_by_index = nullptr;
    decltype(&::libfsntfs_file_entry_get_file_reference) libfsntfs_file_entry_get_file_reference = nullptr;
    decltype(&::libfsntfs_file_entry_get_number_of_attributes) libfsntfs_file_entry_get_number_of_attributes = nullptr;
    decltype(&::libfsntfs_file_entry_get_number_of_extents) libfsntfs_file_entry_get_number_of_extents = nullptr;
    decltype(&::libfsntfs_file_entry_get_number_of_sub_file_entries)
        libfsntfs_file_entry_get_number_of_sub_file_entries = nullptr;
    decltype(&::libfsntfs_file_entry_get_parent_file_reference_by_attribute_index)
        libfsntfs_file_entry_get_parent_file_reference_by_attribute_index = nullptr;
    decltype(&::libfsntfs_file_entry_get_size) libfsntfs_file_entry_get_size = nullptr;
    decltype(&::libfsntfs_file_entry_get_sub_file_entry_by_index) libfsntfs_file_entry_get_sub_file_entry_by_index =
        nullptr;
    decltype(&::libfsntfs_file_entry_get_utf8_name) libfsntfs_file_entry_get_utf8_name = nullptr;
    decltype(&::libfsntfs_file_entry_get_utf8_name_by_attribute_index)
        libfsntfs_file_entry_get_utf8_name_by_attribute_index = nullptr;
    decltype(&::libfsntfs_file_entry_has_default_data_stream) libfsntfs_file_entry_has_default_data_stream = nullptr;
    decltype(&::libfsntfs_file_entry_has_directory_entries_index) libfsntfs_file_entry_has_directory_entries_index =
        nullptr;
    decltype(&::libfsntfs_file_entry_is_allocated) libfsntfs_file_entry_is_allocated = nullptr;
    decltype(&::libfsntfs_file_entry_read_buffer_at_offset) libfsntfs_file_entry_read_buffer_at_offset = nullptr;
    decltype(&::libfsntfs_volume_close) libfsntfs_volume_close = nullptr;
    decltype(&::libfsntfs_volume_free) libfsntfs_volume_free = nullptr;
    decltype(&::libfsntfs_volume_get_cluster_block_size) libfsntfs_volume_get_cluster_block_size = nullptr;
    decltype(&::libfsntfs_volume_get_file_entry_by_index) libfsntfs_volume_get_file_entry_by_index = nullptr;
    decltype(&::libfsntfs_volume_get_file_entry_by_utf8_path) libfsntfs_volume_get_file_entry_by_utf8_path = nullptr;
    decltype(&::libfsntfs_volume_get_number_of_file_entries) libfsntfs_volume_get_number_of_file_entries = nullptr;
    decltype(&::libfsntfs_volume_initialize) libfsntfs_volume_initialize = nullptr;
    decltype(&::libfsntfs_volume_open_file_io_handle) libfsntfs_volume_open_file_io_handle = nullptr;
    decltype(&::libfsntfs_error_sprint) libfsntfs_error_sprint = nullptr;
    decltype(&::libfsntfs_error_free) libfsntfs_error_free = nullptr;
};

const FsntfsApi& Fsntfs()
{
    static const FsntfsApi api = [] {
        void* library = LibyalLibrary("libfsntfs.so.1");
        FsntfsApi bound;
        TROVANA_BIND(library, bound, libfsntfs_file_entry_free);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_extent_by_index);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_file_reference);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_number_of_attributes);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_number_of_extents);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_number_of_sub_file_entries);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_parent_file_reference_by_attribute_index);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_size);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_sub_file_entry_by_index);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_utf8_name);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_get_utf8_name_by_attribute_index);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_has_default_data_stream);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_has_directory_entries_index);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_is_allocated);
        TROVANA_BIND(library, bound, libfsntfs_file_entry_read_buffer_at_offset);
        TROVANA_BIND(library, bound, libfsntfs_volume_close);
        TROVANA_BIND(library, bound, libfsntfs_volume_free);
        TROVANA_BIND(library, bound, libfsntfs_volume_get_cluster_block_size);
        TROVANA_BIND(library, bound, libfsntfs_volume_get_file_entry_by_index);
        TROVANA_BIND(library, bound, libfsntfs_volume_get_file_entry_by_utf8_path);
        TROVANA_BIND(library, bound, libfsntfs_volume_get_number_of_file_entries);
        TROVANA_BIND(library, bound, libfsntfs_volume_initialize);
        TROVANA_BIND(library, bound, libfsntfs_volume_open_file_io_handle);
        TROVANA_BIND(library, bound, libfsntfs_error_sprint);
        TROVANA_BIND(library, bound, libfsntfs_error_free);
        return bound;
    }();
    return api;
}

constexpr size_t kCopyChunk = 1 << 20;
constexpr uint64_t kBitmapEntry = 6;  // $Bitmap
constexpr int kMaxDepth = 64;

struct EntryFree {
    void operator()(libfsntfs_file_entry_t* entry) const { Fsntfs().libfsntfs_file_entry_free(&entry, nullptr); }
};
using FileEntry = std::unique_ptr<libfsntfs_file_entry_t, EntryFree>;

std::string ErrorText(libfsntfs_error_t* error)
{
    return LibyalErrorText(error, Fsntfs().libfsntfs_error_sprint, Fsntfs().libfsntfs_error_free);
}

// The name and parent of an entry by its $FILE_NAME attributes, which an
// entry read by number (a deleted one) still has when it is no longer in a
// folder's index; the longest name, so that a long name wins over its
// 8.3 alias.
struct NameAndParent {
    std::string name;
    uint64_t parent = 0;
};

NameAndParent FileName(libfsntfs_file_entry_t* entry)
{
    NameAndParent found;
    std::array<uint8_t, 1024> name{};
    int count = 0;
    if (Fsntfs().libfsntfs_file_entry_get_number_of_attributes(entry, &count, nullptr) != 1) {
        return found;
    }
    for (int i = 0; i < count; ++i) {
        uint64_t parent = 0;
        if (Fsntfs().libfsntfs_file_entry_get_utf8_name_by_attribute_index(entry, i, name.data(), name.size(),
                                                                           nullptr) == 1 &&
            Fsntfs().libfsntfs_file_entry_get_parent_file_reference_by_attribute_index(entry, i, &parent, nullptr) ==
                1) {
            std::string text = reinterpret_cast<const char*>(name.data());
            if (text.size() > found.name.size()) {
                found = {std::move(text), parent & 0xFFFFFFFFFFFFULL};
            }
        }
    }
    return found;
}

std::string Name(libfsntfs_file_entry_t* entry)
{
    std::array<uint8_t, 1024> name{};
    if (Fsntfs().libfsntfs_file_entry_get_utf8_name(entry, name.data(), name.size(), nullptr) == 1) {
        return reinterpret_cast<const char*>(name.data());
    }
    return FileName(entry).name;
}

uint64_t EntryNumber(libfsntfs_file_entry_t* entry)
{
    uint64_t reference = 0;
    Fsntfs().libfsntfs_file_entry_get_file_reference(entry, &reference, nullptr);
    return reference & 0xFFFFFFFFFFFFULL;
}

NtfsFile Describe(libfsntfs_file_entry_t* entry)
{
    NtfsFile file;
    file.name = Name(entry);
    file.directory = Fsntfs().libfsntfs_file_entry_has_directory_entries_index(entry, nullptr) == 1;
    file.mftEntry = EntryNumber(entry);
    size64_t size = 0;
    if (Fsntfs().libfsntfs_file_entry_has_default_data_stream(entry, nullptr) == 1 &&
        Fsntfs().libfsntfs_file_entry_get_size(entry, &size, nullptr) == 1) {
        file.size = size;
    }
    return file;
}

void CopyEntry(libfsntfs_file_entry_t* entry, const std::filesystem::path& target, const std::string& what)
{
    size64_t size = 0;
    if (Fsntfs().libfsntfs_file_entry_get_size(entry, &size, nullptr) != 1) {
        throw ImageError(what + ": its size cannot be read");
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw ImageError(target.string() + ": cannot be written");
    }
    std::vector<uint8_t> buffer(kCopyChunk);
    for (uint64_t offset = 0; offset < size;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - offset));
        libfsntfs_error_t* error = nullptr;
        const ssize_t n = Fsntfs().libfsntfs_file_entry_read_buffer_at_offset(entry, buffer.data(), want,
                                                                              static_cast<off64_t>(offset), &error);
        if (n <= 0) {
            throw ImageError(what + ": bytes from " + std::to_string(offset) + " cannot be read: " + ErrorText(error));
        }
        out.write(reinterpret_cast<const char*>(buffer.data()), n);
        offset += static_cast<uint64_t>(n);
    }
    if (!out.flush()) {
        throw ImageError(target.string() + ": cannot be written");
    }
}

}  // namespace

struct NtfsVolume::Handles {
    BfioHandle bfio;
    libfsntfs_volume_t* volume = nullptr;
    bool open = false;

    ~Handles()
    {
        if (open) {
            Fsntfs().libfsntfs_volume_close(volume, nullptr);
        }
        if (volume != nullptr) {
            Fsntfs().libfsntfs_volume_free(&volume, nullptr);
        }
    }

    FileEntry ByPath(std::string_view path) const
    {
        std::string windows = "\\";
        for (char c : path) {
            windows += c == '/' ? '\\' : c;
        }
        while (windows.size() > 1 && windows.back() == '\\') {
            windows.pop_back();
        }
        libfsntfs_file_entry_t* entry = nullptr;
        if (Fsntfs().libfsntfs_volume_get_file_entry_by_utf8_path(
                volume, reinterpret_cast<const uint8_t*>(windows.data()), windows.size(), &entry, nullptr) != 1) {
            return nullptr;
        }
        return FileEntry(entry);
    }

    FileEntry ByIndex(uint64_t index) const
    {
        libfsntfs_file_entry_t* entry = nullptr;
        if (Fsntfs().libfsntfs_volume_get_file_entry_by_index(volume, index, &entry, nullptr) != 1) {
            return nullptr;
        }
        return FileEntry(entry);
    }
};

std::string VolumeKind(ByteSource& bytes)
{
    std::vector<uint8_t> boot;
    try {
        boot = ReadBytes(bytes, 0, 16);
    } catch (const ImageError&) {
        return {};
    }
    if (boot.size() < 11) {
        return {};
    }
    if (std::memcmp(boot.data() + 3, "NTFS    ", 8) == 0) {
        return "NTFS";
    }
    if (std::memcmp(boot.data() + 3, "-FVE-FS-", 8) == 0) {
        return "BitLocker";
    }
    return {};
}

NtfsVolume::NtfsVolume(std::shared_ptr<ByteSource> bytes) : m_bytes(std::move(bytes)), m_handles(new Handles)
{
    m_handles->bfio = MakeBfioHandle(m_bytes);
    libfsntfs_error_t* error = nullptr;
    if (!m_handles->bfio || Fsntfs().libfsntfs_volume_initialize(&m_handles->volume, &error) != 1) {
        throw ImageError("the NTFS reader cannot start: " + ErrorText(error));
    }
    if (Fsntfs().libfsntfs_volume_open_file_io_handle(m_handles->volume, m_handles->bfio.get(), LIBFSNTFS_OPEN_READ,
                                                      &error) != 1) {
        throw ImageError("the NTFS volume cannot be read (damaged boot sector or MFT): " + ErrorText(error));
    }
    m_handles->open = true;
    size32_t cluster = 0;
    if (Fsntfs().libfsntfs_volume_get_cluster_block_size(m_handles->volume, &cluster, nullptr) == 1) {
        m_clusterSize = cluster;
    }
}

NtfsVolume::~NtfsVolume() = default;

std::optional<NtfsFile> NtfsVolume::Stat(std::string_view path)
{
    const FileEntry entry = m_handles->ByPath(path);
    if (!entry) {
        return std::nullopt;
    }
    return Describe(entry.get());
}

std::vector<NtfsFile> NtfsVolume::List(std::string_view path)
{
    std::vector<NtfsFile> files;
    const FileEntry folder = m_handles->ByPath(path);
    int count = 0;
    if (!folder || Fsntfs().libfsntfs_file_entry_get_number_of_sub_file_entries(folder.get(), &count, nullptr) != 1) {
        return files;
    }
    for (int i = 0; i < count; ++i) {
        libfsntfs_file_entry_t* child = nullptr;
        if (Fsntfs().libfsntfs_file_entry_get_sub_file_entry_by_index(folder.get(), i, &child, nullptr) == 1) {
            const FileEntry owned(child);
            files.push_back(Describe(child));
        }
    }
    return files;
}

void NtfsVolume::CopyOut(std::string_view path, const std::filesystem::path& target)
{
    const FileEntry entry = m_handles->ByPath(path);
    if (!entry) {
        throw ImageError(std::string(path) + ": not found in the volume");
    }
    CopyEntry(entry.get(), target, std::string(path));
}

void NtfsVolume::CopyOut(uint64_t mftEntry, const std::filesystem::path& target)
{
    const FileEntry entry = m_handles->ByIndex(mftEntry);
    if (!entry) {
        throw ImageError("MFT entry " + std::to_string(mftEntry) + " cannot be read");
    }
    CopyEntry(entry.get(), target, "MFT entry " + std::to_string(mftEntry));
}

uint64_t NtfsVolume::EntryCount()
{
    uint64_t count = 0;
    Fsntfs().libfsntfs_volume_get_number_of_file_entries(m_handles->volume, &count, nullptr);
    return count;
}

std::optional<NtfsEntry> NtfsVolume::Entry(uint64_t mftEntry)
{
    const FileEntry entry = m_handles->ByIndex(mftEntry);
    if (!entry) {
        return std::nullopt;
    }
    NtfsEntry result;
    result.allocated = Fsntfs().libfsntfs_file_entry_is_allocated(entry.get(), nullptr) == 1;
    if (result.allocated) {
        return result;  // the search of deleted files needs no more of it
    }
    size64_t size = 0;
    result.hasData = Fsntfs().libfsntfs_file_entry_has_default_data_stream(entry.get(), nullptr) == 1 &&
                     Fsntfs().libfsntfs_file_entry_get_size(entry.get(), &size, nullptr) == 1 && size > 0;
    result.size = size;
    if (result.hasData && !result.allocated) {
        result.head.resize(static_cast<size_t>(std::min<uint64_t>(64, size)));
        const ssize_t n = Fsntfs().libfsntfs_file_entry_read_buffer_at_offset(entry.get(), result.head.data(),
                                                                              result.head.size(), 0, nullptr);
        result.head.resize(n > 0 ? static_cast<size_t>(n) : 0);
    }
    return result;
}

std::string NtfsVolume::PathOf(uint64_t mftEntry)
{
    std::string path;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        const FileEntry entry = m_handles->ByIndex(mftEntry);
        if (!entry) {
            return path.empty() ? std::string() : "?/" + path;
        }
        const auto [name, parent] = FileName(entry.get());
        if (name.empty()) {
            return path.empty() ? std::string() : "?/" + path;
        }
        if (name == ".") {
            return path;  // the root
        }
        path = path.empty() ? name : name + "/" + path;
        if (parent == mftEntry) {
            return path;
        }
        mftEntry = parent;
    }
    return path;
}

std::vector<NtfsExtent> NtfsVolume::Extents(uint64_t mftEntry)
{
    std::vector<NtfsExtent> extents;
    const FileEntry entry = m_handles->ByIndex(mftEntry);
    int count = 0;
    if (!entry || Fsntfs().libfsntfs_file_entry_get_number_of_extents(entry.get(), &count, nullptr) != 1) {
        return extents;
    }
    for (int i = 0; i < count; ++i) {
        off64_t offset = 0;
        size64_t size = 0;
        uint32_t flags = 0;
        if (Fsntfs().libfsntfs_file_entry_get_extent_by_index(entry.get(), i, &offset, &size, &flags, nullptr) == 1) {
            extents.push_back({static_cast<uint64_t>(offset), size, (flags & LIBFSNTFS_EXTENT_FLAG_IS_SPARSE) != 0});
        }
    }
    return extents;
}

bool NtfsVolume::AnyClusterAllocated(const std::vector<NtfsExtent>& extents)
{
    const FileEntry bitmap = m_handles->ByIndex(kBitmapEntry);
    if (m_clusterSize == 0 || !bitmap) {
        return true;  // unknown: say it may be overwritten
    }
    // Only the bytes of $Bitmap that cover the extents are read, a piece at
    // a time, so that memory does not grow with the volume.
    std::vector<uint8_t> bits(kCopyChunk);
    for (const NtfsExtent& extent : extents) {
        if (extent.sparse) {
            continue;
        }
        const uint64_t first = extent.offset / m_clusterSize;
        const uint64_t end = (extent.offset + extent.size + m_clusterSize - 1) / m_clusterSize;
        for (uint64_t cluster = first; cluster < end;) {
            const uint64_t byte = cluster / 8;
            const size_t want = static_cast<size_t>(std::min<uint64_t>(bits.size(), (end + 7) / 8 - byte));
            if (Fsntfs().libfsntfs_file_entry_read_buffer_at_offset(bitmap.get(), bits.data(), want,
                                                                    static_cast<off64_t>(byte),
                                                                    nullptr) != static_cast<ssize_t>(want)) {
                return true;
            }
            for (; cluster < end && cluster / 8 < byte + want; ++cluster) {
                if ((bits[cluster / 8 - byte] >> (cluster % 8) & 1) != 0) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace trovana::image
