// SPDX-License-Identifier: GPL-3.0-or-later
// The demo cache's pictures encoded as PNG, GIF and JPEG by the usual
// libraries (libpng, giflib, libjpeg-turbo).
#pragma once

#include <cstdint>
#include <string>
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
    Rgb& At(int x, int y)
    {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    const Rgb& At(int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }

    int width;
    int height;
    std::vector<Rgb> pixels;
};

// Each throws std::runtime_error when the library fails (out of memory).
// 8-bit RGB PNG.
std::string EncodePng(const Raster& image);
// GIF89a with one image, its palette of at most 256 colours chosen by
// median cut.
std::string EncodeGif(const Raster& image);
// Baseline JFIF JPEG; quality 1 to 100 as libjpeg's.
std::string EncodeJpeg(const Raster& image, int quality);

}  // namespace trovana::cli
