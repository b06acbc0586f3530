// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_checksum.h"

#include <bit>

namespace trovana::eselog {
namespace {

uint32_t Word(std::span<const uint8_t> block, size_t index)
{
    const uint8_t* p = block.data() + 4 * index;
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// All ones when the word has an odd number of set bits.
uint32_t ParityMask(uint32_t word)
{
    return (std::popcount(word) & 1) ? 0xFFFFFFFFu : 0u;
}

}  // namespace

uint32_t XorChecksum(std::span<const uint8_t> block)
{
    uint32_t sum = 0x89abcdef;
    for (size_t i = 1; i < block.size() / 4; ++i)
        sum ^= Word(block, i);
    return sum;
}

uint64_t EccChecksum(std::span<const uint8_t> block, uint32_t number)
{
    // The block is a matrix of rows of four words. Each row's parity is
    // spread over the row index and its complement (two 9-bit halves of
    // the ECC); the four column words are reduced to one word whose bits'
    // parities give the low 5 bits of each half. The checksum's own 8
    // bytes count as zero.
    const size_t words = block.size() / 4;
    uint32_t rowBits = 0;
    uint32_t column[4] = {0, 0, 0, 0};
    uint32_t index = 0xff800000u;
    for (size_t row = 0; row + 4 <= words; row += 4) {
        uint32_t w[4];
        for (size_t k = 0; k < 4; ++k)
            w[k] = row == 0 && k < 2 ? 0u : Word(block, row + k);
        for (size_t k = 0; k < 4; ++k)
            column[k] ^= w[k];
        rowBits ^= index & ParityMask(w[0] ^ w[1] ^ w[2] ^ w[3]);
        index += 0xff800080u;
    }
    rowBits |= 0x00400000u & ParityMask(column[0] ^ column[1]);
    rowBits |= 0x00000040u & ParityMask(column[2] ^ column[3]);
    const uint32_t half0 = column[0] ^ column[2];
    const uint32_t half1 = column[1] ^ column[3];
    rowBits |= 0x00200000u & ParityMask(half0);
    rowBits |= 0x00000020u & ParityMask(half1);
    const uint32_t reduced = half0 ^ half1;

    uint32_t bitBits = 0;
    uint32_t bitIndex = 0xffff0000u;
    for (unsigned bit = 0; bit < 32; ++bit) {
        if (reduced & (1u << bit))
            bitBits ^= bitIndex;
        bitIndex += 0xffff0001u;
    }
    const uint32_t sizeMask = static_cast<uint32_t>((uint64_t{block.size()} << 19) - 1);
    const uint32_t ecc = (rowBits & 0xffe0ffe0u & sizeMask) | (bitBits & 0x001f001fu);
    return uint64_t{ecc} << 32 | (reduced ^ number);
}

}  // namespace trovana::eselog
