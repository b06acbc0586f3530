// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/cache_address.h"

#include <array>

#include "ascii.h"

namespace trovana::listview {

namespace {
constexpr std::string_view kPrefix = "trovana-";
constexpr std::string_view kEntryScheme = "trovana-entry:";
// The schemes whose URLs keep their shape under the program's scheme.
constexpr std::array<std::string_view, 3> kMappedSchemes = {"http", "https", "ftp"};

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

std::string PercentDecode(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexDigitValue(text[i + 1]);
            const int low = HexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

// The mapped scheme that url starts with ("http" for "HTTP://x"), if any.
std::string_view MappedScheme(std::string_view url)
{
    for (std::string_view scheme : kMappedSchemes) {
        if (url.size() > scheme.size() + 3 && ToLowerAscii(url.substr(0, scheme.size())) == scheme &&
            url.substr(scheme.size(), 3) == "://")
            return scheme;
    }
    return {};
}

// True when the address at position i of a page or style sheet is a
// reference: an attribute value, url(), @import or srcset item, that is
// after a quote, '=', '(' or ',' and any blanks.
bool StartsReference(std::string_view text, std::size_t i)
{
    while (i > 0 && (text[i - 1] == ' ' || text[i - 1] == '\t' || text[i - 1] == '\r' || text[i - 1] == '\n'))
        --i;
    return i > 0 && std::string_view("\"'=(,").find(text[i - 1]) != std::string_view::npos;
}

void AppendEscaped(std::string& text, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    text += '%';
    text += kHex[c >> 4];
    text += kHex[c & 15];
}
}  // namespace

const std::vector<std::string>& CacheSchemes()
{
    static const std::vector<std::string> schemes = [] {
        std::vector<std::string> names;
        for (std::string_view scheme : kMappedSchemes)
            names.push_back(std::string(kPrefix).append(scheme));
        names.emplace_back(kEntryScheme.substr(0, kEntryScheme.size() - 1));
        return names;
    }();
    return schemes;
}

std::string CacheAddress(std::string_view url)
{
    const std::string_view scheme = MappedScheme(url);
    if (!scheme.empty()) {
        // Blanks, controls and bytes beyond ASCII escaped: the address is
        // ASCII whatever code page the cache's URL bytes are in.
        std::string address = std::string(kPrefix).append(scheme);
        for (unsigned char c : url.substr(scheme.size())) {
            if (c <= 0x20 || c >= 0x7F)
                AppendEscaped(address, c);
            else
                address += static_cast<char>(c);
        }
        return address;
    }
    std::string address(kEntryScheme);
    for (unsigned char c : url) {
        if (IsUnreserved(c))
            address += static_cast<char>(c);
        else
            AppendEscaped(address, c);
    }
    return address;
}

std::vector<std::string> CacheUrlsOf(std::string_view address)
{
    if (address.starts_with(kEntryScheme))
        return {PercentDecode(address.substr(kEntryScheme.size()))};
    if (!address.starts_with(kPrefix))
        return {};
    std::string_view rest = address.substr(kPrefix.size());
    if (MappedScheme(rest).empty())
        return {};
    // A fragment names a place in the page, never part of the cached URL.
    if (const auto hash = rest.find('#'); hash != std::string_view::npos)
        rest = rest.substr(0, hash);
    std::vector<std::string> urls{std::string(rest)};
    std::string decoded = PercentDecode(rest);
    if (decoded != urls.front())
        urls.push_back(std::move(decoded));
    return urls;
}

std::string MapAbsoluteReferences(std::string_view text)
{
    std::string mapped;
    mapped.reserve(text.size() + text.size() / 64);
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == 'h' || c == 'H' || c == 'f' || c == 'F') {
            const std::string_view scheme = MappedScheme(text.substr(i, 12));
            if (!scheme.empty() && StartsReference(text, i)) {
                mapped.append(kPrefix).append(scheme);
                i += scheme.size();
                continue;
            }
        }
        mapped += c;
        ++i;
    }
    return mapped;
}

}  // namespace trovana::listview
