// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>

#include "faithful_text.h"

namespace trovana::exporting {

namespace {

// Text written through a pointer into room made beforehand: a row's JSON is
// a hundred small pieces, and every std::string append checks its capacity
// again.
struct RawText {
    char* at;

    void append(const char* bytes, size_t count)
    {
        std::memcpy(at, bytes, count);
        at += count;
    }
    void append(std::string_view text) { append(text.data(), text.size()); }
    void put(char c) { *at++ = c; }
};

// The most room a value's text takes: a byte becomes at most six (\u00xx),
// a number at most 20 digits and a sign.
constexpr size_t kNumberRoom = 24;

size_t StringRoom(std::string_view bytes)
{
    return bytes.size() * 6 + 2;
}

size_t ValueRoom(const ExportValue& value)
{
    if (const auto* bytes = std::get_if<std::string>(&value)) {
        return StringRoom(*bytes);
    }
    if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        size_t room = 2;
        for (const std::string& item : *list) {
            room += StringRoom(item) + 1;
        }
        return room;
    }
    return kNumberRoom;  // a number, or null
}

// Makes room for `room` more bytes at the end of `text`, lets `write` fill
// them through a RawText, and cuts the text to what was written.
template <class Write>
void AppendRaw(std::string& text, size_t room, Write write)
{
    const size_t start = text.size();
    text.resize(start + room);
    RawText out{text.data() + start};
    write(out);
    text.resize(static_cast<size_t>(out.at - text.data()));
}

template <typename Number>
void WriteNumber(RawText& out, Number number)
{
    out.at = std::to_chars(out.at, out.at + kNumberRoom, number).ptr;
}

void WriteString(RawText& text, std::string_view bytes)
{
    // The faithful text, escaped for JSON in the same pass: the quote, the
    // backslash of the faithful text's own escapes, and the control bytes.
    static constexpr char kHex[] = "0123456789abcdef";
    static constexpr StopBytes kEscaped = MakeStopBytes("\"", true);
    text.put('"');
    AppendEscapedText(
        text, bytes, kEscaped, [](std::string_view) { return false; },
        [](RawText& out, std::string_view piece, bool invalid) {
            const auto c = static_cast<unsigned char>(piece.front());
            if (invalid) {
                out.put('\\');  // the faithful \xHH, its backslash escaped
                AppendHexEscape(out, c);
                return;
            }
            switch (c) {
            case '\\': out.append("\\\\\\\\", 4); break;  // the faithful \\, each backslash escaped
            case '"': out.append("\\\"", 2); break;
            case '\b': out.append("\\b", 2); break;
            case '\t': out.append("\\t", 2); break;
            case '\n': out.append("\\n", 2); break;
            case '\f': out.append("\\f", 2); break;
            case '\r': out.append("\\r", 2); break;
            default: {
                const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
                out.append(escape, sizeof escape);
            }
            }
        });
    text.put('"');
}

void WriteValue(RawText& out, const ExportValue& value)
{
    if (const auto* number = std::get_if<uint64_t>(&value)) {
        WriteNumber(out, *number);
    } else if (const auto* signedNumber = std::get_if<int64_t>(&value)) {
        WriteNumber(out, *signedNumber);
    } else if (const auto* bytes = std::get_if<std::string>(&value)) {
        WriteString(out, *bytes);
    } else if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        out.put('[');
        for (size_t i = 0; i < list->size(); ++i) {
            if (i > 0) {
                out.put(',');
            }
            WriteString(out, (*list)[i]);
        }
        out.put(']');
    } else {
        out.append("null", 4);
    }
}

}  // namespace

void AppendNumber(std::string& out, uint64_t number)
{
    AppendRaw(out, kNumberRoom, [number](RawText& text) { WriteNumber(text, number); });
}

void AppendNumber(std::string& out, int64_t number)
{
    AppendRaw(out, kNumberRoom, [number](RawText& text) { WriteNumber(text, number); });
}

void JsonText::AppendString(std::string_view bytes)
{
    AppendRaw(m_out, StringRoom(bytes), [bytes](RawText& text) { WriteString(text, bytes); });
}

void JsonText::AppendValue(const ExportValue& value)
{
    AppendRaw(m_out, ValueRoom(value), [&value](RawText& text) { WriteValue(text, value); });
}

const std::string& JsonText::Key(size_t column, std::string_view name)
{
    // Names are static text: the same column has the same pointer from row
    // to row, so the bytes are compared only when it differs.
    if (column >= m_keys.size()) {
        m_keys.resize(column + 1);
    }
    auto& [cached, text] = m_keys[column];
    const bool same = (cached.data() == name.data() && cached.size() == name.size()) || cached == name;
    if (!same || text.empty()) {
        cached = name;
        text.clear();
        JsonText(text).AppendString(name);
        text += ':';
    }
    return text;
}

void JsonText::AppendObject(const ExportRow& row)
{
    size_t room = 2;
    for (size_t i = 0; i < row.size(); ++i) {
        room += Key(i, row[i].name).size() + 1 + ValueRoom(row[i].value);
    }
    AppendRaw(m_out, room, [&](RawText& text) {
        text.put('{');
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0) {
                text.put(',');
            }
            text.append(m_keys[i].second);
            WriteValue(text, row[i].value);
        }
        text.put('}');
    });
}

}  // namespace trovana::exporting
