// SPDX-License-Identifier: GPL-3.0-or-later
// The one rule by which the cache's byte strings become text in every output
// (the window, CSV, JSON lines, the HTML report, the CLI alike), as Windows,
// Wine's wide-character functions and msiecfexport show them: bytes that are
// well-formed UTF-8 are that text; any other string is read in the cache's
// code page (Windows-1252 unless the user names another), where WinINet's
// ANSI functions store it. A backslash is one backslash; nothing is escaped
// by this rule. Where the text does not give back the bytes (they were not
// UTF-8), outputs write the bytes in hex beside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "utf8.h"

namespace trovana {

// Length of the well-formed UTF-8 sequence that starts the bytes, 0 when they
// start with none. Overlong forms, surrogates and values above U+10FFFF are
// not well-formed (the table of well-formed byte sequences in Unicode's
// chapter 3), so a strict reader accepts whatever this keeps.
size_t Utf8SequenceLength(std::string_view bytes);

// True when the bytes are well-formed UTF-8 throughout (their text is
// themselves).
bool IsUtf8(std::string_view bytes);

// A Windows code page in which non-UTF-8 strings of the cache are read. The
// names are msiecfexport's (-c): ascii, windows-874, windows-932,
// windows-936, windows-949, windows-950, windows-1250 to windows-1258.
class CodePage {
public:
    static CodePage Windows1252() { return CodePage("windows-1252"); }
    // None for a name not in the list above (any case).
    static std::optional<CodePage> Named(std::string_view name);
    const std::string& Name() const { return m_name; }
    // The bytes read in this code page, as UTF-8. A byte (or sequence) the
    // code page does not define becomes U+FFFD; Windows-1252's five unused
    // bytes become U+0081 ... U+009D, as Windows' MultiByteToWideChar gives.
    std::string ToUtf8(std::string_view bytes) const;

private:
    explicit CodePage(std::string name) : m_name(std::move(name)) {}
    std::string m_name;
};

// The code page of the cache being shown, for every output: Windows-1252
// unless set (trovana-cache --codepage) before the first output.
const CodePage& CacheCodePage();
void SetCacheCodePage(const CodePage& codePage);

// The text of the bytes by the rule above, as UTF-8.
std::string DecodedText(std::string_view bytes);
void AppendDecodedText(std::string& out, std::string_view bytes);

// The bytes as lower-case hex digits, two a byte.
std::string HexBytes(std::string_view bytes);

// The bytes at which a walk of AppendEscapedText stops: every byte from
// 0x80 (the start of a UTF-8 sequence, or an invalid byte), the backslash,
// the controls 0x00 to 0x1F when an output escapes them, and up to three
// other ASCII bytes of the output. Kept twice: as a table by byte value
// (bytes 0 and 1, not bools, so that eight of them are or-ed without a
// branch), and as the comparisons that test sixteen bytes at once.
struct StopBytes {
    std::array<uint8_t, 0x100> table{};
    bool controls = false;
    std::array<char, 4> ascii{};  // the backslash and the output's bytes, the last repeated
};

// The stop bytes with the given ASCII bytes (at most three), and with
// `controls` 0x00 to 0x1F too.
constexpr StopBytes MakeStopBytes(std::string_view ascii, bool controls)
{
    if (ascii.size() + 1 > StopBytes{}.ascii.size())
        throw std::length_error("at most three ASCII stop bytes");  // in a constant expression: a compile error
    StopBytes stop{};
    stop.controls = controls;
    for (size_t c = 0; c < 0x100; ++c)
        stop.table[c] = (c >= 0x80 || c == '\\' || (controls && c < 0x20)) ? 1 : 0;
    stop.ascii.fill('\\');
    for (size_t i = 0; i < ascii.size(); ++i) {
        stop.table[static_cast<unsigned char>(ascii[i])] = 1;
        stop.ascii[i + 1] = ascii[i];
    }
    return stop;
}

// True when none of the sixteen bytes at `data` is a stop byte. Bytes from
// 0x80 are negative as signed chars, so one comparison finds them with the
// controls. (GCC's vector types: SSE2 on x86-64, NEON on ARM, plain code
// elsewhere.)
inline bool SixteenPlainBytes(const unsigned char* data, const StopBytes& stop)
{
    using Bytes = signed char __attribute__((vector_size(16)));
    Bytes bytes;
    std::memcpy(&bytes, data, sizeof bytes);
    const signed char below = stop.controls ? 0x20 : 0;
    const auto a0 = static_cast<signed char>(stop.ascii[0]), a1 = static_cast<signed char>(stop.ascii[1]),
               a2 = static_cast<signed char>(stop.ascii[2]), a3 = static_cast<signed char>(stop.ascii[3]);
    const Bytes hits = (bytes < below) | (bytes == a0) | (bytes == a1) | (bytes == a2) | (bytes == a3);
    uint64_t halves[2];
    std::memcpy(halves, &hits, sizeof halves);
    return (halves[0] | halves[1]) == 0;
}

// The walk that the faithful rule and the outputs built on it share, in one
// pass: the bytes cut into runs appended as they are and single pieces that
// `escape(out, piece, invalid)` writes instead: a byte that is not
// well-formed UTF-8 (`invalid`), the backslash, each ASCII byte of `stop`,
// and each longer UTF-8 sequence for which `specialSequence` is true. `out`
// is a std::string or any text with append(const char*, size_t).
template <class Out, class SpecialSequence, class Escape>
void AppendEscapedText(Out& out, std::string_view bytes, const StopBytes& stop,
                       SpecialSequence specialSequence, Escape escape)
{
    const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    size_t plain = 0;  // start of the run not yet appended
    size_t i = 0;
    while (true) {
        // Most bytes are plain ASCII: skip them sixteen, then eight at a time.
        while (i + 16 <= size && SixteenPlainBytes(data + i, stop))
            i += 16;
        const auto& table = stop.table;
        while (i + 8 <= size && !(table[data[i]] | table[data[i + 1]] | table[data[i + 2]] | table[data[i + 3]] |
                                  table[data[i + 4]] | table[data[i + 5]] | table[data[i + 6]] | table[data[i + 7]]))
            i += 8;
        while (i < size && !table[data[i]])
            ++i;
        if (i == size)
            break;
        size_t length = 1;
        if (data[i] >= 0x80) {
            length = Utf8SequenceLength(bytes.substr(i));
            if (length > 0 && !specialSequence(bytes.substr(i, length))) {
                i += length;
                continue;
            }
        }
        out.append(bytes.data() + plain, i - plain);
        escape(out, bytes.substr(i, length > 0 ? length : 1), length == 0);
        i += length > 0 ? length : 1;
        plain = i;
    }
    out.append(bytes.data() + plain, size - plain);
}

}  // namespace trovana
