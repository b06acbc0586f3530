#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "images.h"

namespace trovana::cli {

namespace {

// Natural (row-major) position of each coefficient in zig-zag order.
constexpr std::array<int, 64> kZigZag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The example tables of the JPEG standard (its annex K), row-major.
constexpr std::array<int, 64> kLuminanceQuant = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominanceQuant = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

struct HuffmanSpec {
    std::array<uint8_t, 16> counts;  // number of codes of each length 1 to 16
    std::vector<uint8_t> symbols;
};

const HuffmanSpec kDcLuminance = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                  {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffmanSpec kDcChrominance = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
                                    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffmanSpec kAcLuminance = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
     0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
     0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
     0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
     0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
     0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
     0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
     0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};
const HuffmanSpec kAcChrominance = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
     0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
     0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
     0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
     0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
     0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
     0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
     0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

struct Code {
    uint16_t bits = 0;
    int length = 0;
};

// Canonical Huffman codes from the count-per-length form of a table.
std::array<Code, 256> BuildCodes(const HuffmanSpec& huffman)
{
    std::array<Code, 256> codes{};
    uint16_t code = 0;
    size_t k = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < huffman.counts[static_cast<size_t>(length - 1)]; ++i) {
            codes[huffman.symbols[k++]] = {code++, length};
        }
        code = static_cast<uint16_t>(code << 1);
    }
    return codes;
}

std::array<int, 64> ScaledQuant(const std::array<int, 64>& base, int quality)
{
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::array<int, 64> table{};
    for (size_t i = 0; i < 64; ++i) {
        table[i] = std::clamp((base[i] * scale + 50) / 100, 1, 255);
    }
    return table;
}

// Writes entropy-coded bits most significant first, with a zero byte stuffed
// after every 0xFF so that no marker appears in the data.
class BitWriter {
public:
    explicit BitWriter(std::string& out) : m_out(out) {}
    void Write(uint32_t bits, int length)
    {
        for (int i = length - 1; i >= 0; --i) {
            m_byte = static_cast<uint8_t>((m_byte << 1) | ((bits >> i) & 1));
            if (++m_count == 8) {
                Flush();
            }
        }
    }
    void Write(const Code& code) { Write(code.bits, code.length); }
    void Pad()
    {
        while (m_count != 0) {
            Write(1, 1);
        }
    }

private:
    void Flush()
    {
        m_out += static_cast<char>(m_byte);
        if (m_byte == 0xFF) {
            m_out += '\0';
        }
        m_byte = 0;
        m_count = 0;
    }

    std::string& m_out;
    uint8_t m_byte = 0;
    int m_count = 0;
};

// Number of bits of |value| and the bits a coefficient is sent with.
int Magnitude(int value)
{
    int bits = 0;
    for (int v = std::abs(value); v != 0; v >>= 1) {
        ++bits;
    }
    return bits;
}

uint32_t MagnitudeBits(int value, int bits)
{
    const int shown = value < 0 ? value - 1 : value;
    return static_cast<uint32_t>(shown) & ((1u << bits) - 1);
}

struct Component {
    const std::array<int, 64>* quant;
    const std::array<Code, 256>* dc;
    const std::array<Code, 256>* ac;
    int previousDc = 0;
};

// Forward DCT of one level-shifted 8x8 block, quantised, in zig-zag order.
// Plain pointers keep the unoptimised (sanitizer) build quick: the demo
// encodes some 20,000 blocks.
std::array<int, 64> TransformBlock(const std::array<double, 64>& block, const std::array<int, 64>& quant)
{
    static const std::array<double, 64> cosineTable = [] {
        std::array<double, 64> c{};
        for (int u = 0; u < 8; ++u) {
            for (int x = 0; x < 8; ++x) {
                c[static_cast<size_t>(u * 8 + x)] = std::cos((2 * x + 1) * u * std::numbers::pi / 16);
            }
        }
        return c;
    }();
    const double* cosines = cosineTable.data();
    const double* samples = block.data();
    double rows[64];  // 1-D DCT along each row
    for (int y = 0; y < 8; ++y) {
        for (int u = 0; u < 8; ++u) {
            double sum = 0;
            for (int x = 0; x < 8; ++x) {
                sum += samples[y * 8 + x] * cosines[u * 8 + x];
            }
            rows[y * 8 + u] = sum * (u == 0 ? std::numbers::sqrt2 / 4 : 0.5);
        }
    }
    std::array<int, 64> out{};
    for (size_t k = 0; k < 64; ++k) {
        const int pos = kZigZag[k];
        const int v = pos / 8;
        const int u = pos % 8;
        double sum = 0;
        for (int y = 0; y < 8; ++y) {
            sum += rows[y * 8 + u] * cosines[v * 8 + y];
        }
        sum *= v == 0 ? std::numbers::sqrt2 / 4 : 0.5;
        out[k] = static_cast<int>(std::lround(sum / quant[static_cast<size_t>(pos)]));
    }
    return out;
}

void EncodeBlock(BitWriter& bits, Component& component, const std::array<double, 64>& block)
{
    const std::array<int, 64> coefficients = TransformBlock(block, *component.quant);
    const int diff = coefficients[0] - component.previousDc;
    component.previousDc = coefficients[0];
    const int dcBits = Magnitude(diff);
    bits.Write((*component.dc)[static_cast<size_t>(dcBits)]);
    bits.Write(MagnitudeBits(diff, dcBits), dcBits);

    int zeros = 0;
    for (size_t k = 1; k < 64; ++k) {
        if (coefficients[k] == 0) {
            ++zeros;
            continue;
        }
        for (; zeros >= 16; zeros -= 16) {
            bits.Write((*component.ac)[0xF0]);  // sixteen zeros
        }
        const int acBits = Magnitude(coefficients[k]);
        bits.Write((*component.ac)[static_cast<size_t>((zeros << 4) | acBits)]);
        bits.Write(MagnitudeBits(coefficients[k], acBits), acBits);
        zeros = 0;
    }
    if (zeros > 0) {
        bits.Write((*component.ac)[0x00]);  // end of block
    }
}

void AppendMarker(std::string& out, uint8_t marker, const std::string& payload)
{
    out += '\xFF';
    out += static_cast<char>(marker);
    const size_t length = payload.size() + 2;
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(length & 0xFF);
    out += payload;
}

std::string QuantSegment(uint8_t id, const std::array<int, 64>& table)
{
    std::string s(1, static_cast<char>(id));
    for (int pos : kZigZag) {
        s += static_cast<char>(table[static_cast<size_t>(pos)]);
    }
    return s;
}

std::string HuffmanSegment(uint8_t classAndId, const HuffmanSpec& huffman)
{
    std::string s(1, static_cast<char>(classAndId));
    for (uint8_t count : huffman.counts) {
        s += static_cast<char>(count);
    }
    s.append(huffman.symbols.begin(), huffman.symbols.end());
    return s;
}

std::string FrameHeader(const Raster& image)
{
    std::string s = "\x08";  // 8-bit samples
    s += static_cast<char>(image.height >> 8);
    s += static_cast<char>(image.height & 0xFF);
    s += static_cast<char>(image.width >> 8);
    s += static_cast<char>(image.width & 0xFF);
    s += '\x03';
    s += std::string("\x01\x11\x00\x02\x11\x01\x03\x11\x01", 9);  // id, 1x1 sampling, quant table
    return s;
}

}  // namespace

std::string EncodeJpeg(const Raster& image, int quality)
{
    const std::array<int, 64> luminance = ScaledQuant(kLuminanceQuant, quality);
    const std::array<int, 64> chrominance = ScaledQuant(kChrominanceQuant, quality);
    static const std::array<Code, 256> dcY = BuildCodes(kDcLuminance);
    static const std::array<Code, 256> acY = BuildCodes(kAcLuminance);
    static const std::array<Code, 256> dcC = BuildCodes(kDcChrominance);
    static const std::array<Code, 256> acC = BuildCodes(kAcChrominance);

    std::string jpeg = "\xFF\xD8";
    AppendMarker(jpeg, 0xE0, std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
    AppendMarker(jpeg, 0xDB, QuantSegment(0, luminance) + QuantSegment(1, chrominance));
    AppendMarker(jpeg, 0xC0, FrameHeader(image));
    AppendMarker(jpeg, 0xC4,
                 HuffmanSegment(0x00, kDcLuminance) + HuffmanSegment(0x10, kAcLuminance) +
                     HuffmanSegment(0x01, kDcChrominance) + HuffmanSegment(0x11, kAcChrominance));
    AppendMarker(jpeg, 0xDA, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));

    std::array<Component, 3> components = {Component{&luminance, &dcY, &acY},
                                           Component{&chrominance, &dcC, &acC},
                                           Component{&chrominance, &dcC, &acC}};
    BitWriter bits(jpeg);
    for (int by = 0; by < image.height; by += 8) {
        for (int bx = 0; bx < image.width; bx += 8) {
            std::array<std::array<double, 64>, 3> blocks{};
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    // Blocks past the edge repeat the last row and column.
                    const Rgb& p = image.At(std::min(bx + x, image.width - 1), std::min(by + y, image.height - 1));
                    const size_t i = static_cast<size_t>(y * 8 + x);
                    blocks[0][i] = 0.299 * p.r + 0.587 * p.g + 0.114 * p.b - 128;
                    blocks[1][i] = -0.168736 * p.r - 0.331264 * p.g + 0.5 * p.b;
                    blocks[2][i] = 0.5 * p.r - 0.418688 * p.g - 0.081312 * p.b;
                }
            }
            for (size_t c = 0; c < 3; ++c) {
                EncodeBlock(bits, components[c], blocks[c]);
            }
        }
    }
    bits.Pad();
    jpeg += "\xFF\xD9";
    return jpeg;
}

}  // namespace trovana::cli
