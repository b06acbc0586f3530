#include <algorithm>
#include <array>

#include "images.h"

namespace trovana::cli {

namespace {

void AppendBigEndian32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void AppendChunk(std::string& png, std::string_view type, std::string_view data)
{
    AppendBigEndian32(png, static_cast<uint32_t>(data.size()));
    std::string typed(type);
    typed += data;
    png += typed;
    AppendBigEndian32(png, Crc32(typed));
}

// A zlib stream of stored deflate blocks: no compression, but every decoder
// reads it, and it needs nothing but the two checksums.
std::string StoredZlib(std::string_view data)
{
    constexpr size_t maxBlock = 65535;
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        const size_t length = std::min(maxBlock, data.size() - pos);
        const bool last = pos + length == data.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(data.substr(pos, length));
        pos += length;
    } while (pos < data.size());
    AppendBigEndian32(out, Adler32(data));
    return out;
}

}  // namespace

uint32_t Crc32(std::string_view bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

uint32_t Adler32(std::string_view bytes)
{
    constexpr uint32_t modulus = 65521;
    uint32_t a = 1;
    uint32_t b = 0;
    for (char ch : bytes) {
        a = (a + static_cast<unsigned char>(ch)) % modulus;
        b = (b + a) % modulus;
    }
    return (b << 16) | a;
}

std::string EncodePng(const Raster& image)
{
    std::string header;
    AppendBigEndian32(header, static_cast<uint32_t>(image.width));
    AppendBigEndian32(header, static_cast<uint32_t>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace

    std::string rows;
    rows.reserve(static_cast<size_t>(image.height) * (1 + 3 * static_cast<size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        rows += '\0';  // filter type None
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.At(x, y);
            rows += static_cast<char>(p.r);
            rows += static_cast<char>(p.g);
            rows += static_cast<char>(p.b);
        }
    }

    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", StoredZlib(rows));
    AppendChunk(png, "IEND", "");
    return png;
}

}  // namespace trovana::cli
