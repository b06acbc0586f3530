// Fields of comma-separated text that is safe to open in a spreadsheet and
// to print on a terminal, whatever bytes a hostile cache entry holds.
#pragma once

#include <string>
#include <string_view>

namespace trovana {

// One CSV field: quoted as RFC 4180 asks when it holds a comma, quote, CR or
// LF (quotes doubled). Control bytes other than TAB, CR and LF, DEL, and the
// C1 controls encoded as UTF-8 are written as \xHH, so that no escape
// sequence reaches a terminal. A field that starts with = + - or @ gets a
// leading single quote, so that a spreadsheet shows it as text instead of
// running it as a formula. Every other byte is kept as it is.
std::string CsvField(std::string_view bytes);

}  // namespace trovana
