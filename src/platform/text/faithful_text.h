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

// The walk that the faithful rule and the outputs built on it share, in one
// pass: the bytes cut into runs appended as they are and single pieces that
// `escape(out, piece, invalid)` writes instead: a byte that is not
// well-formed UTF-8 (`invalid`), the backslash, and each ASCII byte or
// UTF-8 sequence for which `special(piece)` is true.
template <class Special, class Escape>
void AppendEscapedText(std::string& out, std::string_view bytes, Special special, Escape escape)
{
    size_t plain = 0;  // start of the run not yet appended
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const size_t length = c < 0x80 ? 1 : Utf8SequenceLength(bytes.substr(i));
        const std::string_view piece = bytes.substr(i, length > 0 ? length : 1);
        if (length > 0 && c != '\\' && !special(piece)) {
            i += length;
            continue;
        }
        out.append(bytes.substr(plain, i - plain));
        escape(out, piece, length == 0);
        i += piece.size();
        plain = i;
    }
    out.append(bytes.substr(plain));
}
void AppendFaithfulText(std::string& out, std::string_view bytes);
std::string FaithfulText(std::string_view bytes);

// The bytes back from the text: \xHH is the byte, \ before any other
// character is that character.
std::string BytesFromFaithfulText(std::string_view text);

}  // namespace trovana
