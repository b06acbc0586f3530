// SPDX-License-Identifier: GPL-3.0-or-later
#include "interrupted_writes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace interop {
namespace fs = std::filesystem;

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

}  // namespace

std::vector<WinePoint> ParseReplay(const std::string& out)
{
    std::vector<WinePoint> points;
    std::istringstream lines(out);
    std::string line;
    bool lookupNext = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.starts_with("#point ")) {
            points.emplace_back();
        } else if (points.empty()) {
            throw std::runtime_error("output before the first point: " + line);
        } else if (line == "#lookup") {
            lookupNext = true;
        } else if (line.starts_with("#lookup error ")) {
            points.back().lookupError = static_cast<uint32_t>(std::stoul(line.substr(14)));
        } else if (line.starts_with("{")) {
            Entry entry = Comparable(Entry::parse(line));
            if (lookupNext)
                points.back().lookup = std::move(entry);
            else
                points.back().listing.push_back(std::move(entry));
            lookupNext = false;
        } else {
            throw std::runtime_error("unexpected output: " + line);
        }
    }
    return points;
}

std::vector<std::string> ListingProblems(const Listing& listing, const PointRule& rule)
{
    std::vector<std::string> problems = Differences(rule.others, Without(listing, {rule.changed}));
    if (const Entry* changed = Find(listing, rule.changed)) {
        bool whole = false;
        for (const Entry& version : rule.versions)
            whole = whole || version == *changed;
        if (!whole)
            problems.push_back(rule.changed + " is half changed: " + changed->dump());
    }
    return problems;
}

std::vector<std::string> WinePointProblems(const WinePoint& point, const PointRule& rule)
{
    std::vector<std::string> problems = ListingProblems(point.listing, rule);
    const Entry* listed = Find(point.listing, rule.changed);
    if (listed && (!point.lookup || *point.lookup != *listed))
        problems.push_back("the lookup of " + rule.changed + " does not give the listed entry");
    if (!listed && point.lookupError != 2)  // ERROR_FILE_NOT_FOUND
        problems.push_back("the lookup of " + rule.changed + " finds what is not listed");
    return problems;
}

InterruptedChanges::InterruptedChanges(const WineSession& session, fs::path contentFolder)
    : m_session(session), m_folder(std::move(contentFolder))
{
}

Listing InterruptedChanges::TrovanaList(std::vector<std::string>& problems) const
{
    const RunResult run = m_session.Trovana({"list", "--format", "jsonl"});
    if (run.status != 0 || !run.err.empty())
        problems.push_back("trovana-cache list: status " + std::to_string(run.status) + ": " + run.err);
    return Comparable(ParseJsonLines(run.out));
}

void InterruptedChanges::WriteIndex(const std::vector<uint8_t>& bytes) const
{
    std::ofstream out(m_folder / "index.dat", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool InterruptedChanges::Apply(const std::string& name, const std::string& url,
                               const trovana::urlcache::test::Change& change)
{
    std::vector<std::string> problems;
    const Listing before = TrovanaList(problems);
    // The local file goes with the entry; a process killed before that
    // step would have left it, so it is put back for the replay.
    std::optional<std::pair<fs::path, std::string>> file;
    if (const Entry* old = Find(before, url); old && (*old)["local"].is_string()) {
        const fs::path path = (*old)["local"].get<std::string>();
        file.emplace(path, ReadBytes(path));
    }
    const auto recorded = trovana::urlcache::test::RecordChange({trovana::urlcache::ContainerKind::Content, m_folder},
                                                                change);
    const Listing after = TrovanaList(problems);
    if (!recorded.result.ok() || !recorded.finish.ok() || !problems.empty()) {
        ADD_FAILURE() << name << ": " << recorded.result.message << " " << recorded.finish.message << "\n"
                      << Joined(problems);
        return false;
    }
    const bool fileGone = file && !fs::exists(file->first);
    if (fileGone)
        std::ofstream(file->first, std::ios::binary) << file->second;

    PointRule rule{Without(before, {url}), url, {}};
    for (const Listing* side : {&before, &after}) {
        if (const Entry* version = Find(*side, url))
            rule.versions.push_back(*version);
    }
    Tally tally{name, recorded.writes.size() + 1, 0, 0};
    for (size_t k = 0; k < tally.tried; ++k) {
        const auto bytes = recorded.After(k);
        WriteIndex(bytes);
        std::vector<std::string> problems;
        const Listing listing = TrovanaList(problems);
        for (auto& problem : ListingProblems(listing, rule))
            problems.push_back(std::move(problem));
        EXPECT_TRUE(problems.empty()) << name << ", trovana-cache after write " << k << ":\n" << Joined(problems);
        tally.survivedTrovana += problems.empty();
        const fs::path copy = m_session.WriteScratch("point-" + std::to_string(m_points.size()) + ".dat",
                                                     std::string(bytes.begin(), bytes.end()));
        m_points.push_back({copy, m_rules.size()});
    }
    if (fileGone)
        fs::remove(file->first);
    m_rules.push_back(std::move(rule));
    m_tallies.push_back(std::move(tally));
    return true;
}

void InterruptedChanges::CheckWithWine()
{
    std::string list;
    for (const Point& point : m_points)
        list += WindowsPath(point.file) + "\t" + m_rules[point.rule].changed + "\n";
    const RunResult run = m_session.Replay(m_session.WriteScratch("points.txt", list), m_folder / "index.dat");
    ASSERT_EQ(run.status, 0) << run.out.substr(run.out.size() > 2000 ? run.out.size() - 2000 : 0) << run.err;
    const std::vector<WinePoint> seen = ParseReplay(run.out);
    ASSERT_EQ(seen.size(), m_points.size());
    std::vector<size_t> firstOfRule(m_rules.size(), 0);
    for (size_t i = m_points.size(); i-- > 0;)
        firstOfRule[m_points[i].rule] = i;
    for (size_t i = 0; i < seen.size(); ++i) {
        const size_t rule = m_points[i].rule;
        const auto problems = WinePointProblems(seen[i], m_rules[rule]);
        EXPECT_TRUE(problems.empty()) << m_tallies[rule].change << ", Wine after write " << i - firstOfRule[rule]
                                      << ":\n"
                                      << Joined(problems);
        m_tallies[rule].survivedWine += problems.empty();
    }
}

}  // namespace interop
