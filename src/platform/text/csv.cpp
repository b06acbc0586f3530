// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv.h"

namespace trovana {

namespace {

void AppendHexByte(std::string& out, unsigned char c)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 0xF];
}

bool IsControl(unsigned char c, CsvEscaping escaping)
{
    const bool kept = escaping == CsvEscaping::Plain && (c == '\t' || c == '\r' || c == '\n');
    return (c < 0x20 && !kept) || c == 0x7F;
}

}  // namespace

std::string CsvField(std::string_view bytes, CsvEscaping escaping)
{
    const bool reversible = escaping == CsvEscaping::Reversible;
    std::string text;
    text.reserve(bytes.size() + 1);
    const std::string_view formulaStarts = reversible ? "=+-@'" : "=+-@";
    if (!bytes.empty() && formulaStarts.find(bytes.front()) != std::string_view::npos)
        text += '\'';
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
            AppendHexByte(text, c);
            AppendHexByte(text, next);
            ++i;
        } else if (IsControl(c, escaping)) {
            AppendHexByte(text, c);
        } else if (c == '\\' && reversible) {
            text += "\\\\";
        } else {
            text += static_cast<char>(c);
        }
    }
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string UnescapeCsvField(std::string_view field)
{
    if (field.starts_with('\''))
        field.remove_prefix(1);
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 >= field.size()) {
            text += field[i];
        } else if (field[i + 1] == 'x' && i + 3 < field.size()) {
            text += static_cast<char>(std::stoi(std::string(field.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            text += field[++i];
        }
    }
    return text;
}

}  // namespace trovana
