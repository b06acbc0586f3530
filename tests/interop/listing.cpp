// SPDX-License-Identifier: GPL-3.0-or-later
#include "listing.h"

#include <filesystem>
#include <map>
#include <sstream>

#include "faithful_text.h"

namespace interop {
namespace {

constexpr size_t kMaxReported = 25;

// Trovana writes bytes that are not UTF-8 as \xHH (its one byte rule); the
// WinINet client writes them as Windows-1252 read into UTF-8. Both sides
// become the latter, so that the same bytes compare equal (the test's URLs
// use no byte where Windows-1252 and Latin-1 differ).
std::string AsWindowsText(const std::string& text)
{
    // Only Trovana's side escapes (the client writes a backslash alone).
    if (text.find("\\\\") == std::string::npos && text.find("\\x") == std::string::npos)
        return text;
    const std::string bytes = trovana::BytesFromFaithfulText(text);
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = trovana::Utf8SequenceLength(std::string_view(bytes).substr(i));
        if (length == 0) {
            std::string utf8;
            for (const unsigned char byte : bytes) {
                if (byte < 0x80) {
                    utf8 += static_cast<char>(byte);
                } else {
                    utf8 += static_cast<char>(0xC0 | (byte >> 6));
                    utf8 += static_cast<char>(0x80 | (byte & 0x3F));
                }
            }
            return utf8;
        }
        i += length;
    }
    return bytes;
}

std::string Url(const Entry& entry)
{
    return entry.value("url", std::string("<no url>"));
}

std::map<std::string, size_t> IndexByUrl(const Listing& listing, std::vector<std::string>& problems, const char* side)
{
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < listing.size(); ++i) {
        if (!index.emplace(Url(listing[i]), i).second)
            problems.push_back(std::string(side) + " lists twice: " + Url(listing[i]));
    }
    return index;
}

void CompareFields(const Entry& expected, const Entry& actual, std::vector<std::string>& problems)
{
    std::set<std::string> keys;
    for (const auto& item : expected.items())
        keys.insert(item.key());
    for (const auto& item : actual.items())
        keys.insert(item.key());
    for (const auto& key : keys) {
        const Entry want = expected.contains(key) ? expected[key] : Entry("<absent>");
        const Entry got = actual.contains(key) ? actual[key] : Entry("<absent>");
        if (want != got)
            problems.push_back(Url(expected) + ": " + key + " expected " + want.dump() + ", got " + got.dump());
    }
}

}  // namespace

Listing ParseJsonLines(const std::string& text)
{
    Listing listing;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            listing.push_back(Entry::parse(line));
    }
    return listing;
}

Entry Comparable(Entry entry)
{
    entry.erase("local_windows");
    for (const char* text : {"url", "header"}) {
        if (entry.contains(text) && entry[text].is_string())
            entry[text] = AsWindowsText(entry[text].get<std::string>());
    }
    // Trovana's own provenance fields, which WinINet's enumeration has not.
    for (const char* own : {"container", "expire_dos", "source_tz", "local_time_fit", "creation", "post_check"})
        entry.erase(own);
    if (entry.contains("local") && entry["local"].is_string()) {
        std::error_code ec;
        auto canonical = std::filesystem::weakly_canonical(entry["local"].get<std::string>(), ec);
        if (!ec)
            entry["local"] = canonical.string();
    }
    return entry;
}

Listing Comparable(Listing listing)
{
    for (auto& entry : listing)
        entry = Comparable(std::move(entry));
    return listing;
}

std::vector<std::string> Differences(const Listing& expected, const Listing& actual)
{
    std::vector<std::string> problems;
    auto expectedIndex = IndexByUrl(expected, problems, "expected listing");
    auto actualIndex = IndexByUrl(actual, problems, "actual listing");

    std::vector<std::string> expectedOrder;
    for (const auto& entry : expected) {
        auto found = actualIndex.find(Url(entry));
        if (found == actualIndex.end()) {
            problems.push_back("missing: " + Url(entry));
            continue;
        }
        expectedOrder.push_back(Url(entry));
        CompareFields(entry, actual[found->second], problems);
    }
    std::vector<std::string> actualOrder;
    for (const auto& entry : actual) {
        if (expectedIndex.count(Url(entry)))
            actualOrder.push_back(Url(entry));
        else
            problems.push_back("unexpected: " + Url(entry));
    }
    for (size_t i = 0; i < expectedOrder.size() && i < actualOrder.size(); ++i) {
        if (expectedOrder[i] != actualOrder[i]) {
            problems.push_back("order differs at entry " + std::to_string(i) + ": expected " + expectedOrder[i] +
                               ", got " + actualOrder[i]);
            break;
        }
    }
    if (problems.size() > kMaxReported) {
        size_t more = problems.size() - kMaxReported;
        problems.resize(kMaxReported);
        problems.push_back("... and " + std::to_string(more) + " more");
    }
    return problems;
}

Listing Without(const Listing& listing, const std::set<std::string>& urls)
{
    Listing rest;
    for (const auto& entry : listing) {
        if (!urls.count(Url(entry)))
            rest.push_back(entry);
    }
    return rest;
}

const Entry* Find(const Listing& listing, std::string_view url)
{
    for (const auto& entry : listing) {
        if (Url(entry) == url)
            return &entry;
    }
    return nullptr;
}

}  // namespace interop
