// SPDX-License-Identifier: GPL-3.0-or-later
#include "values.h"

#include "format.h"
#include "utf8.h"

namespace trovana::ese {

namespace {

// Windows-1252's bytes 0x80-0x9f; the rest are Latin-1. Undefined ones stay.
constexpr uint16_t kWestern80[32] = {0x20ac, 0x81,   0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
                                     0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8d,   0x017d, 0x8f,
                                     0x90,   0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
                                     0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x9d,   0x017e, 0x0178};

}  // namespace

uint64_t IntegerValue(const Column& column, std::string_view bytes)
{
    size_t width = 8;
    switch (column.type) {
    case ColumnType::Bit:
    case ColumnType::UnsignedByte: width = 1; break;
    case ColumnType::Short:
    case ColumnType::UnsignedShort: width = 2; break;
    case ColumnType::Long:
    case ColumnType::UnsignedLong:
    case ColumnType::IEEESingle: width = 4; break;
    default: break;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < width && i < bytes.size(); ++i)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

std::string Utf16ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at + 2 <= bytes.size(); at += 2) {
        uint32_t unit = ReadLE<uint16_t>(bytes, at);
        if (unit >= 0xd800 && unit < 0xdc00 && at + 4 <= bytes.size()) {
            const uint32_t low = ReadLE<uint16_t>(bytes, at + 2);
            if (low >= 0xdc00 && low < 0xe000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00));
                at += 2;
                continue;
            }
        }
        if (unit >= 0xd800 && unit < 0xe000)
            unit = 0xfffd;
        AppendUtf8(out, unit);
    }
    return out;
}

std::string TextValue(const Column& column, std::string_view bytes)
{
    std::string text;
    if (column.codePage == kCodePageUtf16) {
        text = Utf16ToUtf8(bytes);
    } else {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            AppendUtf8(text, byte >= 0x80 && byte < 0xa0 ? kWestern80[byte - 0x80] : byte);
        }
    }
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

}  // namespace trovana::ese
