// SPDX-License-Identifier: GPL-3.0-or-later
// Typed reads of resolved column values: integers of any fixed width,
// text of any code page as UTF-8.
#pragma once

#include "catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace trovana::ese {

// An integer column as its type's width of bytes (1, 2, 4 or 8; Currency,
// DateTime and 64-bit ones as their 64 bits), zero-extended; 0 when empty.
uint64_t IntegerValue(const Column& column, std::string_view bytes);

// A text column's bytes as UTF-8 (UTF-16 decoded, 1252 mapped), its
// terminating NULs dropped.
std::string TextValue(const Column& column, std::string_view bytes);

// UTF-16LE to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes);

}  // namespace trovana::ese
