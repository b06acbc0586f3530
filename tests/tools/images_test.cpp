// SPDX-License-Identifier: GPL-3.0-or-later
// The demo's pictures, read back by the same libraries that wrote them:
// every picture decodes at the size its URL promises, and the pixels are
// the ones drawn (exactly for PNG, closely for GIF's palette and JPEG).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "demo_plan.h"
#include "images.h"

namespace trovana::cli {
namespace {

// Decoded, or empty (0 x 0) when the library refused the bytes.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

Decoded DecodePng(const std::string& bytes)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return {};
    png.format = PNG_FORMAT_RGB;
    Decoded decoded{static_cast<int>(png.width), static_cast<int>(png.height),
                    std::vector<Rgb>(size_t{png.width} * png.height)};
    if (!png_image_finish_read(&png, nullptr, decoded.pixels.data(), 0, nullptr))
        return {};
    return decoded;
}

struct GifSource {
    const std::string& bytes;
    size_t at = 0;
};

int ReadGif(GifFileType* gif, GifByteType* out, int length)
{
    auto& source = *static_cast<GifSource*>(gif->UserData);
    const size_t count = std::min(static_cast<size_t>(length), source.bytes.size() - source.at);
    std::copy_n(source.bytes.data() + source.at, count, out);
    source.at += count;
    return static_cast<int>(count);
}

Decoded DecodeGif(const std::string& bytes)
{
    GifSource source{bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadGif, &error);
    if (!gif)
        return {};
    Decoded decoded;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap) {
        decoded = {gif->SWidth, gif->SHeight, {}};
        const SavedImage& image = gif->SavedImages[0];
        for (int i = 0; i < image.ImageDesc.Width * image.ImageDesc.Height; ++i) {
            const GifColorType c = gif->SColorMap->Colors[image.RasterBits[i]];
            decoded.pixels.push_back({c.Red, c.Green, c.Blue});
        }
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

// libjpeg's own error handler ends the process on a corrupt file: a
// failure too.
Decoded DecodeJpeg(const std::string& bytes)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    Decoded decoded{static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                    std::vector<Rgb>(size_t{info.output_width} * info.output_height)};
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(decoded.pixels.data() +
                                                  size_t{info.output_scanline} * info.output_width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return decoded;
}

// The largest difference of any channel of any pixel.
int Distance(const std::vector<Rgb>& a, const std::vector<Rgb>& b)
{
    int largest = a.size() == b.size() ? 0 : 255;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        for (auto [x, y] : {std::pair{a[i].r, b[i].r}, std::pair{a[i].g, b[i].g}, std::pair{a[i].b, b[i].b}})
            largest = std::max(largest, std::abs(int{x} - int{y}));
    return largest;
}

TEST(Images, PicturesReadBackAsDrawn)
{
    Raster image(37, 21);  // odd sizes: no whole JPEG block or row padding to hide behind
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.At(x, y) = x < 18 ? Rgb{200, 30, 40} : y < 10 ? Rgb{20, 180, 60} : Rgb{250, 250, 250};

    const Decoded png = DecodePng(EncodePng(image));
    EXPECT_EQ(png.width, 37);
    EXPECT_EQ(png.height, 21);
    EXPECT_EQ(png.pixels, image.pixels);
    const Decoded gif = DecodeGif(EncodeGif(image));
    EXPECT_EQ(gif.width, 37);
    EXPECT_EQ(gif.height, 21);
    EXPECT_LE(Distance(gif.pixels, image.pixels), 8);
    const Decoded jpeg = DecodeJpeg(EncodeJpeg(image, 90));
    EXPECT_EQ(jpeg.width, 37);
    EXPECT_EQ(jpeg.height, 21);
    EXPECT_EQ(jpeg.pixels.size(), image.pixels.size());
    // Far from the colour edges the blocks are flat.
    const auto near = [](Rgb a, Rgb b) { return Distance({a}, {b}) <= 12; };
    EXPECT_TRUE(near(jpeg.pixels[2 * 37 + 2], image.At(2, 2)));
    EXPECT_TRUE(near(jpeg.pixels[18 * 37 + 33], image.At(33, 18)));
}

TEST(Images, EveryDemoPictureDecodesAtTheSizeItsUrlNames)
{
    const std::pair<std::string, std::pair<int, int>> sizes[] = {
        {"/tiles/", {64, 64}}, {"pixel", {1, 1}}, {"banner-468x60", {468, 60}}, {"banner-300x250", {300, 250}}};
    size_t pictures = 0;
    size_t sized = 0;
    for (const DemoEntry& demo : DemoEntries(DemoUser())) {
        if (demo.kind != DemoKind::Png && demo.kind != DemoKind::Gif && demo.kind != DemoKind::Jpeg)
            continue;
        SCOPED_TRACE(demo.entry.url);
        const std::string& body = *demo.entry.body;
        const Decoded decoded = demo.kind == DemoKind::Png   ? DecodePng(body)
                                : demo.kind == DemoKind::Gif ? DecodeGif(body)
                                                             : DecodeJpeg(body);
        EXPECT_GT(decoded.width, 0);
        EXPECT_GT(decoded.height, 0);
        EXPECT_EQ(decoded.pixels.size(), static_cast<size_t>(decoded.width) * static_cast<size_t>(decoded.height));
        ++pictures;
        for (const auto& [word, size] : sizes) {
            if (demo.entry.url.find(word) == std::string::npos)
                continue;
            EXPECT_EQ(std::pair(decoded.width, decoded.height), size) << word;
            ++sized;
            break;
        }
    }
    EXPECT_GE(pictures, 20u);
    EXPECT_GT(sized, 0u);
}

}  // namespace
}  // namespace trovana::cli
