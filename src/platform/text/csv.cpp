// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv.h"

#include "faithful_text.h"

namespace trovana {

void AppendCsvField(std::string& out, std::string_view bytes)
{
    constexpr std::string_view kFormulaStarts = "=+-@\t\r'";
    const size_t start = out.size();
    if (!bytes.empty() && kFormulaStarts.find(bytes.front()) != std::string_view::npos) {
        out += '\'';
    }
    // The faithful text with the controls escaped too, in one pass: those
    // of ASCII, DEL, and U+0080 to U+009F (C2 80 to C2 9F). A comma or a
    // quote (doubled) asks for quotes around the field.
    static constexpr StopBytes kEscaped = MakeStopBytes("\",\x7F", true);
    bool quote = false;
    AppendEscapedText(
        out, bytes, kEscaped,
        [](std::string_view sequence) {
            return sequence.size() == 2 && sequence[0] == '\xC2' && static_cast<unsigned char>(sequence[1]) <= 0x9F;
        },
        [&quote](std::string& text, std::string_view piece, bool invalid) {
            if (piece[0] == '\\' && !invalid) {
                text += "\\\\";
            } else if (piece[0] == '"' || piece[0] == ',') {
                quote = true;
                text.append(piece[0] == '"' ? "\"\"" : ",");
            } else {
                for (const char c : piece) {
                    AppendHexEscape(text, static_cast<unsigned char>(c));
                }
            }
        });
    if (quote) {
        out.insert(start, 1, '"');
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
