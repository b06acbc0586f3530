// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands give people who examine copied caches: every record with
// its state (checked against libyal's msiecfexport on real Windows files),
// times in ISO 8601 UTC, and the timeline rows Timesketch imports.
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "cli_test_support.h"
#include "csv_reader.h"
#include "iso_utc.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::JsonLines;
using test::RunCli;

const fs::path kSamples = TROVANA_SAMPLES_DIR;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// msiecfexport's records, each a map of its "Name : value" lines; empty when
// the program is not installed.
std::vector<std::map<std::string, std::string>> MsiecfRecords(const fs::path& file)
{
    std::vector<std::map<std::string, std::string>> records;
    const std::string command = "msiecfexport -m all '" + file.string() + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return records;
    }
    std::array<char, 4096> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe.get())) {
        std::string line(buffer.data());
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        std::string name = line.substr(0, line.find_first_of("\t:"));
        std::string value = line.substr(line.find_first_not_of(" ", colon + 1));
        value.erase(value.find_last_not_of("\r\n") + 1);
        if (name == "Record type") {
            records.emplace_back();
        }
        if (!records.empty()) {
            records.back()[name] = value;
        }
    }
    return records;
}

// Our ISO text as msiecfexport writes times: "Nov 10, 2010 07:54:30" and,
// for FILETIMEs, nine fraction digits.
std::string MsiecfTime(const json& iso, bool fraction)
{
    if (iso.is_null()) {
        return "";
    }
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string text = iso.get<std::string>();
    std::string out = std::string(kMonths[std::stoi(text.substr(5, 2)) - 1]) + " " + text.substr(8, 2) + ", " +
                      text.substr(0, 4) + " " + text.substr(11, 8);
    return fraction ? out + "." + text.substr(20, 7) + "00" : out;
}

// The file name as stored, as text: what msiecfexport prints.
std::string FileName(const json& name)
{
    return name.is_null() ? "" : name.get<std::string>();
}

// Every record msiecfexport gives is one of ours at the same offset, with the
// same type, URL, file name and times.
void ExpectAgreesWithMsiecfexport(const fs::path& file, const std::map<uint64_t, json>& ours)
{
    const auto theirs = MsiecfRecords(file);
    if (theirs.empty()) {
        return;
    }
    EXPECT_EQ(theirs.size(), ours.size());
    for (auto record : theirs) {
        const std::string& range = record["Offset range"];
        const auto found = ours.find(std::stoull(range));
        ASSERT_NE(found, ours.end()) << file << " " << range;
        const json& our = found->second;
        const std::string type = record["Record type"];
        const std::string state = our["state"];
        SCOPED_TRACE(file.string() + " " + range);
        EXPECT_EQ(our["partial"] == 1, range.ends_with("(partial)"));
        EXPECT_EQ(record["Filename"], FileName(our["file_name"]));
        if (type == "REDR") {
            EXPECT_EQ(state, "redirect");
            EXPECT_EQ(record["Location"], our["url"]);
            continue;
        }
        if (type == "LEAK") {
            EXPECT_TRUE(state == "leak" || state == "recovered") << state;
            continue;
        }
        EXPECT_TRUE(state == "live" || state == "recovered") << state;
        // The same text: one backslash a backslash, Windows-1252 read as
        // msiecfexport's default code page reads it.
        EXPECT_EQ(record["Location"], our["url"]);
        EXPECT_EQ(record["Primary time"], MsiecfTime(our["last_access_utc"], true));
        EXPECT_EQ(record["Secondary time"], MsiecfTime(our["last_modified_utc"], true));
        // "Never" is the all-ones value, which holds no date: kept as stored.
        if (record["Expiration time"] == "Never") {
            EXPECT_EQ(our["expire_utc"], "never");
            EXPECT_EQ(our["expire_dos"], 0xFFFFFFFFu);
        } else {
            EXPECT_EQ(record["Expiration time"], MsiecfTime(our["expire_utc"], false));
        }
        EXPECT_EQ(record["Last checked time"], MsiecfTime(our["last_sync_utc"], false));
    }
}

TEST(Forensic, RecoveredListOfTheWindowsSamplesHasEveryRecordAndChangesNothing)
{
    struct Sample {
        const char* file;
        // msiecfexport -m all's count for the file, as states: its allocated
        // URL items are our live ones, REDR and LEAK items our redirects and
        // leaks, and its recovered items our recovered ones.
        size_t total, live, redirect, leak, recovered;
    };
    const Sample samples[] = {
        {"grr-index.dat", 18, 7, 0, 0, 11},
        {"plaso-Content.IE5-index.dat", 35, 21, 14, 0, 0},
        {"plaso-History.IE5-index.dat", 17, 15, 0, 0, 2},
        {"plaso-MSHist012013031020130311-index.dat", 23, 23, 0, 0, 0},
        {"plaso-nfury_index.dat", 1035, 984, 34, 9, 8},
    };
    const fs::path folder = test::ScratchFolder("forensic");
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.file);
        // Read-only, as evidence is; its bytes, time and folder are checked after.
        const fs::path container = folder / sample.file;
        fs::create_directories(container);
        fs::copy_file(kSamples / sample.file, container / "index.dat");
        const std::string before = ReadFile(container / "index.dat");
        struct stat was {};
        ASSERT_EQ(stat((container / "index.dat").c_str(), &was), 0);
        fs::permissions(container / "index.dat", fs::perms::owner_read | fs::perms::group_read);
        fs::permissions(container, fs::perms::owner_read | fs::perms::owner_exec);

        const auto outcome = RunCli(
            {"--container", (container / "index.dat").string(), "list", "--recovered", "--times", "iso-utc"});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        // A copied daily history names no zone: said once.
        if (std::string(sample.file).starts_with("plaso-MSHist"))
            EXPECT_EQ(outcome.err.find("trovana-cache: note: a copied profile carries no time zone"), 0u) << outcome.err;
        else
            EXPECT_EQ(outcome.err, "");
        std::map<std::string, size_t> states;
        std::map<uint64_t, json> byOffset;
        for (const json& line : JsonLines(outcome.out)) {
            ++states[line["state"]];
            byOffset[line["record_offset"]] = line;
        }
        EXPECT_EQ(byOffset.size(), sample.total);
        EXPECT_EQ(states["live"], sample.live);
        EXPECT_EQ(states["redirect"], sample.redirect);
        EXPECT_EQ(states["leak"], sample.leak);
        EXPECT_EQ(states["recovered"], sample.recovered);
        // The live ones come first and are what list gives, in its order.
        const auto listed = JsonLines(RunCli({"--container", (container / "index.dat").string(), "list"}).out);
        const auto surveyed = JsonLines(outcome.out);
        ASSERT_EQ(listed.size(), sample.live);
        for (size_t i = 0; i < listed.size(); ++i) {
            EXPECT_EQ(surveyed[i]["state"], "live");
            EXPECT_EQ(surveyed[i]["url"], listed[i]["url"]);
            EXPECT_EQ(surveyed[i]["header"], listed[i]["header"]);
        }
        ExpectAgreesWithMsiecfexport(container / "index.dat", byOffset);

        fs::permissions(container, fs::perms::owner_all);
        struct stat is {};
        ASSERT_EQ(stat((container / "index.dat").c_str(), &is), 0);
        EXPECT_EQ(ReadFile(container / "index.dat"), before);
        EXPECT_EQ(is.st_mtim.tv_sec, was.st_mtim.tv_sec);
        EXPECT_EQ(is.st_mtim.tv_nsec, was.st_mtim.tv_nsec);
        EXPECT_EQ(std::distance(fs::directory_iterator(container), fs::directory_iterator()), 1);

        if (std::string(sample.file) == "plaso-nfury_index.dat") {
            // Values msiecfexport gives for three kinds of record.
            const json& leak = byOffset.at(26368);
            EXPECT_EQ(leak["state"], "leak");
            EXPECT_EQ(FileName(leak["file_name"]), "ADSAdClient31[1].htm");
            EXPECT_EQ(byOffset.at(26880)["url"],
                      "http://ad.doubleclick.net/ad/N2724.Meebo/B5343067.13;sz=1x1;pc=[TPAS_ID];ord=2642102");
            // The leak filled with 0xDEADBEEF: its filled fields are absent.
            EXPECT_EQ(leak["filled"], 1);
            for (const char* field : {"type", "hit_rate", "size_high", "last_access", "last_modified", "expire"}) {
                EXPECT_TRUE(leak[field].is_null()) << field;
            }
            EXPECT_EQ(byOffset.at(26880)["filled"], 0);
            const json& never = byOffset.at(348928);
            EXPECT_EQ(never["expire"], 0u);
            EXPECT_EQ(never["expire_utc"], "never");
            const json& partial = byOffset.at(93952);
            // What survives of its header, as libmsiecf gives it.
            EXPECT_EQ(partial["header_size"], 56u);
            EXPECT_TRUE(partial["header"].get<std::string>().starts_with("HTTP/1.1 200 OK\r\n"));
            EXPECT_EQ(partial["state"], "recovered");
            EXPECT_EQ(partial["partial"], 1);
            EXPECT_EQ(partial["url"], "https://secure.skypeassets.com/content/dam/skype/js/jquery-1.4.4.min.js");
            EXPECT_EQ(partial["last_access_utc"], "2011-09-08T20:47:29.9920000Z");
            EXPECT_EQ(partial["last_sync_utc"], "2011-08-28T18:58:20.0000000Z");
        }
    }
    fs::remove_all(folder);
}

TEST(Forensic, DailyHistoryVisitsAreReadInTheRecordingMachinesZone)
{
    const std::string file = (kSamples / "plaso-MSHist012013031020130311-index.dat").string();
    // Written in CET (UTC+1): each visit is the instant of its access time.
    const auto list = JsonLines(
        RunCli({"--container", file, "--source-tz", "Europe/Amsterdam", "list", "--times", "iso-utc"}).out);
    ASSERT_EQ(list.size(), 23u);
    for (const json& row : list) {
        EXPECT_EQ(row["container"], "daily");
        EXPECT_EQ(row["source_tz"], "Europe/Amsterdam");
        EXPECT_EQ(row["last_modified_utc"], row["last_access_utc"]) << row["url"];
        EXPECT_EQ(row["last_modified"].get<uint64_t>() - row["last_access"].get<uint64_t>(), 36'000'000'000u);
        // Times only a WebCache database keeps are absent, not 0.
        EXPECT_TRUE(row["creation"].is_null() && row["creation_utc"].is_null()) << row["url"];
        EXPECT_TRUE(row["post_check"].is_null()) << row["url"];
    }
    // As plaso's msiecf parser names them, both history times are the
    // visit: the same instant once the second is read in its zone.
    const auto timeline = RunCli({"--container", file, "--source-tz", "Europe/Amsterdam", "timeline"});
    EXPECT_EQ(timeline.err, "") << "the zone was named: no note";
    std::map<std::string, std::map<std::string, std::vector<json>>> byUrl;
    for (const json& row : JsonLines(timeline.out)) {
        byUrl[row["url"]][row["timestamp_desc"]].push_back(row["timestamp"]);
    }
    ASSERT_EQ(byUrl.size(), 23u);
    for (const auto& [url, times] : byUrl) {
        EXPECT_FALSE(times.contains("Last Access Time")) << url;
        EXPECT_FALSE(times.contains("Content Modification Time")) << url;
        ASSERT_EQ(times.at("Last Visited Time").size(), 2u) << url;
        EXPECT_EQ(times.at("Last Visited Time")[0], times.at("Last Visited Time")[1]) << url;
    }
    // A single file, no zone given: UTC, the rows say so, and so does one
    // note that points at --source-tz.
    const auto guessed = RunCli({"--container", file, "list"});
    const auto utc = JsonLines(guessed.out);
    ASSERT_FALSE(utc.empty());
    EXPECT_EQ(utc[0]["source_tz"], "UTC");
    EXPECT_EQ(std::count(guessed.err.begin(), guessed.err.end(), '\n'), 1) << guessed.err;
    EXPECT_NE(guessed.err.find("no time zone"), std::string::npos) << guessed.err;
    EXPECT_NE(guessed.err.find("--source-tz"), std::string::npos) << guessed.err;
    // A zone that does not exist is an error, not UTC.
    const auto bad = RunCli({"--container", file, "--source-tz", "Mars/Olympus", "list"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Mars/Olympus"), std::string::npos);
}

TEST(Forensic, ProvenanceAndBytesThatAreNotUtf8ReadBackExactly)
{
    // Each container's digest, as the samples' README gives it.
    const std::string nfury = (kSamples / "plaso-nfury_index.dat").string();
    const auto info = JsonLines(RunCli({"--container", nfury, "info"}).out);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0]["sha256"], "0cb5e8fc5662aac8591fc34c3adf20305a7f272764069eb6b0ef8d11322c2e94");
    EXPECT_EQ(info[0]["size"], 491520u);
    EXPECT_EQ(info[0]["format"], "Client UrlCache MMF Ver 5.2");
    for (const json& row : JsonLines(RunCli({"--container", nfury, "timeline", "--provenance"}).out)) {
        ASSERT_EQ(row["container_sha256"], info[0]["sha256"]);
        ASSERT_EQ(row["container_path"], nfury);
    }

    // nfury's res:// URL holds two backslashes between names (as msiecfexport
    // prints it): every output gives those two, no more.
    const std::string res = "res://C:\\\\Program Files\\\\Microsoft Office\\\\Office14\\\\1033\\\\"
                            "SocialConnectorRes.dll/PNG/#139";
    ASSERT_NE(ReadFile(kSamples / "plaso-nfury_index.dat").find(res), std::string::npos);
    const auto listed = JsonLines(RunCli({"--container", nfury, "list"}).out);
    const auto row = std::find_if(listed.begin(), listed.end(), [&](const json& r) { return r["url"] == res; });
    ASSERT_NE(row, listed.end());
    EXPECT_FALSE(row->contains("url_hex"));
    const auto csvRows = test::ParseCsv(RunCli({"--container", nfury, "list", "--format", "csv"}).out);
    EXPECT_TRUE(std::any_of(csvRows.begin(), csvRows.end(), [&](const auto& r) { return r[0] == res; }));
    const auto events = JsonLines(RunCli({"--container", nfury, "timeline"}).out);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(),
                            [&](const json& r) { return r["message"] == "Last Access Time: " + res; }));
    const auto one = JsonLines(RunCli({"--container", nfury, "info", res}).out);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["url"], res);

    // The History sample's headers hold 0x8C and NULs: CSV and JSON lines
    // are UTF-8, and give back the bytes the library reads.
    const fs::path history = kSamples / "plaso-History.IE5-index.dat";
    urlcache::UrlCache cache{urlcache::CacheLocation{{{urlcache::ContainerKind::History, history.parent_path(),
                                                       history.filename().string()}},
                                                     {},
                                                     true}};
    std::vector<std::string> headers;
    auto entries = cache.Enumerate();
    while (auto entry = entries.Next()) {
        headers.push_back(entry->headerInfo);
    }
    ASSERT_TRUE(std::any_of(headers.begin(), headers.end(),
                            [](const std::string& h) { return h.find('\x8C') != std::string::npos; }));
    const std::string csvText = RunCli({"--container", history.string(), "list", "--format", "csv"}).out;
    for (size_t i = 0; i < csvText.size(); i += std::max<size_t>(1, Utf8SequenceLength(csvText.substr(i)))) {
        ASSERT_NE(Utf8SequenceLength(csvText.substr(i)), 0u) << "not UTF-8 at " << i;
    }
    const auto csv = test::ParseCsv(csvText);
    const auto jsonl = JsonLines(RunCli({"--container", history.string(), "list"}).out);
    ASSERT_EQ(csv.size(), headers.size() + 1);
    ASSERT_EQ(jsonl.size(), headers.size());
    const size_t column = std::find(csv[0].begin(), csv[0].end(), "header") - csv[0].begin();
    const size_t hexColumn = std::find(csv[0].begin(), csv[0].end(), "header_hex") - csv[0].begin();
    ASSERT_LT(hexColumn, csv[0].size());
    size_t binary = 0;
    for (size_t i = 0; i < headers.size(); ++i) {
        // Text by the one rule; the bytes beside it where it does not give them back.
        if (csv[i + 1][hexColumn].empty())
            EXPECT_EQ(UnescapeCsvField(csv[i + 1][column]), headers[i]);
        else
            EXPECT_EQ(csv[i + 1][hexColumn], HexBytes(headers[i]));
        EXPECT_EQ(jsonl[i].contains("header_hex"), !IsUtf8(headers[i]));
        if (jsonl[i].contains("header_hex")) {
            ++binary;
            EXPECT_EQ(jsonl[i]["header_hex"], HexBytes(headers[i]));
            EXPECT_EQ(jsonl[i]["header"], CodePage::Windows1252().ToUtf8(headers[i]));
        } else {
            EXPECT_EQ(jsonl[i]["header"], headers[i]);
        }
    }
    EXPECT_GT(binary, 0u);
}

// A content container of the test's own in a scratch folder.
struct OwnCache {
    fs::path folder = test::ScratchFolder("forensic-own");
    urlcache::UrlCache cache{urlcache::CacheLocation{{{urlcache::ContainerKind::Content, folder}}, {}}};
    ~OwnCache() { fs::remove_all(folder); }
    std::string Index() const { return (folder / "index.dat").string(); }
    void Add(const std::string& url, uint64_t lastAccess, uint64_t lastModified, uint64_t expire, uint64_t lastSync)
    {
        urlcache::NewCacheEntry entry;
        entry.url = url;
        entry.body = "body of " + url;
        entry.fileExtension = "html";
        entry.lastAccessTime = lastAccess;
        entry.lastModifiedTime = lastModified;
        entry.expireTime = expire;
        entry.lastSyncTime = lastSync;
        const auto result = cache.CreateEntry(entry);
        ASSERT_TRUE(result.ok()) << result.message;
    }
};

// 2012-03-31 00:49:19.2357337 UTC, and DOS-held times (even seconds).
constexpr uint64_t kAccess = 129776285592357337;
constexpr uint64_t kModified = 129774557600000000;  // 2012-03-29 00:49:20
constexpr uint64_t kExpire = 129774912500000000;    // 2012-03-29 10:40:50

TEST(Forensic, TimesInIsoUtcStandBesideTheFiletimeNumbers)
{
    OwnCache own;
    own.Add("http://times.example/a.html", kAccess, 0, kExpire, kModified);
    for (const std::string command : {"list", "info"}) {
        std::vector<std::string> args = {"--container", own.Index(), command, "--times", "iso-utc"};
        if (command == "info") {
            args.push_back("http://times.example/a.html");
        }
        const auto outcome = RunCli(args);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const auto lines = JsonLines(outcome.out);
        ASSERT_EQ(lines.size(), 1u);
        const json& entry = lines[0];
        EXPECT_EQ(entry["last_access"], kAccess);
        EXPECT_EQ(entry["last_access_utc"], "2012-03-31T00:49:19.2357337Z");
        EXPECT_EQ(entry["last_modified_utc"], nullptr);  // 0: not set
        EXPECT_EQ(entry["expire_utc"], "2012-03-29T10:40:50.0000000Z");
        EXPECT_EQ(entry["last_sync_utc"], "2012-03-29T00:49:20.0000000Z");
        // Each beside its number, in CSV as in JSON.
        args.insert(args.begin() + 3, {"--format", "csv"});
        const auto csv = test::ParseCsv(RunCli(args).out);
        ASSERT_EQ(csv.size(), 2u);
        const auto& header = csv[0];
        const auto at = std::find(header.begin(), header.end(), "last_access") - header.begin();
        ASSERT_LT(at + 1, static_cast<long>(header.size()));
        EXPECT_EQ(header[at + 1], "last_access_utc");
        EXPECT_EQ(csv[1][at + 1], "2012-03-31T00:49:19.2357337Z");
    }
    // Without the option the columns are as they always were.
    const auto plain = JsonLines(RunCli({"--container", own.Index(), "list"}).out);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_FALSE(plain[0].contains("last_access_utc"));

    // The ends of what four year digits hold, and a leap day.
    EXPECT_EQ(IsoUtcFromFileTime(1), "1601-01-01T00:00:00.0000001Z");
    EXPECT_EQ(IsoUtcFromFileTime(2650467743999999999), "9999-12-31T23:59:59.9999999Z");
    EXPECT_EQ(IsoUtcFromFileTime(2650467744000000000), "");
    EXPECT_EQ(IsoUtcFromFileTime(~uint64_t{0}), "");
    EXPECT_EQ(IsoUtcFromFileTime(125962560000000000, IsoForm::Microseconds), "2000-02-29T00:00:00.000000+00:00");
}

TEST(Forensic, VisitsInTheHourSkippedOrRepeatedAtAClockChangeAreFlagged)
{
    // Daily history keeps the recording machine's local time. In Berlin
    // 2021-03-28 02:30 never happened (02:00 CET became 03:00 CEST) and
    // 2021-10-31 02:30 happened twice (03:00 CEST became 02:00 CET).
    OwnCache own;
    own.Add(":2021032820210329: user@http://gap.example/", kAccess, 132'613'722'000'000'000, 0, 0);
    own.Add(":2021103120211101: user@http://fold.example/", kAccess, 132'801'210'000'000'000, 0, 0);
    own.Add(":2021010120210102: user@http://winter.example/", kAccess, 132'539'778'000'000'000, 0, 0);
    own.Add("http://content.example/", kAccess, kModified, 0, 0);
    const std::vector<std::string> zone = {"--container", own.Index(), "--source-tz", "Europe/Berlin"};
    std::vector<std::string> args = zone;
    args.insert(args.end(), {"list", "--times", "iso-utc"});
    std::map<std::string, json> byUrl;
    for (const json& row : JsonLines(RunCli(args).out))
        byUrl[row["url"]] = row;
    ASSERT_EQ(byUrl.size(), 4u);
    const json& gap = byUrl[":2021032820210329: user@http://gap.example/"];
    EXPECT_EQ(gap["local_time_fit"], "skipped");
    EXPECT_EQ(gap["last_modified_utc"], "2021-03-28T01:30:00.0000000Z");  // the offset before the change, +1
    const json& fold = byUrl[":2021103120211101: user@http://fold.example/"];
    EXPECT_EQ(fold["local_time_fit"], "repeated");
    EXPECT_EQ(fold["last_modified_utc"], "2021-10-31T00:30:00.0000000Z");  // the first of the two, +2
    const json& winter = byUrl[":2021010120210102: user@http://winter.example/"];
    EXPECT_EQ(winter["local_time_fit"], "unique");
    EXPECT_EQ(winter["last_modified_utc"], "2021-01-01T11:30:00.0000000Z");
    EXPECT_TRUE(byUrl["http://content.example/"]["local_time_fit"].is_null());  // kept in UTC

    // The timeline's rows carry the flag too, in CSV as in JSON lines.
    args = zone;
    args.insert(args.end(), {"timeline", "--format", "csv"});
    const auto csv = test::ParseCsv(RunCli(args).out);
    ASSERT_GT(csv.size(), 1u);
    const auto column = [&](const char* name) {
        return std::find(csv[0].begin(), csv[0].end(), name) - csv[0].begin();
    };
    const auto fit = column("local_time_fit"), url = column("url"), desc = column("timestamp_desc");
    ASSERT_LT(fit, static_cast<long>(csv[0].size()));
    std::set<std::string> flagged;
    for (size_t row = 1; row < csv.size(); ++row) {
        if (csv[row][desc] == "Last Visited Time" && csv[row][fit] != "unique")
            flagged.insert(csv[row][url] + " " + csv[row][fit]);
    }
    EXPECT_EQ(flagged, (std::set<std::string>{":2021032820210329: user@http://gap.example/ skipped",
                                              ":2021103120211101: user@http://fold.example/ repeated"}));
}

TEST(Forensic, TimelineHasOneRowPerSetTimeInTimesketchsColumns)
{
    OwnCache own;
    own.Add("http://timeline.example/all.html", kAccess, kModified, kExpire, kModified);
    // Last modified before 1970 (kept, as Timesketch takes it), no expiry: three rows.
    own.Add("http://timeline.example/two.html", kAccess + 10, 1, 0, kModified);

    const auto outcome = RunCli({"--container", own.Index(), "timeline"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const auto rows = JsonLines(outcome.out);
    std::map<std::string, std::vector<json>> byUrl;
    for (const json& row : rows) {
        byUrl[row["url"]].push_back(row);
    }
    ASSERT_EQ(rows.size(), 7u);
    const auto& all = byUrl["http://timeline.example/all.html"];
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0]["timestamp_desc"], "Last Access Time");
    EXPECT_EQ(all[0]["datetime"], "2012-03-31T00:49:19.235733+00:00");
    EXPECT_EQ(all[0]["timestamp"], 1333154959235733u);
    EXPECT_EQ(all[0]["message"], "Last Access Time: http://timeline.example/all.html");
    // plaso's msiecf parser's names for a content entry's times.
    EXPECT_EQ(all[1]["timestamp_desc"], "Content Modification Time");
    EXPECT_EQ(all[1]["datetime"], "2012-03-29T00:49:20.000000+00:00");
    EXPECT_EQ(all[2]["timestamp_desc"], "Expiration Time");
    EXPECT_EQ(all[2]["datetime"], "2012-03-29T10:40:50.000000+00:00");
    EXPECT_EQ(all[3]["timestamp_desc"], "Last Checked Time");
    EXPECT_EQ(all[3]["last_access"], kAccess);  // the entry's own fields follow
    EXPECT_FALSE(all[3]["local"].is_null());
    const auto& two = byUrl["http://timeline.example/two.html"];
    ASSERT_EQ(two.size(), 3u);
    EXPECT_EQ(two[0]["timestamp_desc"], "Last Access Time");
    EXPECT_EQ(two[1]["timestamp_desc"], "Content Modification Time");
    EXPECT_EQ(two[1]["datetime"], "1601-01-01T00:00:00.000000+00:00");
    EXPECT_EQ(two[1]["timestamp"], -11644473600000000);
    EXPECT_EQ(two[2]["timestamp_desc"], "Last Checked Time");

    // The CSV form: Timesketch's columns lead the header, the rows are the same.
    const auto csv = test::ParseCsv(RunCli({"--container", own.Index(), "timeline", "--format", "csv"}).out);
    ASSERT_EQ(csv.size(), rows.size() + 1);
    EXPECT_EQ(std::vector<std::string>(csv[0].begin(), csv[0].begin() + 5),
              (std::vector<std::string>{"message", "datetime", "timestamp_desc", "timestamp", "url"}));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(csv[i + 1][0], rows[i]["message"]);
        EXPECT_EQ(csv[i + 1][1], rows[i]["datetime"].is_null() ? "" : rows[i]["datetime"].get<std::string>());
        EXPECT_EQ(csv[i + 1][3], rows[i]["timestamp"].is_null() ? "" : std::to_string(rows[i]["timestamp"].get<int64_t>()));
    }

    // A deleted entry leaves its record in free blocks: recovered, and in the
    // timeline with --recovered, marked in the message.
    ASSERT_TRUE(own.cache.DeleteEntry("http://timeline.example/two.html").ok());
    const auto recovered = JsonLines(RunCli({"--container", own.Index(), "list", "--recovered"}).out);
    ASSERT_EQ(recovered.size(), 2u);
    EXPECT_EQ(recovered[0]["state"], "live");
    EXPECT_EQ(recovered[1]["state"], "recovered");
    EXPECT_EQ(recovered[1]["url"], "http://timeline.example/two.html");
    EXPECT_EQ(recovered[1]["last_access"], kAccess + 10);
    const auto timeline = JsonLines(RunCli({"--container", own.Index(), "timeline", "--recovered"}).out);
    ASSERT_EQ(timeline.size(), 7u);
    EXPECT_EQ(timeline[4]["message"], "Last Access Time: http://timeline.example/two.html (recovered)");
    EXPECT_EQ(timeline[4]["state"], "recovered");
}

// A time that is no date at all (0x7FFF...) keeps its timeline row: no
// datetime, its raw value named in the description and kept in its column.
TEST(Forensic, TimelineKeepsATimeItCannotShow)
{
    OwnCache odd;
    odd.Add("http://timeline.example/bad.html", kAccess + 20, 0x7FFFFFFFFFFFFFFF, 0, kModified);
    const auto bad = JsonLines(RunCli({"--container", odd.Index(), "timeline"}).out);
    ASSERT_EQ(bad.size(), 3u);
    EXPECT_EQ(bad[1]["timestamp_desc"], "Content Modification Time (not a date that can be shown: 0x7FFFFFFFFFFFFFFF)");
    EXPECT_TRUE(bad[1]["datetime"].is_null());
    EXPECT_TRUE(bad[1]["timestamp"].is_null());
    EXPECT_EQ(bad[1]["last_modified"], 0x7FFFFFFFFFFFFFFFu);
}

}  // namespace
}  // namespace trovana::cli
