// SPDX-License-Identifier: GPL-3.0-or-later
#include "listing.h"

#include <filesystem>
#include <map>
#include <sstream>


namespace interop {
namespace {

constexpr size_t kMaxReported = 25;

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
    // Both sides give text that is not UTF-8 as Windows-1252 read into
    // UTF-8 (the client as Latin-1: the test's URLs use no byte where the
    // two differ).
    entry.erase("local_windows");
    // Trovana's own fields, which WinINet's enumeration has not: provenance,
    // the WebCache database's, and the bytes beside text that is not UTF-8.
    for (const char* own : {"container", "expire_dos", "source_tz", "local_time_fit", "creation", "post_check", "flags", "file_name",
                            "file_present", "table", "entry_id", "cookie_name", "cookie_value", "url_hex",
                            "local_hex", "header_hex", "file_name_hex", "cookie_name_hex", "cookie_value_hex"})
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
