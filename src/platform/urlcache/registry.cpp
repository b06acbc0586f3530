// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry.h"

#include "ascii.h"
#include "read_file.h"
#include "lines.h"
#include "path_case.h"
#include "utf8.h"

#include <algorithm>

namespace trovana::urlcache {

namespace {

// Turns UTF-16 code units into UTF-8, pairing surrogates; a lone surrogate
// becomes U+FFFD.
class Utf16ToUtf8 {
public:
    explicit Utf16ToUtf8(std::string& out) : m_out(out) {}
    ~Utf16ToUtf8() { Flush(); }
    void Unit(char16_t unit)
    {
        if (m_high != 0 && unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendUtf8(m_out, 0x10000 + ((char32_t(m_high) - 0xD800) << 10) + (unit - 0xDC00));
            m_high = 0;
            return;
        }
        Flush();
        if (unit >= 0xD800 && unit <= 0xDBFF)
            m_high = unit;
        else
            AppendUtf8(m_out, (unit >= 0xDC00 && unit <= 0xDFFF) ? 0xFFFD : unit);
    }
    void Flush()
    {
        if (m_high != 0)
            AppendUtf8(m_out, 0xFFFD);
        m_high = 0;
    }

private:
    std::string& m_out;
    char16_t m_high = 0;
};

// Wine writes strings with C escapes: \\ \" \[ \] escape themselves, \a \b \e
// \f \n \r \t \v are control characters, \NNN (octal, up to 3 digits) and
// \xNNNN (hex, up to 4 digits: one UTF-16 unit) any other character; other
// text is UTF-8. Decodes from `pos` up to the unescaped `close` character and
// returns the position after it, or npos when the string is not closed.
size_t DecodeEscaped(std::string_view s, size_t pos, char close, std::string& out)
{
    Utf16ToUtf8 units(out);
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == close)
            return pos;
        if (c != '\\' || pos == s.size()) {
            units.Flush();
            out += c;  // UTF-8 bytes pass through unchanged
            continue;
        }
        char e = s[pos++];
        if (e == 'x' && pos < s.size() && HexDigitValue(s[pos]) >= 0) {
            unsigned value = 0;
            for (int i = 0; i < 4 && pos < s.size() && HexDigitValue(s[pos]) >= 0; ++i)
                value = value * 16 + static_cast<unsigned>(HexDigitValue(s[pos++]));
            units.Unit(static_cast<char16_t>(value));
            continue;
        }
        if (e >= '0' && e <= '7') {
            unsigned value = static_cast<unsigned>(e - '0');
            for (int i = 0; i < 2 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++i)
                value = value * 8 + static_cast<unsigned>(s[pos++] - '0');
            units.Unit(static_cast<char16_t>(value));
            continue;
        }
        static constexpr std::string_view kLetters = "abefnrtv";
        static constexpr std::string_view kControls = "\a\b\x1b\f\n\r\t\v";
        size_t letter = kLetters.find(e);
        units.Flush();
        out += letter == std::string_view::npos ? e : kControls[letter];
    }
    return std::string_view::npos;
}

// hex(N): data, "a1,00,b2,00": the raw UTF-16LE bytes of a string value that
// Wine could not write as text (for example one stored without its NUL).
std::optional<std::string> DecodeHexString(std::string_view hex)
{
    std::string bytes;
    size_t pos = 0;
    while (pos < hex.size()) {
        char c = hex[pos];
        if (c == ',' || c == '\\' || c == ' ' || c == '\t') {
            ++pos;
            continue;
        }
        if (pos + 1 >= hex.size() || HexDigitValue(c) < 0 || HexDigitValue(hex[pos + 1]) < 0)
            return std::nullopt;
        bytes += static_cast<char>(HexDigitValue(c) * 16 + HexDigitValue(hex[pos + 1]));
        pos += 2;
    }
    std::string out;
    {
        Utf16ToUtf8 units(out);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            units.Unit(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
}

bool IsStringType(uint32_t type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The data after '=': "text", str(N):"text" or hex(N):bytes; other types
// (dword:, hex:) give none.
std::optional<RegistryValue> ParseData(std::string_view data)
{
    RegistryValue value;
    bool hex = false;
    if (data.starts_with("str(") || data.starts_with("hex(")) {
        hex = data[0] == 'h';
        size_t close = data.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12)
            return std::nullopt;
        value.type = 0;
        for (char c : data.substr(4, close - 4)) {
            if (HexDigitValue(c) < 0)
                return std::nullopt;
            value.type = value.type * 16 + static_cast<uint32_t>(HexDigitValue(c));
        }
        data = data.substr(close + 2);
    }
    if (!IsStringType(value.type))
        return std::nullopt;
    if (hex) {
        auto text = DecodeHexString(data);
        if (!text)
            return std::nullopt;
        value.data = std::move(*text);
    } else if (!data.starts_with('"') || DecodeEscaped(data, 1, '"', value.data) == std::string_view::npos) {
        return std::nullopt;
    }
    // Wine drops the terminating NUL of a string; a hex-written one keeps it.
    while (!value.data.empty() && value.data.back() == '\0' && value.type != REG_MULTI_SZ)
        value.data.pop_back();
    return value;
}

}  // namespace

RegistryText RegistryText::Parse(std::string_view text, const std::vector<std::string>& keys)
{
    std::vector<std::string> wanted;
    for (const auto& key : keys)
        wanted.push_back(ToLowerAscii(key));

    RegistryText result;
    std::map<std::string, RegistryValue>* current = nullptr;
    std::string pending;  // a hex value continued on indented lines
    std::string joined;
    std::string_view line;
    while (NextLine(text, line)) {
        if (!pending.empty()) {
            if (line.starts_with(' ') || line.starts_with('\t')) {
                size_t first = line.find_first_not_of(" \t");
                if (first != std::string_view::npos)
                    pending += line.substr(first);
                if (line.ends_with('\\'))
                    continue;
                joined = std::move(pending);
                line = joined;
            }
            pending.clear();
        }
        if (line.starts_with('[')) {
            std::string name;
            current = nullptr;
            if (DecodeEscaped(line, 1, ']', name) == std::string_view::npos)
                continue;
            name = ToLowerAscii(name);
            if (wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end())
                current = &result.m_keys[name];
            continue;
        }
        if (current == nullptr || line.empty() || (line[0] != '"' && line[0] != '@'))
            continue;
        std::string name;
        size_t pos = 1;
        if (line[0] == '"' && (pos = DecodeEscaped(line, 1, '"', name)) == std::string_view::npos)
            continue;
        if (pos >= line.size() || line[pos] != '=')
            continue;
        std::string_view data = line.substr(pos + 1);
        if (data.starts_with("hex") && data.ends_with('\\')) {
            pending = line;
            continue;
        }
        if (auto value = ParseData(data))
            (*current)[ToLowerAscii(name)] = std::move(*value);
    }
    return result;
}

std::optional<RegistryText> RegistryText::Load(const std::filesystem::path& file, const std::vector<std::string>& keys)
{
    // A hostile prefix may put a FIFO (whose open would wait for a writer) or
    // a device such as /dev/zero (endless) in place of the file: only a
    // regular file of a size Wine could have written is read.
    constexpr uint64_t kLargestRegistry = 256 * 1024 * 1024;
    std::string text;
    try {
        text = fileio::ReadWholeFile(file, kLargestRegistry);
    } catch (const fileio::FileReadError&) {
        return std::nullopt;
    }
    return Parse(text, keys);
}

bool RegistryText::HasKey(std::string_view key) const
{
    return m_keys.contains(ToLowerAscii(key));
}

const RegistryValue* RegistryText::Value(std::string_view key, std::string_view name) const
{
    auto found = m_keys.find(ToLowerAscii(key));
    if (found == m_keys.end())
        return nullptr;
    auto value = found->second.find(ToLowerAscii(name));
    return value == found->second.end() ? nullptr : &value->second;
}

}  // namespace trovana::urlcache
