// SPDX-License-Identifier: GPL-3.0-or-later
#include "faithful_text.h"

#include "ascii.h"

#include <cerrno>
#include <iconv.h>

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

bool IsUtf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

namespace {

// Windows-1252's bytes 0x80 to 0x9F; the rest are Latin-1's.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kReplacement = 0xFFFD;

// The other code pages through the C library's converter (glibc knows each
// as CPnnn); a byte it cannot convert becomes U+FFFD and the rest goes on.
std::string ConvertWithIconv(std::string_view bytes, const std::string& codePage)
{
    std::string out;
    iconv_t converter = iconv_open("UTF-8", codePage.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (const char c : bytes)
            AppendUtf8(out, static_cast<unsigned char>(c) < 0x80 ? static_cast<char32_t>(c) : kReplacement);
        return out;
    }
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    std::string buffer(input.size() * 4 + 16, '\0');
    while (inLeft > 0) {
        char* at = buffer.data();
        size_t outLeft = buffer.size();
        const size_t done = iconv(converter, &in, &inLeft, &at, &outLeft);
        out.append(buffer.data(), static_cast<size_t>(at - buffer.data()));
        if (done == static_cast<size_t>(-1) && inLeft > 0 && errno != E2BIG) {
            AppendUtf8(out, kReplacement);  // an undefined or cut-short sequence: its first byte
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return out;
}

CodePage& CurrentCodePage()
{
    static CodePage codePage = CodePage::Windows1252();
    return codePage;
}

}  // namespace

std::optional<CodePage> CodePage::Named(std::string_view name)
{
    static constexpr std::string_view kNames[] = {
        "ascii",        "windows-874",  "windows-932",  "windows-936",  "windows-949",
        "windows-950",  "windows-1250", "windows-1251", "windows-1252", "windows-1253",
        "windows-1254", "windows-1255", "windows-1256", "windows-1257", "windows-1258",
    };
    for (const std::string_view known : kNames) {
        if (EqualsIgnoreAsciiCase(name, known))
            return CodePage(std::string(known));
    }
    return std::nullopt;
}

std::string CodePage::ToUtf8(std::string_view bytes) const
{
    if (m_name == "windows-1252" || m_name == "ascii") {
        std::string out;
        out.reserve(bytes.size() * 2);
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80)
                out += c;
            else if (m_name == "ascii")
                AppendUtf8(out, kReplacement);
            else
                AppendUtf8(out, byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
        }
        return out;
    }
    return ConvertWithIconv(bytes, "CP" + m_name.substr(std::string_view("windows-").size()));
}

const CodePage& CacheCodePage()
{
    return CurrentCodePage();
}

void SetCacheCodePage(const CodePage& codePage)
{
    CurrentCodePage() = codePage;
}

std::string DecodedText(std::string_view bytes)
{
    return IsUtf8(bytes) ? std::string(bytes) : CacheCodePage().ToUtf8(bytes);
}

void AppendDecodedText(std::string& out, std::string_view bytes)
{
    if (IsUtf8(bytes))
        out.append(bytes);
    else
        out += CacheCodePage().ToUtf8(bytes);
}

std::string HexBytes(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0xF];
    }
    return hex;
}

}  // namespace trovana
