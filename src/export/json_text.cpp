// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

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

// The most room a value's text takes: a byte becomes at most six (\u00xx;
// a byte read in a code page at most three),
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

// The writers below take the text where it goes on and return it where it
// ends: the pointer stays in a register across a row's hundred pieces.

template <typename Number>
RawText WriteNumber(RawText out, Number number)
{
    if (static_cast<uint64_t>(number) < 10) {      // a negative number is not
        out.put(static_cast<char>('0' + number));  // most counts, sizes and times of a row are 0
    } else {
        out.at = std::to_chars(out.at, out.at + kNumberRoom, number).ptr;
    }
    return out;
}

RawText WriteString(RawText text, std::string_view bytes)
{
    // The decoded text (faithful_text.h), escaped for JSON in the same pass:
    // the quote, the backslash and the control bytes.
    static constexpr char kHex[] = "0123456789abcdef";
    static constexpr StopBytes kEscaped = MakeStopBytes("\"", true);
    std::string decoded;
    if (!IsUtf8(bytes)) {
        decoded = CacheCodePage().ToUtf8(bytes);
        bytes = decoded;
    }
    text.put('"');
    AppendEscapedText(
        text, bytes, kEscaped, [](std::string_view) { return false; },
        [](RawText& out, std::string_view piece, bool) {
            const auto c = static_cast<unsigned char>(piece.front());
            switch (c) {
            case '\\': out.append("\\\\", 2); break;
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
    return text;
}

// After a byte string whose text does not give back its bytes (they are
// not UTF-8): the field `<name>_hex` with the bytes in hex.
RawText WriteHexField(RawText out, std::string_view name, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append(",\"", 2);
    out.append(name);
    out.append("_hex\":\"", 7);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.put(kHex[byte >> 4]);
        out.put(kHex[byte & 0xF]);
    }
    out.put('"');
    return out;
}

// The room WriteHexField may take.
size_t HexFieldRoom(std::string_view name, const ExportValue& value)
{
    const auto* bytes = std::get_if<std::string>(&value);
    return bytes ? name.size() + 12 + bytes->size() * 2 : 0;
}

RawText WriteValue(RawText out, const ExportValue& value)
{
    if (const auto* number = std::get_if<uint64_t>(&value)) {
        return WriteNumber(out, *number);
    }
    if (const auto* bytes = std::get_if<std::string>(&value)) {
        return WriteString(out, *bytes);
    }
    if (const auto* signedNumber = std::get_if<int64_t>(&value)) {
        return WriteNumber(out, *signedNumber);
    }
    if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        out.put('[');
        for (size_t i = 0; i < list->size(); ++i) {
            if (i > 0) {
                out.put(',');
            }
            out = WriteString(out, (*list)[i]);
        }
        out.put(']');
        return out;
    }
    out.append("null", 4);
    return out;
}

}  // namespace

void AppendNumber(std::string& out, uint64_t number)
{
    AppendRaw(out, kNumberRoom, [number](RawText& text) { text = WriteNumber(text, number); });
}

void AppendNumber(std::string& out, int64_t number)
{
    AppendRaw(out, kNumberRoom, [number](RawText& text) { text = WriteNumber(text, number); });
}

void JsonText::AppendString(std::string_view bytes)
{
    AppendRaw(m_out, StringRoom(bytes), [bytes](RawText& text) { text = WriteString(text, bytes); });
}

void JsonText::AppendValue(const ExportValue& value)
{
    AppendRaw(m_out, ValueRoom(value), [&value](RawText& text) { text = WriteValue(text, value); });
}

void JsonText::MakeKeys(const ExportRow& row)
{
    m_keys.resize(row.size());
    for (size_t i = 0; i < row.size(); ++i) {
        Key& key = m_keys[i];
        key.name = row[i].name;
        key.text.clear();
        JsonText(key.text).AppendString(key.name);
        key.text += ':';
        std::copy_n(key.text.data(), std::min(key.text.size(), Key::kFixed), key.fixed.begin());
    }
}

void JsonText::AppendObject(const ExportRow& row)
{
    // Names are static text: the same column has the same pointer from row
    // to row, and the keys are made again only when a name differs.
    bool same = row.size() == m_keys.size();
    size_t room = 2;
    for (size_t i = 0; i < row.size(); ++i) {
        same = same && m_keys[i].name.data() == row[i].name.data() && m_keys[i].name.size() == row[i].name.size();
        room += ValueRoom(row[i].value) + HexFieldRoom(row[i].name, row[i].value);
    }
    if (!same) {
        MakeKeys(row);
    }
    for (const Key& key : m_keys) {
        room += std::max(key.text.size(), Key::kFixed) + 1;
    }
    if (m_scratch.size() < room) {
        m_scratch.resize(room);
    }
    RawText text{m_scratch.data()};
    text.put('{');
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) {
            text.put(',');
        }
        const Key& key = m_keys[i];
        if (key.text.size() <= Key::kFixed) {
            std::memcpy(text.at, key.fixed.data(), Key::kFixed);  // the bytes past the key are written over next
            text.at += key.text.size();
        } else {
            text.append(key.text);
        }
        text = WriteValue(text, row[i].value);
        if (const auto* bytes = std::get_if<std::string>(&row[i].value); bytes && !IsUtf8(*bytes)) {
            text = WriteHexField(text, row[i].name, *bytes);
        }
    }
    text.put('}');
    m_out.append(m_scratch.data(), static_cast<size_t>(text.at - m_scratch.data()));
}

}  // namespace trovana::exporting
