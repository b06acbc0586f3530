// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_text.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "faithful_text.h"

namespace trovana::exporting {

namespace {

template <typename Number>
void AppendDigits(std::string& out, Number number)
{
    char digits[24];
    out.append(digits, std::to_chars(std::begin(digits), std::end(digits), number).ptr);
}

}  // namespace

void AppendNumber(std::string& out, uint64_t number)
{
    AppendDigits(out, number);
}

void AppendNumber(std::string& out, int64_t number)
{
    AppendDigits(out, number);
}

void JsonText::AppendString(std::string_view bytes)
{
    // The faithful text, escaped for JSON in the same pass: the quote, the
    // backslash of the faithful text's own escapes, and the control bytes.
    static constexpr char kHex[] = "0123456789abcdef";
    m_out += '"';
    static constexpr StopBytes kEscaped = MakeStopBytes("\"", true);
    AppendEscapedText(
        m_out, bytes, kEscaped, [](std::string_view) { return false; },
        [](std::string& out, std::string_view piece, bool invalid) {
            const auto c = static_cast<unsigned char>(piece.front());
            if (invalid) {
                out += '\\';  // the faithful \xHH, its backslash escaped
                AppendHexEscape(out, c);
                return;
            }
            switch (c) {
            case '\\': out += "\\\\\\\\"; break;  // the faithful \\, each backslash escaped
            case '"': out += "\\\""; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            default:
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            }
        });
    m_out += '"';
}

void JsonText::AppendValue(const ExportValue& value)
{
    if (const auto* number = std::get_if<uint64_t>(&value)) {
        AppendNumber(m_out, *number);
    } else if (const auto* signedNumber = std::get_if<int64_t>(&value)) {
        AppendNumber(m_out, *signedNumber);
    } else if (const auto* bytes = std::get_if<std::string>(&value)) {
        AppendString(*bytes);
    } else if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        m_out += '[';
        for (size_t i = 0; i < list->size(); ++i) {
            if (i > 0) {
                m_out += ',';
            }
            AppendString((*list)[i]);
        }
        m_out += ']';
    } else {
        m_out += "null";
    }
}

void JsonText::AppendObject(const ExportRow& row)
{
    m_out += '{';
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) {
            m_out += ',';
        }
        if (i >= m_keys.size() || m_keys[i].first != row[i].name) {
            m_keys.resize(std::max(m_keys.size(), i + 1));
            m_keys[i].first = row[i].name;
            JsonText key(m_keys[i].second);
            m_keys[i].second.clear();
            key.AppendString(row[i].name);
            m_keys[i].second += ':';
        }
        m_out += m_keys[i].second;
        AppendValue(row[i].value);
    }
    m_out += '}';
}

}  // namespace trovana::exporting
