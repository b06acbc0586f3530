// SPDX-License-Identifier: GPL-3.0-or-later
// Fields of comma-separated text that is safe to open in a spreadsheet and
// to print on a terminal, whatever bytes a hostile cache entry holds.
#pragma once

#include <string>
#include <string_view>

namespace trovana {

// Plain keeps TAB, CR and LF as they are (inside quotes) and backslashes
// too, for people reading the text; Reversible writes them as escapes as
// well, so that UnescapeCsvField gives back the very bytes.
enum class CsvEscaping { Plain, Reversible };

// One CSV field: quoted as RFC 4180 asks when it holds a comma, quote, CR or
// LF (quotes doubled). Control bytes, DEL and the C1 controls encoded as
// UTF-8 are written as \xHH, so that no escape sequence reaches a terminal.
// A field that starts with = + - or @ (Reversible: or ') gets a leading
// single quote, so that a spreadsheet shows it as text instead of running it
// as a formula. Every other byte is kept as it is.
std::string CsvField(std::string_view bytes, CsvEscaping escaping = CsvEscaping::Plain);

// The bytes a Reversible CsvField was given, from the field's unquoted
// content.
std::string UnescapeCsvField(std::string_view field);

}  // namespace trovana
