// SPDX-License-Identifier: GPL-3.0-or-later
// Cache listings as JSON lines (`trovana-cache list --format jsonl` and the
// WinINet client's `list`), and their comparison.
#pragma once

#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace interop {

using Entry = nlohmann::json;
using Listing = std::vector<Entry>;

// One JSON object per line; throws nlohmann::json::exception on bad input.
Listing ParseJsonLines(const std::string& text);

// The entry as both sides must agree on it: the local path resolved to its
// canonical form (Wine gives it through dosdevices/c:), and the Windows form
// of the path that only the client prints dropped.
Entry Comparable(Entry entry);
Listing Comparable(Listing listing);

// Compares entry by entry: missing and unexpected URLs, differing fields,
// and the first place where the order differs. One line per difference
// (at most a screenful); empty when the listings are equal.
std::vector<std::string> Differences(const Listing& expected, const Listing& actual);

// The listing without the entries of these URLs, order kept.
Listing Without(const Listing& listing, const std::set<std::string>& urls);

// The entry of this URL, or null.
const Entry* Find(const Listing& listing, std::string_view url);

}  // namespace interop
