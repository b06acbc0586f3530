// SPDX-License-Identifier: GPL-3.0-or-later
// Changes to the content container cut short after each of their in-place
// writes, as a killed process would leave them, and what trovana-cache and
// Wine make of every such file. All files of all changes go through one
// Wine process.
#pragma once

#include "listing.h"
#include "wine_session.h"
#include "write_replay.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace interop {

// What a cut-short file must show: every entry but `changed` as in
// `others`, and `changed` absent or equal to one of `versions`.
struct PointRule {
    Listing others;
    std::string changed;
    std::vector<Entry> versions;
};

// What Wine showed for one file.
struct WinePoint {
    Listing listing;
    std::optional<Entry> lookup;  // GetUrlCacheEntryInfoA's entry of the changed URL
    uint32_t lookupError = 0;
};

// wininet_replay's output, one point per file; throws std::runtime_error
// on a line it does not expect.
std::vector<WinePoint> ParseReplay(const std::string& out);

// What is wrong with a listing under the rule; empty when the point survived.
std::vector<std::string> ListingProblems(const Listing& listing, const PointRule& rule);
// The same for Wine's listing, and Wine's lookup must agree with it.
std::vector<std::string> WinePointProblems(const WinePoint& point, const PointRule& rule);

struct Tally {
    std::string change;
    size_t tried = 0;
    size_t survivedTrovana = 0;
    size_t survivedWine = 0;
};

class InterruptedChanges {
public:
    InterruptedChanges(const WineSession& session, std::filesystem::path contentFolder);

    // Makes the change for real (Wine must not be running), then checks
    // trovana-cache's listing of the file after each prefix of its writes.
    // Returns false, with a test failure, when the change itself failed.
    bool Apply(const std::string& name, const std::string& url, const trovana::urlcache::test::Change& change);
    // Runs Wine once over every file of every change applied so far.
    void CheckWithWine();

    const std::vector<Tally>& Tallies() const { return m_tallies; }

private:
    struct Point {
        std::filesystem::path file;
        size_t rule = 0;
    };

    void WriteIndex(const std::vector<uint8_t>& bytes) const;
    // trovana-cache's listing; a warning (a container it would only read)
    // is a problem too.
    Listing TrovanaList(std::vector<std::string>& problems) const;

    const WineSession& m_session;
    std::filesystem::path m_folder;
    std::vector<PointRule> m_rules;  // one per change
    std::vector<Point> m_points;
    std::vector<Tally> m_tallies;  // one per change
};

}  // namespace interop
