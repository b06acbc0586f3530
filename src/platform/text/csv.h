// SPDX-License-Identifier: GPL-3.0-or-later
// Fields of comma-separated text that is safe to open in a spreadsheet and
// to print on a terminal, whatever bytes a hostile cache entry holds. The
// text is the bytes' decoded text (faithful_text.h); where it cannot give
// the bytes back, writers put them in hex beside it (CsvNeedsHex).
#pragma once

#include <string>
#include <string_view>

namespace trovana {

// One CSV field: the bytes' decoded text, in which the controls that move
// a terminal's cursor or start an escape sequence are shown as their
// symbols (U+2400 to U+241F, DEL as U+2421) and the C1 controls as U+FFFD;
// TAB, CR and LF stay, inside quotes, as RFC 4180 allows. A field that
// starts with = + - @ TAB CR or ' gets a leading single quote, so that a
// spreadsheet shows it as text instead of running it as a formula. Quoted
// when it holds a comma, a quote (doubled) or a line break.
std::string CsvField(std::string_view bytes);
void AppendCsvField(std::string& out, std::string_view bytes);

// The bytes' decoded text with the controls shown as CsvField shows them,
// unquoted and without the formula guard: for other tables (HTML).
std::string TextWithControlSymbols(std::string_view bytes);

// True when the field's text does not give back the bytes: they are not
// UTF-8, or hold a control that the field shows as a symbol.
bool CsvNeedsHex(std::string_view bytes);

// The text of a field's unquoted content without the formula guard: the
// bytes themselves when CsvNeedsHex was false.
std::string UnescapeCsvField(std::string_view field);

}  // namespace trovana
