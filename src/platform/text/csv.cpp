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
    if (!NeedsWork(bytes)) {  // the common case: plain ASCII
        if (guard) {
            out += '\'';
        }
        out.append(bytes);
        return;
    }
    std::string text;
    text.reserve(bytes.size() + 2);
    if (guard) {
        text += '\'';
    }
    std::string faithful;
    AppendFaithfulText(faithful, bytes);
    for (size_t i = 0; i < faithful.size(); ++i) {
        const auto c = static_cast<unsigned char>(faithful[i]);
        const auto next = i + 1 < faithful.size() ? static_cast<unsigned char>(faithful[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
            AppendHexEscape(text, c);
            AppendHexEscape(text, next);
            ++i;
        } else if (IsControl(c)) {
            AppendHexEscape(text, c);
        } else {
            text += static_cast<char>(c);
        }
    }
    if (text.find_first_of(",\"") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
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
