// SPDX-License-Identifier: GPL-3.0-or-later
// Page checksums. The old form is the seed 0x89abcdef XOR every 32-bit word
// after the first, beside the page number. The new form gives each block
// (the whole page up to 8 KiB; four blocks of 4 or 8 KiB on larger pages)
// an XOR of its words, with the page number mixed in, and an ECC code made
// of word and bit parities; the header block leaves its first eight bytes
// (the checksum) out, and its checksum covers those of the other blocks,
// which are kept at offsets 40, 48 and 56.
#include "format.h"
#include "page.h"

namespace trovana::ese {

namespace {

// All ones when `value` has an odd number of set bits, else zero.
uint32_t ParityMask(uint32_t value)
{
    value ^= value >> 16;
    value ^= value >> 8;
    value ^= value >> 4;
    value ^= value >> 2;
    value ^= value >> 1;
    return (value & 1) ? 0xffffffffu : 0u;
}

// The new form's checksum of one block: ECC code high, XOR ^ page low.
uint64_t BlockChecksum(std::string_view block, uint32_t pageNumber, bool headerBlock)
{
    uint32_t parity = 0;
    uint32_t column[4] = {0, 0, 0, 0};
    uint32_t index = 0xff800000u;
    const size_t words = block.size() / 4;
    for (size_t i = 0; i + 8 <= words; i += 8) {
        for (size_t half = 0; half < 2; ++half) {
            uint32_t row = 0;
            for (size_t k = 0; k < 4; ++k) {
                const size_t word = i + half * 4 + k;
                const uint32_t value = (headerBlock && word < 2) ? 0 : ReadLE<uint32_t>(block, word * 4);
                column[k] ^= value;
                row ^= value;
            }
            parity ^= index & ParityMask(row);
            index += 0xff800080u;
        }
    }
    parity |= 0x00400000u & ParityMask(column[0] ^ column[1]);
    parity |= 0x00000040u & ParityMask(column[2] ^ column[3]);
    const uint32_t even = column[0] ^ column[2];
    const uint32_t odd = column[1] ^ column[3];
    parity |= 0x00200000u & ParityMask(even);
    parity |= 0x00000020u & ParityMask(odd);
    const uint32_t xorSum = even ^ odd;
    uint32_t bits = 0;
    uint32_t bitIndex = 0xffff0000u;
    for (uint32_t bit = 1; bit != 0; bit <<= 1) {
        if (xorSum & bit)
            bits ^= bitIndex;
        bitIndex += 0xffff0001u;
    }
    const uint32_t mask = static_cast<uint32_t>(block.size() << 19) - 1;
    const uint32_t ecc = (parity & 0xffe0ffe0u & mask) | (bits & 0x001f001fu);
    return (static_cast<uint64_t>(ecc) << 32) | (xorSum ^ pageNumber);
}

uint64_t OldChecksum(std::string_view page, uint32_t pageNumber)
{
    uint32_t sum = kSignature;
    for (size_t at = 4; at + 4 <= page.size(); at += 4)
        sum ^= ReadLE<uint32_t>(page, at);
    return (static_cast<uint64_t>(pageNumber) << 32) | sum;
}

// The block size of the new form: 16 KiB pages are checked in 4 KiB
// blocks, 32 KiB pages in 8 KiB ones, smaller pages whole.
size_t BlockSize(size_t pageSize)
{
    return pageSize <= 8192 ? pageSize : (pageSize <= 16384 ? 4096 : 8192);
}

bool NewForm(std::string_view bytes, PageGeometry geometry)
{
    return geometry.LargePages() || (ReadLE<uint32_t>(bytes, 36) & kPageNewChecksum) != 0;
}

}  // namespace

std::string CheckPageChecksum(std::string_view bytes, uint32_t number, PageGeometry geometry)
{
    if (bytes.size() != geometry.pageSize)
        return "is cut short";
    if (!NewForm(bytes, geometry))
        return ReadLE<uint64_t>(bytes, 0) == OldChecksum(bytes, number) ? "" : "fails its checksum";
    const size_t block = BlockSize(bytes.size());
    if (ReadLE<uint64_t>(bytes, 0) != BlockChecksum(bytes.substr(0, block), number, true))
        return "fails its checksum";
    for (size_t i = 1; geometry.LargePages() && i < 4 && (i + 1) * block <= bytes.size(); ++i) {
        if (ReadLE<uint64_t>(bytes, 40 + 8 * (i - 1)) != BlockChecksum(bytes.substr(i * block, block), number, false))
            return "fails its checksum (block " + std::to_string(i) + ")";
    }
    return {};
}

void WritePageChecksums(std::string& bytes, uint32_t number, PageGeometry geometry)
{
    const auto put = [&](size_t at, uint64_t value) {
        for (size_t i = 0; i < 8 && at + i < bytes.size(); ++i)
            bytes[at + i] = static_cast<char>(value >> (8 * i));
    };
    if (bytes.size() != geometry.pageSize)
        return;
    if (!NewForm(bytes, geometry)) {
        put(0, OldChecksum(bytes, number));
        return;
    }
    const size_t block = BlockSize(bytes.size());
    // The header block's checksum covers the others: they come first.
    for (size_t i = 1; geometry.LargePages() && i < 4 && (i + 1) * block <= bytes.size(); ++i)
        put(40 + 8 * (i - 1), BlockChecksum(std::string_view(bytes).substr(i * block, block), number, false));
    put(0, BlockChecksum(std::string_view(bytes).substr(0, block), number, true));
}

}  // namespace trovana::ese
