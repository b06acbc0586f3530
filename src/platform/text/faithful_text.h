// SPDX-License-Identifier: GPL-3.0-or-later
// The one rule by which the cache's byte strings become text in every output
// (CSV, JSON lines, the HTML report, the CLI and the window's export alike):
// well-formed UTF-8 is kept as it is; every other byte is written as \xHH
// (two upper-case hex digits) and the backslash itself as \\, so that the
// text is valid UTF-8 and BytesFromFaithfulText gives back the very bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trovana {

// Length of the well-formed UTF-8 sequence that starts the bytes, 0 when they
// start with none. Overlong forms, surrogates and values above U+10FFFF are
// not well-formed (the table of well-formed byte sequences in Unicode's
// chapter 3), so a strict reader accepts whatever this keeps.
size_t Utf8SequenceLength(std::string_view bytes);

// True when the bytes need no escape at all: no backslash, nothing but
// well-formed UTF-8.
bool IsFaithfulAsIs(std::string_view bytes);

void AppendHexEscape(std::string& out, unsigned char byte);
void AppendFaithfulText(std::string& out, std::string_view bytes);
std::string FaithfulText(std::string_view bytes);

// The bytes back from the text: \xHH is the byte, \ before any other
// character is that character.
std::string BytesFromFaithfulText(std::string_view text);

}  // namespace trovana
