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

bool IsControl(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

}  // namespace

std::string CsvField(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + 1);
    if (!bytes.empty() && std::string_view("=+-@").find(bytes.front()) != std::string_view::npos)
        text += '\'';
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
            AppendHexByte(text, c);
            AppendHexByte(text, next);
            ++i;
        } else if (IsControl(c)) {
            AppendHexByte(text, c);
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

}  // namespace trovana
