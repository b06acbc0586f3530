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
    // Most URLs and names are printable ASCII without quote or backslash,
    // which JSON and the byte-faithful rule both keep as they are.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; })) {
        m_out += '"';
        m_out.append(bytes);
        m_out += '"';
        return;
    }
    auto& text = m_text.get_ref<nlohmann::json::string_t&>();
    text.clear();
    AppendFaithfulText(text, bytes);
    m_serializer.dump(m_text, false, false, 0);
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
        AppendString(row[i].name);
        m_out += ':';
        AppendValue(row[i].value);
    }
    m_out += '}';
}

}  // namespace trovana::exporting
