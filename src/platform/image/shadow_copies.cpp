// SPDX-License-Identifier: GPL-3.0-or-later
#include "shadow_copies.h"

#include "bfio_handle.h"
#include "libyal_error.h"
#include "libyal_library.h"

#include <libvshadow.h>

#include <array>

namespace trovana::image {

namespace {

struct VshadowApi {
    decltype(&::libvshadow_store_free) libvshadow_store_free = nullptr;
    decltype(&::libvshadow_store_get_creation_time) libvshadow_store_get_creation_time = nullptr;
    decltype(&::libvshadow_store_get_volume_size) libvshadow_store_get_volume_size = nullptr;
    decltype(&::libvshadow_store_read_buffer_at_offset) libvshadow_store_read_buffer_at_offset = nullptr;
    decltype(&::libvshadow_volume_close) libvshadow_volume_close = nullptr;
    decltype(&::libvshadow_volume_free) libvshadow_volume_free = nullptr;
    decltype(&::libvshadow_volume_get_number_of_stores) libvshadow_volume_get_number_of_stores = nullptr;
    decltype(&::libvshadow_volume_get_store) libvshadow_volume_get_store = nullptr;
    decltype(&::libvshadow_volume_initialize) libvshadow_volume_initialize = nullptr;
    decltype(&::libvshadow_volume_open_file_io_handle) libvshadow_volume_open_file_io_handle = nullptr;
    decltype(&::libvshadow_error_sprint) libvshadow_error_sprint = nullptr;
    decltype(&::libvshadow_error_free) libvshadow_error_free = nullptr;
};

const VshadowApi& Vshadow()
{
    static const VshadowApi api = [] {
        void* library = LibyalLibrary("libvshadow.so.1");
        VshadowApi bound;
        TROVANA_BIND(library, bound, libvshadow_store_free);
        TROVANA_BIND(library, bound, libvshadow_store_get_creation_time);
        TROVANA_BIND(library, bound, libvshadow_store_get_volume_size);
        TROVANA_BIND(library, bound, libvshadow_store_read_buffer_at_offset);
        TROVANA_BIND(library, bound, libvshadow_volume_close);
        TROVANA_BIND(library, bound, libvshadow_volume_free);
        TROVANA_BIND(library, bound, libvshadow_volume_get_number_of_stores);
        TROVANA_BIND(library, bound, libvshadow_volume_get_store);
        TROVANA_BIND(library, bound, libvshadow_volume_initialize);
        TROVANA_BIND(library, bound, libvshadow_volume_open_file_io_handle);
        TROVANA_BIND(library, bound, libvshadow_error_sprint);
        TROVANA_BIND(library, bound, libvshadow_error_free);
        return bound;
    }();
    return api;
}

// The libvshadow volume, shared by the stores read from it.
struct Volume {
    BfioHandle bfio;
    libvshadow_volume_t* volume = nullptr;
    bool open = false;
    ~Volume()
    {
        if (open) {
            Vshadow().libvshadow_volume_close(volume, nullptr);
        }
        if (volume != nullptr) {
            Vshadow().libvshadow_volume_free(&volume, nullptr);
        }
    }
};

class StoreSource : public ByteSource {
public:
    StoreSource(std::shared_ptr<Volume> volume, libvshadow_store_t* store, uint64_t size)
        : m_volume(std::move(volume)), m_store(store), m_size(size)
    {
    }
    ~StoreSource() override { Vshadow().libvshadow_store_free(&m_store, nullptr); }
    StoreSource(const StoreSource&) = delete;
    StoreSource& operator=(const StoreSource&) = delete;

    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset >= m_size) {
            return 0;
        }
        const ssize_t n = Vshadow().libvshadow_store_read_buffer_at_offset(m_store, buffer, size,
                                                                           static_cast<off64_t>(offset), nullptr);
        if (n < 0) {
            throw ImageError("the shadow copy cannot be read at byte " + std::to_string(offset));
        }
        return static_cast<size_t>(n);
    }

private:
    std::shared_ptr<Volume> m_volume;
    libvshadow_store_t* m_store;
    uint64_t m_size;
};

std::string ErrorText(libvshadow_error_t* error)
{
    return LibyalErrorText(error, Vshadow().libvshadow_error_sprint, Vshadow().libvshadow_error_free);
}

}  // namespace

ShadowCopies ReadShadowCopies(std::shared_ptr<ByteSource> volumeBytes)
{
    ShadowCopies result;
    // The VSS header sits at 0x1E00 of the volume: without its identifier
    // there are no stores, which is no problem.
    static constexpr uint8_t kIdentifier[16] = {0x6b, 0x87, 0x08, 0x38, 0x76, 0xc1, 0x48, 0x4e,
                                                0xb7, 0xae, 0x04, 0x04, 0x6e, 0x6c, 0xc7, 0x52};
    try {
        const std::vector<uint8_t> header = ReadBytes(*volumeBytes, 0x1E00, 16);
        if (header.size() < 16 || !std::equal(header.begin(), header.end(), kIdentifier)) {
            return result;
        }
    } catch (const ImageError&) {
        return result;
    }
    auto volume = std::make_shared<Volume>();
    volume->bfio = MakeBfioHandle(volumeBytes);
    libvshadow_error_t* error = nullptr;
    if (!volume->bfio || Vshadow().libvshadow_volume_initialize(&volume->volume, &error) != 1 ||
        Vshadow().libvshadow_volume_open_file_io_handle(volume->volume, volume->bfio.get(), LIBVSHADOW_OPEN_READ,
                                                        &error) != 1) {
        result.problem = "the shadow copies cannot be read: " + ErrorText(error);
        return result;
    }
    volume->open = true;
    int count = 0;
    if (Vshadow().libvshadow_volume_get_number_of_stores(volume->volume, &count, &error) != 1) {
        result.problem = "the shadow copies cannot be counted: " + ErrorText(error);
        return result;
    }
    for (int i = 0; i < count; ++i) {
        libvshadow_store_t* store = nullptr;
        if (Vshadow().libvshadow_volume_get_store(volume->volume, i, &store, &error) != 1) {
            result.problem = "shadow copy " + std::to_string(i + 1) + " cannot be read: " + ErrorText(error);
            continue;
        }
        uint64_t created = 0;
        size64_t size = 0;
        Vshadow().libvshadow_store_get_creation_time(store, &created, nullptr);
        Vshadow().libvshadow_store_get_volume_size(store, &size, nullptr);
        result.stores.push_back({i + 1, created, std::make_shared<StoreSource>(volume, store, size)});
    }
    return result;
}

}  // namespace trovana::image
