// SPDX-License-Identifier: GPL-3.0-or-later
// The two checksums that guard ESE log files: the header's 32-bit XOR sum
// (also the older 4 KiB segment form, with the sector number beside it), and
// the newer ECC form that Windows 7 and later write into every segment (a
// Hsiao code of row and column parities that can name one flipped bit, with
// an XOR sum beside it).
#pragma once

#include <cstdint>
#include <span>

namespace trovana::eselog {

// The XOR of every 32-bit word after the first, seeded with 0x89abcdef.
uint32_t XorChecksum(std::span<const uint8_t> block);

// The 64-bit ECC checksum of a block whose first 8 bytes hold the checksum
// itself: the ECC in the high half, the XOR sum xored with number (the
// sector's index in its file) in the low half. block.size() is a power of
// two from 1 KiB to 8 KiB.
uint64_t EccChecksum(std::span<const uint8_t> block, uint32_t number);

}  // namespace trovana::eselog
