// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv.h"

#include "faithful_text.h"

namespace trovana {

namespace {

// U+2400 + c for the C0 control c, U+2421 for DEL, U+FFFD for a C1 control.
void AppendControlSymbol(std::string& out, std::string_view piece)
{
    const auto c = static_cast<unsigned char>(piece.back());
    if (piece.size() == 2) {
        out += "\xEF\xBF\xBD";
    } else if (c == 0x7F) {
        out += "\xE2\x90\xA1";
    } else {
        out += "\xE2\x90";
        out += static_cast<char>(0x80 + c);
    }
}

bool IsC1(std::string_view sequence)
{
    return sequence.size() == 2 && sequence[0] == '\xC2' && static_cast<unsigned char>(sequence[1]) <= 0x9F;
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view bytes)
{
    constexpr std::string_view kFormulaStarts = "=+-@\t\r'";
    const size_t start = out.size();
    if (!bytes.empty() && kFormulaStarts.find(bytes.front()) != std::string_view::npos) {
        out += '\'';
    }
    std::string decoded;
    if (!IsUtf8(bytes)) {
        decoded = CacheCodePage().ToUtf8(bytes);
        bytes = decoded;
    }
    // One pass over the text: controls (those of ASCII, DEL, and U+0080 to
    // U+009F) shown as symbols, but TAB, CR and LF; a comma, a quote
    // (doubled) or a line break asks for quotes around the field.
    static constexpr StopBytes kEscaped = MakeStopBytes("\",\x7F", true);
    bool quote = false;
    AppendEscapedText(out, bytes, kEscaped, IsC1, [&quote](std::string& text, std::string_view piece, bool) {
        const char c = piece[0];
        if (c == '\\') {
            text += c;
        } else if (c == '"' || c == ',' || c == '\r' || c == '\n') {
            quote = true;
            text.append(c == '"' ? "\"\"" : std::string_view(&c, 1));
        } else if (c == '\t') {
            text += c;
        } else {
            AppendControlSymbol(text, piece);
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

std::string TextWithControlSymbols(std::string_view bytes)
{
    std::string decoded;
    if (!IsUtf8(bytes)) {
        decoded = CacheCodePage().ToUtf8(bytes);
        bytes = decoded;
    }
    static constexpr StopBytes kControls = MakeStopBytes("\x7F", true);
    std::string text;
    AppendEscapedText(text, bytes, kControls, IsC1, [](std::string& out, std::string_view piece, bool) {
        if (piece[0] == '\\' || piece[0] == '\t' || piece[0] == '\r' || piece[0] == '\n')
            out += piece[0];
        else
            AppendControlSymbol(out, piece);
    });
    return text;
}

bool CsvNeedsHex(std::string_view bytes)
{
    if (!IsUtf8(bytes))
        return true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F || IsC1(bytes.substr(i, 2)))
            return true;
    }
    return false;
}

std::string UnescapeCsvField(std::string_view field)
{
    if (field.starts_with('\''))
        field.remove_prefix(1);
    return std::string(field);
}

}  // namespace trovana
