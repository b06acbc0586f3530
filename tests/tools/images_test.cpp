// The encoders' files decode: PNG chunks, checksums and stored deflate
// blocks, GIF's LZW codes, and JPEG's Huffman-coded blocks, each read back by
// a small reader in this test.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>

#include "images.h"

namespace trovana::cli {
namespace {

uint32_t BigEndian32(const std::string& s, size_t at)
{
    return (uint32_t{static_cast<unsigned char>(s[at])} << 24) | (uint32_t{static_cast<unsigned char>(s[at + 1])} << 16) |
           (uint32_t{static_cast<unsigned char>(s[at + 2])} << 8) | static_cast<unsigned char>(s[at + 3]);
}

unsigned Byte(const std::string& s, size_t at)
{
    return static_cast<unsigned char>(s.at(at));
}

Raster Gradient(int width, int height)
{
    Raster image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.At(x, y) = {static_cast<uint8_t>(x * 255 / std::max(1, width - 1)),
                              static_cast<uint8_t>(y * 255 / std::max(1, height - 1)),
                              static_cast<uint8_t>((x + y) * 255 / std::max(1, width + height - 2))};
        }
    }
    return image;
}

// A picture of `colours` different colours in a scattered order, so that
// LZW finds few repeats and its table fills up.
Raster Scattered(int width, int height, int colours)
{
    Raster image(width, height);
    uint32_t state = 12345;
    for (Rgb& p : image.pixels) {
        state = state * 1103515245 + 12345;
        const int i = static_cast<int>((state >> 16) % static_cast<uint32_t>(colours));
        p = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)};
    }
    return image;
}

TEST(Checksums, MatchTheirPublishedCheckValues)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0u);
    EXPECT_EQ(Adler32("Wikipedia"), 0x11E60398u);
    EXPECT_EQ(Adler32(""), 1u);
    EXPECT_EQ(Adler32(std::string(100000, '\xFF')), 0x149A302Cu);  // sums wrap the modulus many times
}

// --- PNG ---------------------------------------------------------------

struct Chunk {
    std::string type;
    std::string data;
};

std::vector<Chunk> PngChunks(const std::string& png)
{
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = BigEndian32(png, at);
        const std::string typed = png.substr(at + 4, 4 + length);
        EXPECT_EQ(BigEndian32(png, at + 8 + length), Crc32(typed)) << typed.substr(0, 4);
        chunks.push_back({typed.substr(0, 4), typed.substr(4)});
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

// The data of a zlib stream made of stored blocks; none when it is not one.
std::optional<std::string> InflateStored(const std::string& z)
{
    if (z.size() < 6 || ((Byte(z, 0) << 8) | Byte(z, 1)) % 31 != 0 || (Byte(z, 0) & 0x0F) != 8) {
        return std::nullopt;
    }
    std::string data;
    size_t at = 2;
    bool last = false;
    while (!last) {
        last = Byte(z, at) & 1;
        if ((Byte(z, at) >> 1) != 0) {
            return std::nullopt;  // not a stored block
        }
        const unsigned length = Byte(z, at + 1) | (Byte(z, at + 2) << 8);
        const unsigned complement = Byte(z, at + 3) | (Byte(z, at + 4) << 8);
        if ((length ^ 0xFFFF) != complement) {
            return std::nullopt;
        }
        data += z.substr(at + 5, length);
        at += 5 + length;
    }
    if (at + 4 != z.size() || BigEndian32(z, at) != Adler32(data)) {
        return std::nullopt;
    }
    return data;
}

TEST(Png, ChunksChecksumsAndPixelsReadBack)
{
    // 200 x 150 RGB rows need two stored blocks (a block holds 65535 bytes).
    for (const Raster& image : {Gradient(200, 150), Gradient(1, 1), Gradient(37, 5)}) {
        const std::vector<Chunk> chunks = PngChunks(EncodePng(image));
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[1].type, "IDAT");
        EXPECT_EQ(chunks[2].type, "IEND");
        ASSERT_EQ(chunks[0].data.size(), 13u);
        EXPECT_EQ(BigEndian32(chunks[0].data, 0), static_cast<uint32_t>(image.width));
        EXPECT_EQ(BigEndian32(chunks[0].data, 4), static_cast<uint32_t>(image.height));
        EXPECT_EQ(chunks[0].data.substr(8), std::string("\x08\x02\x00\x00\x00", 5));

        const std::optional<std::string> rows = InflateStored(chunks[1].data);
        ASSERT_TRUE(rows.has_value());
        const size_t stride = 1 + 3 * static_cast<size_t>(image.width);
        ASSERT_EQ(rows->size(), stride * static_cast<size_t>(image.height));
        for (int y = 0; y < image.height; ++y) {
            const size_t row = stride * static_cast<size_t>(y);
            EXPECT_EQ(Byte(*rows, row), 0u);
            for (int x = 0; x < image.width; ++x) {
                const Rgb& p = image.At(x, y);
                const size_t at = row + 1 + 3 * static_cast<size_t>(x);
                ASSERT_EQ((Rgb{static_cast<uint8_t>(Byte(*rows, at)), static_cast<uint8_t>(Byte(*rows, at + 1)),
                               static_cast<uint8_t>(Byte(*rows, at + 2))}),
                          p);
            }
        }
    }
}

// --- GIF ---------------------------------------------------------------

struct GifImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

// LZW as GIF decoders do it, one entry behind the encoder; none on a code
// that cannot occur or data that ends before the end code.
std::optional<std::vector<uint8_t>> LzwDecode(const std::string& data, int minCodeSize)
{
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t end = clear + 1;
    std::vector<std::string> table;
    auto reset = [&] {
        table.clear();
        for (uint32_t i = 0; i < clear; ++i) {
            table.push_back(std::string(1, static_cast<char>(i)));
        }
        table.resize(end + 1);
    };
    reset();
    int width = minCodeSize + 1;
    size_t bit = 0;
    std::string previous;
    std::vector<uint8_t> out;
    while (true) {
        if (bit + static_cast<size_t>(width) > data.size() * 8) {
            return std::nullopt;
        }
        uint32_t code = 0;
        for (int i = 0; i < width; ++i, ++bit) {
            code |= ((Byte(data, bit / 8) >> (bit % 8)) & 1u) << i;
        }
        if (code == clear) {
            reset();
            width = minCodeSize + 1;
            previous.clear();
            continue;
        }
        if (code == end) {
            return (data.size() * 8 - bit < 8) ? std::optional(out) : std::nullopt;
        }
        std::string entry;
        if (code < table.size() && code != clear && code != end) {
            entry = table[code];
        } else if (code == table.size() && !previous.empty()) {
            entry = previous + previous[0];
        } else {
            return std::nullopt;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (!previous.empty() && table.size() < 4096) {
            table.push_back(previous + entry[0]);
        }
        if (table.size() == (1u << width) && width < 12) {
            ++width;
        }
        previous = entry;
    }
}

std::optional<GifImage> DecodeGif(const std::string& gif)
{
    if (gif.substr(0, 6) != "GIF89a" || gif.back() != ';') {
        return std::nullopt;
    }
    GifImage image;
    image.width = static_cast<int>(Byte(gif, 6) | (Byte(gif, 7) << 8));
    image.height = static_cast<int>(Byte(gif, 8) | (Byte(gif, 9) << 8));
    const unsigned flags = Byte(gif, 10);
    if ((flags & 0x80) == 0) {
        return std::nullopt;
    }
    const size_t colours = size_t{2} << (flags & 7);
    size_t at = 13;
    std::vector<Rgb> palette;
    for (size_t i = 0; i < colours; ++i, at += 3) {
        palette.push_back({static_cast<uint8_t>(Byte(gif, at)), static_cast<uint8_t>(Byte(gif, at + 1)),
                           static_cast<uint8_t>(Byte(gif, at + 2))});
    }
    if (gif[at] != ',' || Byte(gif, at + 9) != 0) {
        return std::nullopt;
    }
    const int minCodeSize = static_cast<int>(Byte(gif, at + 10));
    at += 11;
    std::string data;
    while (Byte(gif, at) != 0) {
        data += gif.substr(at + 1, Byte(gif, at));
        at += 1 + Byte(gif, at);
    }
    if (at + 2 != gif.size()) {
        return std::nullopt;
    }
    const auto indices = LzwDecode(data, minCodeSize);
    if (!indices || indices->size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
        return std::nullopt;
    }
    for (uint8_t index : *indices) {
        if (index >= palette.size()) {
            return std::nullopt;
        }
        image.pixels.push_back(palette[index]);
    }
    return image;
}

TEST(Gif, PicturesOfAtMost256ColoursReadBackExactly)
{
    // 1, 2, 3 and 256 colours; the scattered 160 x 160 one fills the
    // 4096-code table many times over, so the encoder must start it afresh.
    for (const Raster& image : {Scattered(1, 1, 1), Scattered(9, 7, 2), Scattered(30, 20, 3),
                                Scattered(160, 160, 256), Scattered(100, 3, 17)}) {
        const std::optional<GifImage> decoded = DecodeGif(EncodeGif(image));
        ASSERT_TRUE(decoded.has_value()) << image.width << "x" << image.height;
        EXPECT_EQ(decoded->width, image.width);
        EXPECT_EQ(decoded->height, image.height);
        EXPECT_EQ(decoded->pixels, image.pixels);
    }
}

TEST(Gif, RicherPicturesAreRoundedToTheNearestCubeColour)
{
    const Raster image = Gradient(120, 90);
    const std::optional<GifImage> decoded = DecodeGif(EncodeGif(image));
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->pixels.size(), image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        // Half a step of the 8 red and green levels and of the 4 blue ones.
        EXPECT_LE(std::abs(decoded->pixels[i].r - image.pixels[i].r), 19);
        EXPECT_LE(std::abs(decoded->pixels[i].g - image.pixels[i].g), 19);
        EXPECT_LE(std::abs(decoded->pixels[i].b - image.pixels[i].b), 43);
    }
}

// --- JPEG --------------------------------------------------------------

struct HuffmanTable {
    std::vector<int> counts;
    std::string symbols;
};

// Reads the entropy-coded data bit by bit, dropping stuffed zero bytes.
class ScanReader {
public:
    ScanReader(const std::string& jpeg, size_t at) : m_jpeg(jpeg), m_at(at) {}
    int Bit()
    {
        if (m_bits == 0) {
            m_byte = Byte(m_jpeg, m_at++);
            if (m_byte == 0xFF) {
                EXPECT_EQ(Byte(m_jpeg, m_at), 0u) << "marker inside the scan at " << m_at;
                ++m_at;
            }
            m_bits = 8;
        }
        return static_cast<int>((m_byte >> --m_bits) & 1);
    }
    int Bits(int count)
    {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 1) | Bit();
        }
        return value;
    }
    int Decode(const HuffmanTable& table)
    {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 0; length < 16; ++length) {
            code |= Bit();
            const int count = table.counts[static_cast<size_t>(length)];
            if (code - first < count) {
                return static_cast<unsigned char>(table.symbols[static_cast<size_t>(index + code - first)]);
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        ADD_FAILURE() << "no Huffman code matches";
        return 0;
    }
    // A coefficient of `size` bits, negative ones stored as one's complement.
    int Receive(int size)
    {
        const int value = Bits(size);
        return size > 0 && value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
    }
    size_t PaddedEnd() const { return m_bits > 0 && (m_byte & ((1u << m_bits) - 1)) != (1u << m_bits) - 1 ? 0 : m_at; }

private:
    const std::string& m_jpeg;
    size_t m_at;
    unsigned m_byte = 0;
    int m_bits = 0;
};

TEST(Jpeg, SegmentsAndEveryBlockDecodeAndTheBlockMeansMatch)
{
    const Raster image = Gradient(45, 21);  // partial blocks on both edges
    const std::string jpeg = EncodeJpeg(image, 80);
    ASSERT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    ASSERT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");

    std::map<int, std::string> quant;
    std::map<int, HuffmanTable> huffman;  // class * 16 + id
    size_t at = 2;
    int width = 0;
    int height = 0;
    while (Byte(jpeg, at + 1) != 0xDA) {
        ASSERT_EQ(Byte(jpeg, at), 0xFFu);
        const unsigned marker = Byte(jpeg, at + 1);
        const size_t length = (Byte(jpeg, at + 2) << 8) | Byte(jpeg, at + 3);
        const std::string body = jpeg.substr(at + 4, length - 2);
        if (marker == 0xE0) {
            EXPECT_EQ(body.substr(0, 5), std::string("JFIF\0", 5));
        } else if (marker == 0xDB) {
            for (size_t i = 0; i < body.size(); i += 65) {
                quant[static_cast<int>(Byte(body, i))] = body.substr(i + 1, 64);
            }
        } else if (marker == 0xC0) {
            height = static_cast<int>((Byte(body, 1) << 8) | Byte(body, 2));
            width = static_cast<int>((Byte(body, 3) << 8) | Byte(body, 4));
            EXPECT_EQ(Byte(body, 5), 3u);
        } else if (marker == 0xC4) {
            for (size_t i = 0; i < body.size();) {
                HuffmanTable table;
                size_t total = 0;
                for (size_t k = 0; k < 16; ++k) {
                    table.counts.push_back(static_cast<int>(Byte(body, i + 1 + k)));
                    total += Byte(body, i + 1 + k);
                }
                table.symbols = body.substr(i + 17, total);
                huffman[static_cast<int>(Byte(body, i))] = table;
                i += 17 + total;
            }
        }
        at += 2 + length;
    }
    EXPECT_EQ(width, image.width);
    EXPECT_EQ(height, image.height);
    ASSERT_EQ(quant.size(), 2u);
    ASSERT_EQ(huffman.size(), 4u);

    ScanReader scan(jpeg, at + 2 + ((Byte(jpeg, at + 2) << 8) | Byte(jpeg, at + 3)));
    int previous[3] = {0, 0, 0};
    for (int by = 0; by < height; by += 8) {
        for (int bx = 0; bx < width; bx += 8) {
            for (int c = 0; c < 3; ++c) {
                const int table = c == 0 ? 0 : 1;
                previous[c] += scan.Receive(scan.Decode(huffman[table]));
                for (int k = 1; k < 64;) {
                    const int rs = scan.Decode(huffman[16 + table]);
                    if ((rs & 15) == 0 && rs != 0xF0) {
                        break;  // end of block
                    }
                    k += (rs >> 4) + 1;
                    scan.Receive(rs & 15);
                    ASSERT_LE(k, 64);
                }
            }
            // DC is eight times the block's mean, less the level shift.
            double mean = 0;
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    const Rgb& p = image.At(std::min(bx + x, width - 1), std::min(by + y, height - 1));
                    mean += (0.299 * p.r + 0.587 * p.g + 0.114 * p.b) / 64;
                }
            }
            EXPECT_NEAR(previous[0] * static_cast<int>(Byte(quant[0], 0)) / 8.0 + 128, mean, 1.5) << bx << "," << by;
        }
    }
    EXPECT_EQ(scan.PaddedEnd(), jpeg.size() - 2) << "the scan must end, padded with ones, right before EOI";
}

TEST(Jpeg, QualityScalesTheQuantisationTables)
{
    const Raster image = Gradient(16, 16);
    const std::string low = EncodeJpeg(image, 10);
    const std::string high = EncodeJpeg(image, 100);
    const size_t dqt = low.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(Byte(low, dqt + 5), 80u);   // 16 scaled by 5000 / 10 percent
    EXPECT_EQ(Byte(high, dqt + 5), 1u);   // never below 1
}

}  // namespace
}  // namespace trovana::cli
