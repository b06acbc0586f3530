// SPDX-License-Identifier: GPL-3.0-or-later
// Values ESE compresses: the first byte's top five bits name the form,
// 1 = 7-bit ASCII, 2 = 7-bit UTF-16, 3 = Xpress (LZXPRESS, plain LZ77).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trovana::ese {

// The largest value decompression makes; more is damage.
inline constexpr size_t kMaxDecompressed = 64 * 1024 * 1024;

// Decompresses `bytes`; a form not named above gives the bytes as they are.
// Throws EseError when the compressed bytes are damaged.
std::string Decompress(std::string_view bytes);

// The plain LZ77 form of LZXPRESS (MS-XCA), `size` bytes expected.
std::string DecompressXpress(std::string_view bytes, size_t size);

}  // namespace trovana::ese
