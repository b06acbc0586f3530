// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv.h"

#include "faithful_text.h"

namespace trovana {

namespace {

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

bool NeedsWork(std::string_view bytes)
{
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (IsControl(u) || u >= 0x80 || c == '\\' || c == ',' || c == '"') {
            return true;
        }
    }
    return false;
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view bytes)
{
    constexpr std::string_view kFormulaStarts = "=+-@\t\r'";
    const bool guard = !bytes.empty() && kFormulaStarts.find(bytes.front()) != std::string_view::npos;
    // The escapes add no comma or quote, so the bytes tell whether to quote.
    const bool quote = bytes.find_first_of(",\"") != std::string_view::npos;
    if (quote) {
        out += '"';
    }
    if (guard) {
        out += '\'';
    }
    if (!NeedsWork(bytes)) {  // the common case: plain ASCII
        out.append(bytes);
    } else {
        // The faithful text with the controls escaped too, in one pass:
        // those of ASCII, DEL, and U+0080 to U+009F (C2 80 to C2 9F).
        AppendEscapedText(
            out, bytes,
            [](std::string_view piece) {
                const auto c = static_cast<unsigned char>(piece[0]);
                return (piece.size() == 1 && (IsControl(c) || c == '"')) ||
                       (piece.size() == 2 && c == 0xC2 && static_cast<unsigned char>(piece[1]) <= 0x9F);
            },
            [](std::string& text, std::string_view piece, bool invalid) {
                if (piece[0] == '\\' && !invalid) {
                    text += "\\\\";
                } else if (piece[0] == '"') {
                    text += "\"\"";
                } else {
                    for (const char c : piece) {
                        AppendHexEscape(text, static_cast<unsigned char>(c));
                    }
                }
            });
    }
    if (quote) {
        out += '"';
    }
}

std::string CsvField(std::string_view bytes)
{
    std::string field;
    AppendCsvField(field, bytes);
    return field;
}

std::string UnescapeCsvField(std::string_view field)
{
    if (field.starts_with('\''))
        field.remove_prefix(1);
    return BytesFromFaithfulText(field);
}

}  // namespace trovana
