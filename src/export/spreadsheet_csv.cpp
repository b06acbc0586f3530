#include "spreadsheet_csv.h"

namespace trovana::exporting {

std::string SpreadsheetCsvField(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    if (!text.empty() && std::string_view("=+-@'").find(text.front()) != std::string_view::npos) {
        escaped += '\'';
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        } else if (c == '\\') {
            escaped += "\\\\";
        } else {
            escaped += c;
        }
    }
    if (escaped.find_first_of(",\"") == std::string::npos) {
        return escaped;
    }
    std::string quoted = "\"";
    for (const char c : escaped) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string UnescapeSpreadsheetField(std::string_view field)
{
    if (field.starts_with('\'')) {
        field.remove_prefix(1);
    }
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

}  // namespace trovana::exporting
