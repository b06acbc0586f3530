// SPDX-License-Identifier: GPL-3.0-or-later
#include "compression.h"

#include "format.h"

namespace trovana::ese {

namespace {

constexpr unsigned kSevenBitAscii = 1;
constexpr unsigned kSevenBitUtf16 = 2;
constexpr unsigned kXpress = 3;

// Characters of seven bits packed from the lowest bit up. The first byte's
// low three bits are the bits used in the last byte, less one.
std::string SevenBit(std::string_view bytes, bool wide)
{
    if (bytes.size() < 2)
        return {};
    const size_t bits = (bytes.size() - 2) * 8 + (static_cast<unsigned char>(bytes[0]) & 7) + 1;
    std::string out;
    out.reserve(bits / 7 * (wide ? 2 : 1));
    uint32_t buffer = 0;
    unsigned held = 0;
    size_t taken = 0;
    for (size_t at = 1; at < bytes.size() && taken + 7 <= bits;) {
        while (held < 7 && at < bytes.size()) {
            buffer |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at++])) << held;
            held += 8;
        }
        while (held >= 7 && taken + 7 <= bits) {
            out += static_cast<char>(buffer & 0x7f);
            if (wide)
                out += '\0';
            buffer >>= 7;
            held -= 7;
            taken += 7;
        }
    }
    return out;
}

}  // namespace

std::string DecompressXpress(std::string_view in, size_t size)
{
    if (size > kMaxDecompressed)
        throw EseError("a compressed value claims " + std::to_string(size) + " bytes");
    std::string out;
    out.reserve(size);
    size_t at = 0;
    uint32_t flags = 0;
    int flagsLeft = 0;
    size_t halfByte = 0;  // where the spare high nibble of a length is; 0 = none
    const auto need = [&](size_t count) {
        if (in.size() - at < count)
            throw EseError("a compressed value is cut short");
    };
    while (out.size() < size) {
        if (flagsLeft == 0) {
            if (in.size() - at < 4)
                break;
            flags = ReadLE<uint32_t>(in, at);
            at += 4;
            flagsLeft = 32;
        }
        --flagsLeft;
        if ((flags & (1u << flagsLeft)) == 0) {
            if (at >= in.size())
                break;
            out += in[at++];
            continue;
        }
        if (at >= in.size())
            break;
        need(2);
        const uint16_t match = ReadLE<uint16_t>(in, at);
        at += 2;
        size_t length = match & 7;
        const size_t distance = (match >> 3) + 1;
        if (length == 7) {
            if (halfByte == 0) {
                need(1);
                halfByte = at;
                length = static_cast<unsigned char>(in[at++]) & 15;
            } else {
                length = static_cast<unsigned char>(in[halfByte]) >> 4;
                halfByte = 0;
            }
            if (length == 15) {
                need(1);
                length = static_cast<unsigned char>(in[at++]);
                if (length == 255) {
                    need(2);
                    length = ReadLE<uint16_t>(in, at);
                    at += 2;
                    if (length == 0) {
                        need(4);
                        length = ReadLE<uint32_t>(in, at);
                        at += 4;
                    }
                    if (length < 15 + 7)
                        throw EseError("a compressed value has a bad match length");
                    length -= 15 + 7;
                }
                length += 15;
            }
            length += 7;
        }
        length += 3;
        if (distance > out.size())
            throw EseError("a compressed value refers before its start");
        if (length > size - out.size())
            length = size - out.size();
        const size_t from = out.size() - distance;
        for (size_t i = 0; i < length; ++i)
            out += out[from + i];
    }
    return out;
}

std::string Decompress(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    switch (static_cast<unsigned char>(bytes[0]) >> 3) {
    case kSevenBitAscii: return SevenBit(bytes, false);
    case kSevenBitUtf16: return SevenBit(bytes, true);
    case kXpress:
        if (bytes.size() < 3)
            throw EseError("a compressed value is cut short");
        return DecompressXpress(bytes.substr(3), ReadLE<uint16_t>(bytes, 1));
    default: return std::string(bytes);
    }
}

}  // namespace trovana::ese
