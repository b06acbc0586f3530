// Small encoders for the demo cache's pictures: PNG, GIF and baseline JPEG,
// written from scratch so that the demo needs no image library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::cli {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// A picture of width x height pixels, rows top to bottom.
struct Raster {
    Raster(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h)) {}
    Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }

    int width;
    int height;
    std::vector<Rgb> pixels;
};

// The checksums PNG needs: CRC-32 (ISO 3309, as zlib's crc32) and Adler-32.
uint32_t Crc32(std::string_view bytes);
uint32_t Adler32(std::string_view bytes);

// 8-bit RGB PNG; the zlib stream uses stored (uncompressed) deflate blocks.
std::string EncodePng(const Raster& image);
// GIF89a with one image. The palette holds the picture's own colours when
// there are at most 256, else a 3-3-2 bit colour cube.
std::string EncodeGif(const Raster& image);
// Baseline JFIF JPEG, YCbCr without subsampling, the standard Huffman tables.
// quality 1 to 100 scales the standard quantisation tables as libjpeg does.
std::string EncodeJpeg(const Raster& image, int quality);

}  // namespace trovana::cli
