// SPDX-License-Identifier: GPL-3.0-or-later
#include "image_file.h"

#include "libyal_error.h"
#include "libyal_library.h"
#include "work_folder.h"

#include <libewf.h>
#include <libqcow.h>
#include <libvhdi.h>
#include <libvmdk.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <functional>

namespace trovana::image {

namespace fs = std::filesystem;

namespace {

// The libyal libraries share one shape of API; each is described by the
// functions this reader needs, so that one class reads them all.
template <typename Handle, typename Error>
struct LibyalApi {
    int (*initialize)(Handle**, Error**) = nullptr;
    std::function<int(Handle*, const char*, Error**)> open;
    int (*close)(Handle*, Error**) = nullptr;
    int (*free)(Handle**, Error**) = nullptr;
    ssize_t (*read)(Handle*, void*, size_t, off64_t, Error**) = nullptr;
    int (*mediaSize)(Handle*, size64_t*, Error**) = nullptr;
    int (*errorText)(Error*, char*, size_t) = nullptr;
    void (*errorFree)(Error**) = nullptr;
};

// The functions every library has: `object` is "libvmdk_handle",
// "libqcow_file", ...; `read` the name of its read at an offset.
template <typename Handle, typename Error>
LibyalApi<Handle, Error> BindApi(const char* soname, const std::string& object, const char* read)
{
    void* library = LibyalLibrary(soname);
    const std::string prefix = object.substr(0, object.find('_'));
    LibyalApi<Handle, Error> api;
    BindFunction(library, (object + "_initialize").c_str(), api.initialize);
    BindFunction(library, (object + "_close").c_str(), api.close);
    BindFunction(library, (object + "_free").c_str(), api.free);
    BindFunction(library, read, api.read);
    BindFunction(library, (object + "_get_media_size").c_str(), api.mediaSize);
    BindFunction(library, (prefix + "_error_sprint").c_str(), api.errorText);
    BindFunction(library, (prefix + "_error_free").c_str(), api.errorFree);
    return api;
}

// A format whose handle opens one file by name (VHD(X), QCOW2).
template <typename Handle, typename Error>
LibyalApi<Handle, Error> FileApi(const char* soname, const std::string& object, int readFlag)
{
    auto api = BindApi<Handle, Error>(soname, object, (object + "_read_buffer_at_offset").c_str());
    int (*open)(Handle*, const char*, int, Error**) = nullptr;
    BindFunction(LibyalLibrary(soname), (object + "_open").c_str(), open);
    api.open = [open, readFlag](Handle* handle, const char* path, Error** error) {
        return open(handle, path, readFlag, error);
    };
    return api;
}

// The one extent a monolithic sparse VMDK's embedded descriptor names
// (RW 86016 SPARSE "disk.vmdk"): the file's own name when it was made.
std::string EmbeddedExtentName(const fs::path& path)
{
    auto raw = OpenRawImage(path);
    const std::vector<uint8_t> head = ReadBytes(*raw, 0, 64 * 1024);
    const std::string text(head.begin(), head.end());
    const size_t sparse = text.find(" SPARSE \"");
    if (sparse == std::string::npos || text.find(" SPARSE \"", sparse + 1) != std::string::npos) {
        return {};
    }
    const size_t start = sparse + 9;
    const size_t end = text.find('"', start);
    const std::string name = end == std::string::npos ? std::string() : text.substr(start, end - start);
    return name.find('/') == std::string::npos ? name : std::string();
}

// A folder where the extent's name leads to the file itself, for a
// monolithic sparse VMDK renamed since it was made (evidence often is):
// libvmdk looks for the extent by the name its descriptor records.
fs::path ExtentFolder(const fs::path& path, const std::string& extent)
{
    std::error_code error;
    const fs::path temporary = PrivateTemporaryFolder(error);
    if (temporary.empty()) {
        return {};
    }
    static int made = 0;
    const fs::path folder = temporary / ("vmdk-" + std::to_string(++made));
    fs::create_directories(folder, error);
    fs::create_symlink(fs::absolute(path), folder / extent, error);
    return error ? fs::path() : folder;
}

// VMDK: the descriptor, then the extent files it names.
LibyalApi<libvmdk_handle_t, libvmdk_error_t> VmdkApi()
{
    constexpr const char* kLibrary = "libvmdk.so.1";
    auto api = BindApi<libvmdk_handle_t, libvmdk_error_t>(kLibrary, "libvmdk_handle",
                                                          "libvmdk_handle_read_buffer_at_offset");
    decltype(&::libvmdk_handle_open) open = nullptr;
    decltype(&::libvmdk_handle_open_extent_data_files) openExtents = nullptr;
    decltype(&::libvmdk_handle_set_extent_data_files_path) setExtentsPath = nullptr;
    void* library = LibyalLibrary(kLibrary);
    BindFunction(library, "libvmdk_handle_open", open);
    BindFunction(library, "libvmdk_handle_open_extent_data_files", openExtents);
    BindFunction(library, "libvmdk_handle_set_extent_data_files_path", setExtentsPath);
    api.open = [=](libvmdk_handle_t* handle, const char* path, libvmdk_error_t** error) {
        if (open(handle, path, LIBVMDK_OPEN_READ, error) != 1) {
            return -1;
        }
        const std::string extent = EmbeddedExtentName(path);
        if (!extent.empty() && fs::path(path).filename() != extent) {
            const std::string folder = ExtentFolder(path, extent).string();
            if (!folder.empty()) {
                setExtentsPath(handle, folder.c_str(), folder.size(), nullptr);
            }
        }
        return openExtents(handle, error);
    };
    return api;
}

// EWF: the segment files that libewf finds by itself, and the hashes the
// image stores.
struct EwfExtras {
    decltype(&::libewf_glob) libewf_glob = nullptr;
    decltype(&::libewf_glob_free) libewf_glob_free = nullptr;
    decltype(&::libewf_handle_open) libewf_handle_open = nullptr;
    decltype(&::libewf_handle_get_md5_hash) libewf_handle_get_md5_hash = nullptr;
    decltype(&::libewf_handle_get_sha1_hash) libewf_handle_get_sha1_hash = nullptr;
    decltype(&::libewf_handle_segment_files_corrupted) libewf_handle_segment_files_corrupted = nullptr;
};

constexpr const char* kEwfLibrary = "libewf.so.2";

const EwfExtras& Ewf()
{
    static const EwfExtras extras = [] {
        void* library = LibyalLibrary(kEwfLibrary);
        EwfExtras bound;
        TROVANA_BIND(library, bound, libewf_glob);
        TROVANA_BIND(library, bound, libewf_glob_free);
        TROVANA_BIND(library, bound, libewf_handle_open);
        TROVANA_BIND(library, bound, libewf_handle_get_md5_hash);
        TROVANA_BIND(library, bound, libewf_handle_get_sha1_hash);
        TROVANA_BIND(library, bound, libewf_handle_segment_files_corrupted);
        return bound;
    }();
    return extras;
}

LibyalApi<libewf_handle_t, libewf_error_t> EwfApi()
{
    auto api = BindApi<libewf_handle_t, libewf_error_t>(kEwfLibrary, "libewf_handle", "libewf_handle_read_random");
    api.open = [](libewf_handle_t* handle, const char* path, libewf_error_t** error) {
        char** names = nullptr;
        int count = 0;
        if (Ewf().libewf_glob(path, std::strlen(path), LIBEWF_FORMAT_UNKNOWN, &names, &count, error) != 1) {
            return -1;
        }
        const int result = Ewf().libewf_handle_open(handle, names, count, LIBEWF_OPEN_READ, error);
        Ewf().libewf_glob_free(names, count, nullptr);
        return result;
    };
    return api;
}

template <typename Handle, typename Error>
class LibyalSource : public ByteSource {
public:
    using Api = LibyalApi<Handle, Error>;

    LibyalSource(Api api, const fs::path& path) : m_api(std::move(api)), m_path(path.string())
    {
        Error* error = nullptr;
        if (m_api.initialize(&m_handle, &error) != 1) {
            Fail(error, "cannot be opened");
        }
        if (m_api.open(m_handle, m_path.c_str(), &error) != 1) {
            Fail(error, "cannot be opened");
        }
        m_open = true;
        size64_t size = 0;
        if (m_api.mediaSize(m_handle, &size, &error) != 1) {
            Fail(error, "has no readable media size");
        }
        m_size = size;
    }
    ~LibyalSource() override { Release(); }
    LibyalSource(const LibyalSource&) = delete;
    LibyalSource& operator=(const LibyalSource&) = delete;

    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset >= m_size) {
            return 0;
        }
        Error* error = nullptr;
        const ssize_t n = m_api.read(m_handle, buffer, size, static_cast<off64_t>(offset), &error);
        if (n < 0) {
            throw ImageError(m_path + ": bytes " + std::to_string(offset) + " to " + std::to_string(offset + size) +
                             " cannot be read: " + Text(error));
        }
        return static_cast<size_t>(n);
    }
    Handle* Get() const { return m_handle; }

private:
    std::string Text(Error* error) const { return LibyalErrorText(error, m_api.errorText, m_api.errorFree); }
    [[noreturn]] void Fail(Error* error, const std::string& what)
    {
        const std::string text = Text(error);
        Release();
        throw ImageError(m_path + " " + what + ": " + text);
    }
    void Release()
    {
        if (m_open) {
            m_api.close(m_handle, nullptr);
            m_open = false;
        }
        if (m_handle != nullptr) {
            m_api.free(&m_handle, nullptr);
        }
    }

    Api m_api;
    std::string m_path;
    Handle* m_handle = nullptr;
    bool m_open = false;
    uint64_t m_size = 0;
};

std::vector<StoredHash> EwfHashes(libewf_handle_t* handle)
{
    std::vector<StoredHash> hashes;
    const auto add = [&](const char* name, const uint8_t* digest, size_t size) {
        std::string hex;
        bool set = false;
        for (size_t i = 0; i < size; ++i) {
            constexpr char kDigits[] = "0123456789abcdef";
            hex += kDigits[digest[i] >> 4];
            hex += kDigits[digest[i] & 15];
            set = set || digest[i] != 0;
        }
        if (set) {
            hashes.push_back({name, hex});
        }
    };
    std::array<uint8_t, 16> md5{};
    if (Ewf().libewf_handle_get_md5_hash(handle, md5.data(), md5.size(), nullptr) == 1) {
        add("MD5", md5.data(), md5.size());
    }
    std::array<uint8_t, 20> sha1{};
    if (Ewf().libewf_handle_get_sha1_hash(handle, sha1.data(), sha1.size(), nullptr) == 1) {
        add("SHA1", sha1.data(), sha1.size());
    }
    return hashes;
}

bool StartsWith(const std::vector<uint8_t>& bytes, std::string_view signature)
{
    return bytes.size() >= signature.size() && std::memcmp(bytes.data(), signature.data(), signature.size()) == 0;
}

// The first bytes and the last 512 (where a fixed VHD keeps its footer).
struct Signatures {
    std::vector<uint8_t> head;
    std::vector<uint8_t> tail;
};

Signatures ReadSignatures(const fs::path& path)
{
    Signatures signatures;
    auto raw = OpenRawImage(path);
    signatures.head = ReadBytes(*raw, 0, 64);
    if (raw->Size() >= 512) {
        signatures.tail = ReadBytes(*raw, raw->Size() - 512, 512);
    }
    return signatures;
}

bool IsFormatSignature(const Signatures& signatures)
{
    const std::vector<uint8_t>& head = signatures.head;
    using namespace std::string_view_literals;
    return StartsWith(head, "EVF\x09\x0d\x0a\xff\x00"sv) || StartsWith(head, "EVF2\x0d\x0a\x81\x00"sv) ||
           StartsWith(head, "QFI\xfb"sv) || StartsWith(head, "vhdxfile"sv) || StartsWith(head, "conectix"sv) ||
           StartsWith(signatures.tail, "conectix"sv) || StartsWith(head, "KDMV"sv) || StartsWith(head, "COWD"sv) ||
           StartsWith(head, "# Disk DescriptorFile"sv);
}

}  // namespace

bool LooksLikeDiskImage(const fs::path& path)
{
    try {
        const Signatures signatures = ReadSignatures(path);
        if (IsFormatSignature(signatures)) {
            return true;
        }
        const auto raw = OpenRawImage(path);
        const std::vector<uint8_t> sector = ReadBytes(*raw, 0, 512);
        if (sector.size() < 512 || StartsWith(sector, "Client UrlCache MMF Ver ") ||
            (sector[4] == 0xEF && sector[5] == 0xCD && sector[6] == 0xAB && sector[7] == 0x89)) {
            return false;
        }
        if (std::memcmp(sector.data() + 3, "NTFS    ", 8) == 0) {
            return true;
        }
        bool anyPartition = false;
        for (int i = 0; i < 4; ++i) {
            anyPartition = anyPartition || sector[446 + 16 * i + 4] != 0;
        }
        return sector[510] == 0x55 && sector[511] == 0xAA && anyPartition;
    } catch (const ImageError&) {
        return false;
    }
}

namespace {

// Opens by signature; OpenImageFile adds the cache.
ImageFile OpenByFormat(const fs::path& path)
{
    const Signatures signatures = ReadSignatures(path);
    const std::vector<uint8_t>& head = signatures.head;
    using namespace std::string_view_literals;
    if (StartsWith(head, "EVF\x09\x0d\x0a\xff\x00"sv) || StartsWith(head, "EVF2\x0d\x0a\x81\x00"sv)) {
        auto ewf = std::make_shared<LibyalSource<libewf_handle_t, libewf_error_t>>(EwfApi(), path);
        ImageFile image{"EWF", ewf, EwfHashes(ewf->Get())};
        if (Ewf().libewf_handle_segment_files_corrupted(ewf->Get(), nullptr) == 1) {
            image.problems.push_back("the EWF segment files are damaged or one is missing");
        }
        return image;
    }
    if (StartsWith(head, "QFI\xfb"sv)) {
        return {"QCOW",
                std::make_shared<LibyalSource<libqcow_file_t, libqcow_error_t>>(
                    FileApi<libqcow_file_t, libqcow_error_t>("libqcow.so.1", "libqcow_file", LIBQCOW_OPEN_READ), path),
                {}};
    }
    if (StartsWith(head, "vhdxfile"sv) || StartsWith(head, "conectix"sv) || StartsWith(signatures.tail, "conectix"sv)) {
        const std::string format = StartsWith(head, "vhdxfile"sv) ? "VHDX" : "VHD";
        return {format,
                std::make_shared<LibyalSource<libvhdi_file_t, libvhdi_error_t>>(
                    FileApi<libvhdi_file_t, libvhdi_error_t>("libvhdi.so.1", "libvhdi_file", LIBVHDI_OPEN_READ), path),
                {}};
    }
    if (StartsWith(head, "KDMV"sv) || StartsWith(head, "COWD"sv) || StartsWith(head, "# Disk DescriptorFile"sv)) {
        return {"VMDK", std::make_shared<LibyalSource<libvmdk_handle_t, libvmdk_error_t>>(VmdkApi(), path), {}};
    }
    auto raw = OpenRawImage(path);
    const bool split = SplitPieces(path).size() > 1;
    return {split ? "split raw" : "raw", std::move(raw), {}};
}

}  // namespace

ImageFile OpenImageFile(const fs::path& path)
{
    ImageFile image = OpenByFormat(path);
    image.media = Cached(std::move(image.media));
    return image;
}

}  // namespace trovana::image
