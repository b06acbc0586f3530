// One CSV field that a spreadsheet opens as plain text: control characters
// and backslashes escaped, a leading = + - @ (or the quote that marks it)
// neutralised by a quote in front, then quoted as RFC 4180 asks.
#pragma once

#include <string>
#include <string_view>

namespace trovana::exporting {

// Control bytes (below 0x20, and 0x7F) become \xHH and a backslash becomes
// \\; a text starting with = + - @ or ' gets a ' in front, so that no formula
// runs. The field is then quoted when it holds a comma or a quote.
std::string SpreadsheetCsvField(std::string_view text);

// The text SpreadsheetCsvField was given, from the field's unquoted content.
std::string UnescapeSpreadsheetField(std::string_view field);

}  // namespace trovana::exporting
