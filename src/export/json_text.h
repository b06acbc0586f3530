// SPDX-License-Identifier: GPL-3.0-or-later
// JSON text of row values, appended to a buffer that the caller reuses from
// row to row: byte strings as their decoded text (faithful_text.h) escaped
// as nlohmann-json escapes strings (\" \\ \b \f \n \r \t, other controls as
// \u00xx, everything else as it is), numbers in decimal, lists as arrays,
// null as null. In an object, a byte string that is not UTF-8 is followed
// by `<name>_hex`, its bytes in hex.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export_row.h"

namespace trovana::exporting {

// Appends a number in decimal.
void AppendNumber(std::string& out, uint64_t number);
void AppendNumber(std::string& out, int64_t number);

class JsonText {
public:
    explicit JsonText(std::string& out) : m_out(out) {}
    JsonText(const JsonText&) = delete;
    JsonText& operator=(const JsonText&) = delete;

    void AppendString(std::string_view bytes);
    void AppendValue(const ExportValue& value);
    // The row as one JSON object, without a line end.
    void AppendObject(const ExportRow& row);

private:
    // A column's name and its JSON text with the colon, kept from the last
    // object (rows of one listing have the same names). Text that fits is
    // copied as a whole array, a few moves rather than a call.
    struct Key {
        static constexpr size_t kFixed = 32;
        std::string_view name;
        std::array<char, kFixed> fixed{};
        std::string text;
    };
    // The keys of the row's columns.
    void MakeKeys(const ExportRow& row);

    std::string& m_out;
    std::vector<Key> m_keys;
    // The object's text, written here first: room made in m_out itself
    // would be filled with zeros each time.
    std::vector<char> m_scratch;
};

}  // namespace trovana::exporting
