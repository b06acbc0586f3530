// SPDX-License-Identifier: GPL-3.0-or-later
#include "images.h"

// Before jpeglib.h, which needs size_t and FILE.
#include <cstddef>
#include <cstdio>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <memory>
#include <stdexcept>

namespace trovana::cli {

static_assert(sizeof(Rgb) == 3, "pixels are handed to the libraries as packed RGB bytes");

namespace {

const uint8_t* Bytes(const Raster& image)
{
    return reinterpret_cast<const uint8_t*>(image.pixels.data());
}

// ---- GIF ----

int AppendGif(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// ---- JPEG ----

// libjpeg's errors end in error_exit, which must not return: it jumps back
// to Compress, which holds no object with a destructor.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->back, 1);
}

bool Compress(jpeg_compress_struct& info, const Raster& image, int quality, unsigned char** out, unsigned long* size)
{
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpBack;
    if (setjmp(error.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(Bytes(image) +
                                            size_t{info.next_scanline} * 3 * static_cast<size_t>(image.width));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::string EncodePng(const Raster& image)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(png, size, 0, Bytes(image), 0, nullptr))
        throw std::runtime_error(std::string("cannot encode a PNG: ") + png.message);
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, Bytes(image), 0, nullptr))
        throw std::runtime_error(std::string("cannot encode a PNG: ") + png.message);
    bytes.resize(size);
    return bytes;
}

std::string EncodeGif(const Raster& image)
{
    const size_t count = image.pixels.size();
    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    for (size_t i = 0; i < count; ++i) {
        red[i] = image.pixels[i].r;
        green[i] = image.pixels[i].g;
        blue[i] = image.pixels[i].b;
    }
    int colours = 256;
    GifColorType palette[256] = {};
    if (GifQuantizeBuffer(static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), &colours, red.data(),
                          green.data(), blue.data(), indices.data(), palette) != GIF_OK)
        throw std::runtime_error("cannot choose the colours of a GIF");

    std::string bytes;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&bytes, AppendGif, &error));
    std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(256, palette));
    if (!gif || !map)
        throw std::runtime_error("cannot encode a GIF");
    EGifSetGifVersion(gif.get(), true);
    bool ok = EGifPutScreenDesc(gif.get(), image.width, image.height, 8, 0, map.get()) == GIF_OK &&
              EGifPutImageDesc(gif.get(), 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height; ++y)
        ok = EGifPutLine(gif.get(), indices.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width),
                         image.width) == GIF_OK;
    // Closing writes the trailer.
    ok = EGifCloseFile(gif.release(), &error) == GIF_OK && ok;
    if (!ok)
        throw std::runtime_error(std::string("cannot encode a GIF: ") + GifErrorString(error));
    return bytes;
}

std::string EncodeJpeg(const Raster& image, int quality)
{
    if (image.pixels.empty())
        throw std::runtime_error("cannot encode an empty JPEG");
    jpeg_compress_struct info{};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    // After a failure (out of memory) `out` may name a buffer that libjpeg
    // has already replaced and freed: it is only owned after success.
    if (!Compress(info, image, quality, &out, &size))
        throw std::runtime_error("cannot encode a JPEG");
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(out, &std::free);
    return std::string(reinterpret_cast<const char*>(owned.get()), size);
}

}  // namespace trovana::cli
