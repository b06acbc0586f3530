// SPDX-License-Identifier: GPL-3.0-or-later
#include "faithful_text.h"

#include "ascii.h"

namespace trovana {

size_t Utf8SequenceLength(std::string_view s)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool IsFaithfulAsIs(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            if (c == '\\') {
                return false;
            }
            ++i;
            continue;
        }
        const size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

void AppendFaithfulText(std::string& out, std::string_view bytes)
{
    static constexpr StopBytes kNone = MakeStopBytes("", false);
    AppendEscapedText(
        out, bytes, kNone, [](std::string_view) { return false; },
        [](std::string& text, std::string_view piece, bool invalid) {
            if (invalid) {
                AppendHexEscape(text, static_cast<unsigned char>(piece.front()));
            } else {
                text += "\\\\";
            }
        });
}

std::string FaithfulText(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    AppendFaithfulText(text, bytes);
    return text;
}

std::string BytesFromFaithfulText(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            bytes += text[i];
        } else if (text[i + 1] == 'x' && i + 3 < text.size() && HexDigitValue(text[i + 2]) >= 0 &&
                   HexDigitValue(text[i + 3]) >= 0) {
            bytes += static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
            i += 3;
        } else {
            bytes += text[++i];
        }
    }
    return bytes;
}

}  // namespace trovana
