// SPDX-License-Identifier: GPL-3.0-or-later
// Fields of comma-separated text that is safe to open in a spreadsheet and
// to print on a terminal, whatever bytes a hostile cache entry holds, and
// that gives back the very bytes (see faithful_text.h).
#pragma once

#include <string>
#include <string_view>

namespace trovana {

// One CSV field: the bytes' faithful text (invalid UTF-8 as \xHH, the
// backslash as \\), in which control bytes (TAB, CR and LF too), DEL and the
// C1 controls encoded as UTF-8 are written as \xHH as well, so that no
// escape sequence reaches a terminal and no field spans lines. A field that
// starts with = + - @ TAB CR or ' gets a leading single quote, so that a
// spreadsheet shows it as text instead of running it as a formula. Quoted as
// RFC 4180 asks when it holds a comma or a quote (quotes doubled).
std::string CsvField(std::string_view bytes);
void AppendCsvField(std::string& out, std::string_view bytes);

// The bytes a CsvField was given, from the field's unquoted content.
std::string UnescapeCsvField(std::string_view field);

}  // namespace trovana
