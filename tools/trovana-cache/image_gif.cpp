#include <map>
#include <unordered_map>

#include "images.h"

namespace trovana::cli {

namespace {

struct Indexed {
    std::vector<Rgb> palette;
    std::vector<uint8_t> indices;
};

// The picture's own colours when they fit in 256 entries, else the 3-3-2
// colour cube every pixel can be rounded to.
Indexed ToIndexed(const Raster& image)
{
    Indexed result;
    std::map<uint32_t, uint8_t> exact;
    for (const Rgb& p : image.pixels) {
        const uint32_t key = (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b;
        if (exact.size() > 256) {
            break;
        }
        exact.emplace(key, 0);
    }
    if (exact.size() <= 256) {
        for (auto& [key, index] : exact) {
            index = static_cast<uint8_t>(result.palette.size());
            result.palette.push_back({static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8),
                                      static_cast<uint8_t>(key)});
        }
        for (const Rgb& p : image.pixels) {
            result.indices.push_back(exact.at((uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b));
        }
        return result;
    }
    for (int i = 0; i < 256; ++i) {
        result.palette.push_back({static_cast<uint8_t>((i >> 5) * 255 / 7), static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
                                  static_cast<uint8_t>((i & 3) * 255 / 3)});
    }
    for (const Rgb& p : image.pixels) {
        // The nearest level of each channel: 8 for red and green, 4 for blue.
        const int r = (p.r * 7 + 127) / 255;
        const int g = (p.g * 7 + 127) / 255;
        const int b = (p.b * 3 + 127) / 255;
        result.indices.push_back(static_cast<uint8_t>((r << 5) | (g << 2) | b));
    }
    return result;
}

// Packs variable-width codes least significant bit first, as GIF wants.
class CodeWriter {
public:
    void Write(uint32_t code, int width)
    {
        m_buffer |= code << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes += static_cast<char>(m_buffer & 0xFF);
            m_buffer >>= 8;
            m_bits -= 8;
        }
    }
    std::string Finish()
    {
        if (m_bits > 0) {
            m_bytes += static_cast<char>(m_buffer & 0xFF);
        }
        return m_bytes;
    }

private:
    uint32_t m_buffer = 0;
    int m_bits = 0;
    std::string m_bytes;
};

// LZW as GIF uses it. The code width grows when the next code to be
// assigned no longer fits, which is also when a decoder (one entry behind)
// widens; at 4096 codes the table starts again after a clear code.
std::string LzwCompress(const std::vector<uint8_t>& indices, int minCodeSize)
{
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t end = clear + 1;
    uint32_t next = end + 1;
    int width = minCodeSize + 1;
    std::unordered_map<uint32_t, uint32_t> table;
    CodeWriter writer;
    writer.Write(clear, width);

    auto assign = [&](uint32_t key) {
        table[key] = next++;
        if (next > (1u << width) && width < 12) {
            ++width;
        }
    };

    int64_t current = -1;
    for (uint8_t index : indices) {
        if (current < 0) {
            current = index;
            continue;
        }
        const uint32_t key = (static_cast<uint32_t>(current) << 8) | index;
        if (auto found = table.find(key); found != table.end()) {
            current = found->second;
            continue;
        }
        writer.Write(static_cast<uint32_t>(current), width);
        if (next < 4096) {
            assign(key);
        } else {
            writer.Write(clear, width);
            table.clear();
            next = end + 1;
            width = minCodeSize + 1;
        }
        current = index;
    }
    if (current >= 0) {
        writer.Write(static_cast<uint32_t>(current), width);
        // A decoder adds an entry on reading that last code and may widen
        // before the end code.
        if (next < 4096) {
            assign(0xFFFFFFFFu);
        }
    }
    writer.Write(end, width);
    return writer.Finish();
}

void AppendLittleEndian16(std::string& out, int value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

}  // namespace

std::string EncodeGif(const Raster& image)
{
    const Indexed indexed = ToIndexed(image);
    int tableBits = 1;
    while ((size_t{1} << tableBits) < indexed.palette.size()) {
        ++tableBits;
    }

    std::string gif = "GIF89a";
    AppendLittleEndian16(gif, image.width);
    AppendLittleEndian16(gif, image.height);
    gif += static_cast<char>(0x80 | ((tableBits - 1) << 4) | (tableBits - 1));  // global colour table
    gif += '\0';  // background colour index
    gif += '\0';  // no aspect ratio
    for (size_t i = 0; i < (size_t{1} << tableBits); ++i) {
        const Rgb colour = i < indexed.palette.size() ? indexed.palette[i] : Rgb{};
        gif += static_cast<char>(colour.r);
        gif += static_cast<char>(colour.g);
        gif += static_cast<char>(colour.b);
    }

    gif += ',';  // image descriptor
    AppendLittleEndian16(gif, 0);
    AppendLittleEndian16(gif, 0);
    AppendLittleEndian16(gif, image.width);
    AppendLittleEndian16(gif, image.height);
    gif += '\0';

    const int minCodeSize = std::max(2, tableBits);
    gif += static_cast<char>(minCodeSize);
    const std::string data = LzwCompress(indexed.indices, minCodeSize);
    for (size_t pos = 0; pos < data.size(); pos += 255) {
        const size_t length = std::min<size_t>(255, data.size() - pos);
        gif += static_cast<char>(length);
        gif.append(data, pos, length);
    }
    gif += '\0';
    gif += ';';  // trailer
    return gif;
}

}  // namespace trovana::cli
