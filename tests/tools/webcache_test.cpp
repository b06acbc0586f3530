// SPDX-License-Identifier: GPL-3.0-or-later
// A Windows 10 profile's WebCache database through trovana-cache: every
// container listed with the database's own values (esedbexport is the
// oracle), opened read-only without a byte changed, and a damaged copy
// listed but for the table it names, and the rows of a dropped container's
// page listed as deleted under the container's old name.
#include <cstdlib>
#include <fstream>
#include <algorithm>
#include <map>
#include <set>

#include "btree.h"
#include "cache_types.h"
#include "cli_test_support.h"
#include "database.h"
#include "faithful_text.h"
#include "../platform/webcache/dropped_page.h"
#include "../platform/webcache/esedbexport_rows.h"
#include "../platform/webcache/webcache_sample.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using test::JsonLines;
using test::RunCli;
using trovana::test::ExportTable;
using trovana::test::TextBeforeNul;

// The sample's entries by container: each cookie its own; all 46 of the
// content's records, the two whose URL is a long value (EntryId 70 and 72,
// gstatic.com) among them.
constexpr size_t kCookies = 9;
constexpr size_t kHistory = 33;
constexpr size_t kDailyHistory = 14 + 2 + 2 + 13;
constexpr size_t kContent = 46;
constexpr size_t kEntries = kCookies + kHistory + kDailyHistory + kContent;

// "2021-11-29T22:47:25.5050673Z" as esedbexport writes FILETIMEs:
// "Nov 29, 2021 22:47:25.505067300"; none is 1601's first moment.
std::string AsExported(const nlohmann::json& utc)
{
    if (utc.is_null())
        return "Jan 01, 1601 00:00:00.000000000";
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string text = utc.get<std::string>();
    std::string fraction = text.size() > 20 ? text.substr(20, text.size() - 21) : "";
    fraction.resize(9, '0');
    return std::string(months[std::stoi(text.substr(5, 2)) - 1]) + " " + text.substr(8, 2) + ", " +
           text.substr(0, 4) + " " + text.substr(11, 8) + "." + fraction;
}

class WebCacheSample : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_database = trovana::test::MakeWebCacheProfile(m_profile);
        ASSERT_FALSE(m_database.empty()) << "the sample could not be unpacked";
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::map<std::string, nlohmann::json> ListByUrl(const std::vector<std::string>& args, test::Outcome& outcome)
    {
        outcome = RunCli(args);
        std::map<std::string, nlohmann::json> byUrl;
        for (const auto& entry : JsonLines(outcome.out))
            byUrl[entry["url"].get<std::string>()] = entry;
        return byUrl;
    }

    fs::path m_root = test::ScratchFolder("webcache");
    fs::path m_profile = m_root / "Users" / trovana::test::kWebCacheUser;
    fs::path m_database;
};

TEST_F(WebCacheSample, ListsEveryContainerWithTheDatabasesOwnValues)
{
    // The cached file of http://google.com/: secure folder 3 of the Content
    // container, file E7LW1M9F.htm.
    const fs::path cached = m_profile / "AppData/Local/Microsoft/Windows/INetCache/IE/9XWKH8VJ/E7LW1M9F.htm";
    fs::create_directories(cached.parent_path());
    std::ofstream(cached) << "<html>moved</html>";

    test::Outcome outcome;
    // A drive root with one profile opens that profile.
    const auto byUrl = ListByUrl({"--path", m_root.string(), "list", "--times", "iso-utc"}, outcome);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    // What is not listed is named once, with why: the pages that cannot be
    // read (the last 8 KiB of one page each of two containers fail their
    // checksum), the tables of other kinds; and that the copied profile
    // names no zone for its daily history.
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 2) << outcome.err;
    EXPECT_NE(outcome.err.find("list --recovered and the Recovered view give them as table rows"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(outcome.err.find("left out"), std::string::npos) << outcome.err;
    for (const char* named : {"Container_4 (iecompat): page 426 fails its checksum",
                              "Container_11 (ieflipahead): page 202 fails its checksum", "Container_5 (iecompatua): 24 rows",
                              "Container_9 (feedplat): 1 row", "Container_15 (DOMStore): 1 row", "BlobEntry_1: 23 rows",
                              "HstsEntryEx_3: 5 rows", "DependencyEntryEx_6: 1 row", "--source-tz"})
        EXPECT_NE(outcome.err.find(named), std::string::npos) << named << "\n" << outcome.err;
    EXPECT_EQ(outcome.err.find("EntryId 70"), std::string::npos) << outcome.err;
    const auto entries = JsonLines(outcome.out);
    ASSERT_EQ(entries.size(), kEntries);
    std::map<std::string, size_t> kinds;
    for (const auto& entry : entries) {
        const std::string url = entry["url"];
        kinds[url.starts_with("Cookie:") ? "cookie" : url.starts_with("Visited:") ? "history"
                                                    : url.starts_with(":2021")    ? "daily"
                                                                                  : "content"]++;
    }
    EXPECT_EQ(kinds["cookie"], kCookies);
    EXPECT_EQ(kinds["history"], kHistory);
    EXPECT_EQ(kinds["daily"], kDailyHistory);
    EXPECT_EQ(kinds["content"], kContent);

    // Every row of the history, a daily history and the content table, as
    // esedbexport reads them: URL, type and flags as stored, hits, size and
    // times in UTC, and where the row is.
    for (const std::string table : {"Container_1", "Container_2", "Container_16"}) {
        const auto rows = ExportTable(m_database, table, m_root);
        EXPECT_FALSE(rows.empty()) << table;
        for (const auto& row : rows) {
            if (row.at("Url").empty())
                continue;
            const auto it = byUrl.find(row.at("Url"));
            ASSERT_NE(it, byUrl.end()) << table << " " << row.at("Url");
            const nlohmann::json& entry = it->second;
            EXPECT_EQ(entry["type"].get<uint64_t>(), std::stoull(row.at("Type"))) << row.at("Url");
            EXPECT_EQ(entry["flags"].get<uint64_t>(), std::stoull(row.at("Flags"))) << row.at("Url");
            EXPECT_EQ(entry["table"], table);
            EXPECT_EQ(entry["entry_id"].get<uint64_t>(), std::stoull(row.at("EntryId"))) << row.at("Url");
            EXPECT_EQ(entry["file_name"].is_null() ? "" : entry["file_name"].get<std::string>(), row.at("Filename"));
            EXPECT_EQ(entry["hit_rate"].get<uint64_t>(), std::stoull(row.at("AccessCount"))) << row.at("Url");
            EXPECT_EQ(entry["size_low"].get<uint64_t>(), std::stoull(row.at("FileSize"))) << row.at("Url");
            EXPECT_EQ(AsExported(entry["last_access_utc"]), row.at("AccessedTime")) << row.at("Url");
            EXPECT_EQ(AsExported(entry["last_modified_utc"]), row.at("ModifiedTime")) << row.at("Url");
            EXPECT_EQ(AsExported(entry["expire_utc"]), row.at("ExpiryTime")) << row.at("Url");
            EXPECT_EQ(AsExported(entry["last_sync_utc"]), row.at("SyncTime")) << row.at("Url");
            EXPECT_EQ(AsExported(entry["creation_utc"]), row.at("CreationTime")) << row.at("Url");
            // esedbexport gives this column as a plain number.
            EXPECT_EQ(entry["post_check"].get<uint64_t>(), std::stoull(row.at("PostCheckTime"))) << row.at("Url");
        }
    }

    const nlohmann::json& google = byUrl.at("http://google.com/");
    EXPECT_EQ(google["local"], cached.string());
    EXPECT_EQ(google["file_present"], 1);
    EXPECT_TRUE(google["header"].get<std::string>().starts_with("HTTP/1.1 301 Moved Permanently\r\n"));
    EXPECT_EQ(google["type"], 0x841) << "the Type as stored";
    EXPECT_EQ(google["size_low"], 219);
    // An entry whose file was not copied keeps its name and size, and says
    // the file is absent.
    const nlohmann::json& favicon = byUrl.at("https://www.google.com/favicon.ico");
    EXPECT_EQ(favicon["file_present"], 0);
    EXPECT_FALSE(favicon["file_name"].is_null());
    EXPECT_TRUE(favicon["local"].get<std::string>().ends_with(favicon["file_name"].get<std::string>()));
    EXPECT_EQ(byUrl.at("Visited: Administrator@file:///E:/test-folder/test-file-2.txt")["hit_rate"], 2);

    // Every cookie its own row: name, value, flags and times as
    // CookieEntryEx_4 holds them (name and value with their NUL), no access
    // time the table does not hold.
    std::map<uint64_t, nlohmann::json> cookies;
    for (const auto& entry : entries) {
        if (entry["table"] == "CookieEntryEx_4")
            cookies[entry["entry_id"].get<uint64_t>()] = entry;
    }
    const auto cookieRows = ExportTable(m_database, "CookieEntryEx_4", m_root);
    ASSERT_EQ(cookieRows.size(), kCookies);
    for (const auto& row : cookieRows) {
        const nlohmann::json& cookie = cookies.at(std::stoull(row.at("EntryId")));
        SCOPED_TRACE(row.at("EntryId"));
        EXPECT_EQ(cookie["cookie_name"], TextBeforeNul(row.at("Name")));
        EXPECT_EQ(cookie["cookie_value"], TextBeforeNul(row.at("Value")));
        EXPECT_EQ(cookie["flags"].get<uint64_t>(), std::stoull(row.at("Flags")));
        EXPECT_EQ(cookie["expire"].get<uint64_t>(), std::stoull(row.at("Expires")));
        EXPECT_EQ(cookie["last_modified"].get<uint64_t>(), std::stoull(row.at("LastModified")));
        EXPECT_EQ(cookie["last_access"], 0);
    }
    // Under their domain the right way round.
    EXPECT_EQ(cookies.at(1)["url"], "Cookie:Administrator@github.com/");
    EXPECT_EQ(cookies.at(1)["cookie_name"], "_octo");

    // --recovered adds the LeakFiles table's files as leaked records, with
    // their path in the profile and the time they were made; one was copied.
    const fs::path leaked = m_profile / "AppData/Local/Microsoft/Windows/INetCache/IE/0KLPAC95/log[1].txt";
    fs::create_directories(leaked.parent_path());
    std::ofstream(leaked) << "left behind";
    const test::Outcome all = RunCli({"--path", m_profile.string(), "list", "--recovered", "--times", "iso-utc"});
    // Every record includes the rows of the tables of other kinds, and three
    // of them have a page that fails its checksum in the sample itself: that
    // listing is incomplete, and says so (the plain list above is not).
    ASSERT_EQ(all.status, kExitIncomplete) << all.err;
    for (const char* page : {"Container_4 (iecompat): page 426", "Container_11 (ieflipahead): page 202",
                             "BlobEntry_1: page 170"})
        EXPECT_NE(all.err.find(page), std::string::npos) << page << all.err;
    std::vector<nlohmann::json> leaks;
    std::map<std::string, std::string> deletedPlaces;  // URLs no live row has
    size_t live = 0;
    size_t deleted = 0;
    size_t tableRows = 0;
    std::map<std::string, std::set<std::pair<uint64_t, std::string>>> rowsOfTable;  // EntryId, URL
    std::set<std::string> longValueRows;
    for (const auto& row : JsonLines(all.out)) {
        EXPECT_EQ(row["index_file"], m_database.string());
        // The rows of the tables without URL cache entries come after the
        // entries and leaks, each with its table and EntryId.
        if (row["state"] == "table row") {
            EXPECT_EQ(deleted, 0u) << "a deleted row before " << row;
            ++tableRows;
            rowsOfTable[row["table"].get<std::string>()].emplace(
                row["entry_id"].get<uint64_t>(), row["url"].is_null() ? "" : row["url"].get<std::string>());
            EXPECT_TRUE(row["record_offset"].is_null()) << row;
            continue;
        }
        // Rows recovered from the database's pages come after every other
        // record, with their page.
        if (row["state"] == "deleted") {
            ++deleted;
            EXPECT_EQ(row["record_place"].get<std::string>().rfind("page ", 0), 0u) << row;
            EXPECT_GT(row["record_offset"].get<uint64_t>(), 2u * 32768u);
            if (!byUrl.count(row["url"]))
                deletedPlaces.emplace(row["url"], row["record_place"]);
            continue;
        }
        EXPECT_EQ(deleted, 0u) << "a deleted row before " << row["url"];
        EXPECT_EQ(tableRows, 0u) << "a table row before " << row["url"];
        EXPECT_EQ(row["state"], row["table"] == "LeakFiles" ? "leak" : "live") << row["url"];
        EXPECT_TRUE(row["record_offset"].is_null()) << "a WebCache row is found by its table and EntryId";
        if (row["state"] == "leak")
            leaks.push_back(row);
        else
            EXPECT_EQ(row["last_access"], byUrl.at(row["url"])["last_access"]) << row["url"];
        if (row["table"] == "Container_1" && (row["entry_id"] == 70 || row["entry_id"] == 72)) {
            EXPECT_NE(row["url"].get<std::string>().find("gstatic.com"), std::string::npos) << row["url"];
            longValueRows.insert(std::to_string(row["entry_id"].get<uint64_t>()) + " " + row["file_name"].get<std::string>());
        }
        live += row["state"] == "live";
    }
    // Of the 87 Content URLs that only leftovers in its pages hold (an
    // independent walk of the sample's pages), at least 80, e.g. these two.
    EXPECT_GE(deletedPlaces.size(), 80u);
    EXPECT_LE(deletedPlaces.size(), 87u);
    EXPECT_EQ(deletedPlaces["http://go.microsoft.com/fwlink/?LinkID=627550"].rfind("page 447 ", 0), 0u);
    const auto findResults = std::find_if(deletedPlaces.begin(), deletedPlaces.end(), [](const auto& found) {
        return found.first.starts_with("res://C:") &&
               found.first.ends_with("F12Script.dll/23/debugger/LanguageService/findResults.css");
    });
    ASSERT_NE(findResults, deletedPlaces.end());
    EXPECT_EQ(findResults->second.rfind("page 452 ", 0), 0u);
    // Every entry that list gives, the two whose URL is a long value among
    // them, then the leaked files.
    EXPECT_EQ(live, kEntries);
    EXPECT_EQ(longValueRows, (std::set<std::string>{"70 9RFKZPWC.js", "72 m=Wt6vjf,hhhU8,FCpbqb,WhJNk[1].js"}));
    ASSERT_EQ(leaks.size(), 2u) << all.out;
    EXPECT_EQ(leaks[1]["local"], leaked.string());
    EXPECT_EQ(leaks[1]["file_present"], 1);
    EXPECT_EQ(leaks[1]["size_low"], std::string("left behind").size());
    EXPECT_EQ(leaks[1]["table"], "LeakFiles");
    EXPECT_EQ(leaks[1]["entry_id"], 2);
    // Its Windows path, as the table stores it.
    EXPECT_EQ(leaks[1]["file_name"], "C:\\Users\\Administrator\\AppData\\Local\\Microsoft\\Windows\\INetCache\\IE\\0KLPAC95\\log[1].txt");
    EXPECT_EQ(leaks[1]["creation"], 132826996685792746u);
    EXPECT_EQ(leaks[0]["file_present"], 0);
    EXPECT_EQ(leaks[0]["size_low"], 0) << "the table keeps no size";

    // Every row of the tables that hold no URL cache entries, as esedbexport
    // reads them: the unlisted containers, HSTS (the domain the right way
    // round), dependencies and blobs.
    const auto domainOf = [](const std::string& reversed) {
        std::vector<std::string> labels;
        std::istringstream parts(reversed);
        for (std::string label; std::getline(parts, label, '.');)
            labels.insert(labels.begin(), label);
        std::string domain;
        for (const std::string& label : labels)
            domain += (domain.empty() ? "" : ".") + label;
        return domain;
    };
    const auto exported = [&](const std::string& table) {
        std::set<std::pair<uint64_t, std::string>> rows;
        for (const auto& row : ExportTable(m_database, table, m_root))
            rows.emplace(std::stoull(row.at("EntryId")),
                         row.count("RDomain") ? domainOf(row.at("RDomain")) : row.at("Url"));
        return rows;
    };
    for (const auto& [table, count] : std::map<std::string, size_t>{{"Container_5", 24},
                                                                    {"Container_9", 1},
                                                                    {"Container_15", 1},
                                                                    {"BlobEntry_1", 23},
                                                                    {"HstsEntryEx_3", 5},
                                                                    {"HstsEntryEx_7", 1},
                                                                    {"DependencyEntryEx_6", 1}}) {
        EXPECT_EQ(rowsOfTable[table].size(), count) << table;
        EXPECT_EQ(rowsOfTable[table], exported(table)) << table;
    }
    EXPECT_TRUE(rowsOfTable["HstsEntryEx_3"].contains({6, "www.microsoft.com"}));
    // The two containers esedbexport gives no row of (it stops at a damaged
    // page of each): about 3,297 and 4,112 rows by an independent walk of
    // the sample's pages, less the damaged page's.
    EXPECT_GE(rowsOfTable["Container_4"].size(), 3000u);
    EXPECT_LE(rowsOfTable["Container_4"].size(), 3297u);
    EXPECT_GE(rowsOfTable["Container_11"].size(), 4000u);
    EXPECT_LE(rowsOfTable["Container_11"].size(), 4112u);
    // The database's own partitions, TableId as the key.
    EXPECT_EQ(rowsOfTable["PartitionsEx"].size(), ExportTable(m_database, "PartitionsEx", m_root).size());
    EXPECT_EQ(rowsOfTable.count("Container_1") + rowsOfTable.count("CookieEntryEx_4") + rowsOfTable.count("LeakFiles"),
              0u)
        << "the URL cache's own tables are listed as entries and leaks";
}

// Little-endian writes into a byte buffer.
void Put(std::string& bytes, size_t at, uint64_t value, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// The older XOR checksum of a 4 KiB block: the seed 0x89abcdef XOR every
// 32-bit word after the first.
uint32_t XorSum(const std::string& block)
{
    uint32_t sum = 0x89abcdef;
    for (size_t at = 4; at + 4 <= block.size(); at += 4)
        sum ^= static_cast<uint32_t>(static_cast<unsigned char>(block[at])) |
               static_cast<uint32_t>(static_cast<unsigned char>(block[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(block[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(block[at + 3])) << 24;
    return sum;
}

TEST_F(WebCacheSample, ARowOnlyItsLogHoldsIsListedAsLogOnlyWithItsLogPosition)
{
    // A log of generation 1 beside the database, written as the engine
    // writes one (its header, one segment in the older checksum form), whose
    // transaction inserts into the Content container a copy of its shortest
    // row under another key and EntryId: a row the database does not hold.
    std::string key;
    std::string record;
    uint32_t objectId = 0;
    uint32_t root = 0;
    std::string signature;
    {
        ese::Database database(m_database);
        const ese::Table* table = database.Tables().Find("Container_1");
        ASSERT_NE(table, nullptr);
        objectId = table->objectId;
        root = table->rootPage;
        std::vector<std::string> problems;
        ese::WalkLeaves(
            database, table->rootPage,
            [&](const ese::NodePlace&, const ese::Node& node) {
                if (record.empty() || node.data.size() < record.size()) {
                    key = node.key + "\xff";
                    record = std::string(node.data);
                }
            },
            problems);
        const ese::Column* entryId = table->Find("EntryId");
        ASSERT_NE(entryId, nullptr);
        Put(record, 4 + entryId->fixedOffset, 0x7FFF0001, 4);
        std::ifstream in(m_database, std::ios::binary);
        std::string header(136, '\0');
        in.read(header.data(), 136);
        signature = header.substr(108, 28);
    }
    ASSERT_LT(record.size() + key.size(), 3900u);

    std::string log(16 * 4096, '\0');
    std::string head(4096, '\0');
    Put(head, 4, 1, 4);       // generation
    Put(head, 8, 4096, 2);    // sector size
    Put(head, 10, 1, 2);      // header sectors
    Put(head, 12, 16, 2);     // sectors in the file
    Put(head, 32, 8, 4);      // format version
    Put(head, 36, 4000, 4);
    head.replace(44, 28, signature);
    Put(head, 667, 3, 4);     // file type: log
    Put(head, 0, XorSum(head), 4);
    log.replace(0, 4096, head);

    std::string segment(4096, '\0');
    Put(segment, 10, 1, 2);   // sector 1
    Put(segment, 12, 1, 4);   // of generation 1
    std::string records = {5, 1, 0, 0x11};  // begin, session 1, level 1 to 2
    std::string insert(50, '\0');
    insert[0] = 29;
    Put(insert, 1, 1, 2);     // session
    insert[3] = 1;            // database
    Put(insert, 4, root, 4);  // page
    Put(insert, 8, 0x1000000, 8);
    insert[28] = 2;           // level
    Put(insert, 36, root, 4);
    Put(insert, 40, objectId, 4);
    Put(insert, 44, key.size(), 2);
    Put(insert, 48, record.size(), 2);
    records += insert + key + record;
    records += std::string{6, 1, 0, 1};  // commit to level 1
    segment.replace(40, records.size(), records);
    Put(segment, 4, 1, 4);    // the sector number beside the checksum
    Put(segment, 0, XorSum(segment), 4);
    log.replace(4096, 4096, segment);
    const fs::path logFile = m_database.parent_path() / "V01.log";
    std::ofstream(logFile, std::ios::binary) << log;

    const test::Outcome all = RunCli({"--path", m_profile.string(), "list", "--recovered"});
    ASSERT_EQ(all.status, kExitIncomplete) << all.err;  // the sample's own damaged pages
    std::vector<nlohmann::json> logOnly;
    for (const auto& row : JsonLines(all.out))
        if (row["state"] == "log only")
            logOnly.push_back(row);
    ASSERT_EQ(logOnly.size(), 1u) << all.out;
    EXPECT_EQ(logOnly[0]["index_file"], logFile.string());
    EXPECT_EQ(logOnly[0]["record_place"], "V01.log 1:1:44");
    EXPECT_EQ(logOnly[0]["record_offset"], 4096 + 44);
    EXPECT_EQ(logOnly[0]["container"], "Content");
    EXPECT_FALSE(logOnly[0]["url"].get<std::string>().empty());
}

TEST_F(WebCacheSample, OpensReadOnlyAndLeavesTheProfileAsItWas)
{
    // A renamed copy elsewhere opens by its signature.
    const fs::path copy = m_root / "evidence" / "webcache-copy.bin";
    fs::create_directories(copy.parent_path());
    fs::copy_file(m_database, copy);
    const auto before = test::TreeState(m_root);

    const std::string profile = m_profile.string();
    // info without a URL lists the database, as it lists index.dat files.
    const test::Outcome containers = RunCli({"--path", profile, "info"});
    ASSERT_EQ(containers.status, 0) << containers.err;
    const auto listed = JsonLines(containers.out);
    ASSERT_EQ(listed.size(), 1u) << containers.out;
    EXPECT_EQ(listed[0]["container"], "webcache");
    EXPECT_EQ(listed[0]["path"], m_database.string());
    EXPECT_EQ(listed[0]["sha256"], "53fdf84e1d412c65573cbecc958bd7235eaf5f2c15e7652e7826f9372b5e66f1");
    const test::Outcome info = RunCli({"--path", profile, "info", "http://google.com/"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.err.find(urlcache::kWebCacheReadOnly), std::string::npos) << info.err;
    const test::Outcome refused = RunCli({"--path", profile, "delete", "http://google.com/"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(urlcache::kWebCacheReadOnly), std::string::npos) << refused.err;
    EXPECT_NE(refused.out.find(urlcache::kReadOnlyRefusal), std::string::npos) << refused.out;
    EXPECT_EQ(RunCli({"--path", profile, "info", "http://google.com/"}).status, 0) << "the entry was deleted";
    EXPECT_EQ(RunCli({"--path", profile, "timeline"}).status, 0);
    const test::Outcome renamed = RunCli({"--container", copy.string(), "list"});
    EXPECT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(JsonLines(renamed.out).size(), kEntries);

    // `caches` counts the profile named by TROVANA_PROFILE.
    ::setenv("TROVANA_PROFILE", profile.c_str(), 1);
    const test::Outcome caches = RunCli({"caches", "--format", "jsonl"});
    ::unsetenv("TROVANA_PROFILE");
    ASSERT_EQ(caches.status, 0) << caches.err;
    bool found = false;
    for (const auto& row : JsonLines(caches.out)) {
        if (row["path"] == profile) {
            found = true;
            EXPECT_EQ(row["entries"], kEntries);
        }
    }
    EXPECT_TRUE(found) << caches.out;

    EXPECT_TRUE(test::TreeState(m_root) == before) << "reading the WebCache database changed the profile";
}

TEST_F(WebCacheSample, DamagedCopyListsTheRestAndNamesWhatItSkipped)
{
    // Page 335 is the root of Container_16 (daily history of 15-22 November
    // 2021) in the sample's catalogue; pages start after the header page.
    {
        std::fstream file(m_database, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(std::streamoff{336} * 32768);
        const std::string garbage(32768, '\x5a');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    // The rest is listed, and both the warning and the exit status say that
    // the listing is incomplete; timeline too. The tables of other kinds
    // (whose own damaged pages take nothing from this listing) are named on
    // a line of their own.
    const test::Outcome damaged = RunCli({"--path", m_profile.string(), "list"});
    EXPECT_EQ(damaged.status, kExitIncomplete) << damaged.err;
    EXPECT_EQ(JsonLines(damaged.out).size(), kEntries - 14);
    const std::vector<std::string> warnings = test::WarningLines(damaged.err);
    ASSERT_EQ(warnings.size(), 2u) << damaged.err;
    EXPECT_NE(warnings[0].find("the entries there are not listed: Container_16 (MSHist012021111520211122): page 335 "
                               "fails its checksum"),
              std::string::npos)
        << warnings[0];
    EXPECT_EQ(warnings[0].find("Container_4"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("Container_4 (iecompat): page 426"), std::string::npos) << warnings[1];
    EXPECT_EQ(RunCli({"--path", m_profile.string(), "timeline"}).status, kExitIncomplete);

    // One byte of a catalogue page changed (0x00 to 0x4B at 465413, which
    // made libesedb crash): every command still runs, the catalogue's shadow
    // copy names every table, and the damaged page is said.
    const fs::path byte = m_root / "byte.dat";
    fs::copy_file(m_database, byte);
    {
        std::fstream file(byte, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(465413);
        file.put('\x4b');
    }
    const test::Outcome listed = RunCli({"--container", byte.string(), "list"});
    EXPECT_EQ(listed.status, kExitIncomplete) << listed.err;
    EXPECT_EQ(JsonLines(listed.out).size(), kEntries - 14);
    EXPECT_NE(listed.err.find("the catalogue: page 13 fails its checksum"), std::string::npos) << listed.err;
    EXPECT_EQ(RunCli({"--container", byte.string(), "info", "http://google.com/"}).status, 0);
    EXPECT_EQ(RunCli({"--container", byte.string(), "timeline"}).status, kExitIncomplete);

    // Garbage and a truncated database: a clear error, no listing.
    const fs::path garbage = m_root / "garbage.dat";
    std::ofstream(garbage) << std::string(100000, '\x17');
    const test::Outcome notEse = RunCli({"--container", garbage.string(), "list"});
    EXPECT_EQ(notEse.status, 1);
    test::ExpectOneErrorLine(notEse);
    const fs::path truncated = m_root / "truncated.dat";
    fs::copy_file(m_database, truncated);
    fs::resize_file(truncated, 70000);
    const test::Outcome cut = RunCli({"--container", truncated.string(), "list"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "");
    test::ExpectOneErrorLine(cut);
    EXPECT_NE(cut.err.find(truncated.string() + " cannot be read as an ESE database"), std::string::npos) << cut.err;
}

TEST_F(WebCacheSample, ADroppedContainersPageListsItsRowsAsDeletedUnderItsOldName)
{
    // Container 10 is no live row of the Containers table; the Containers
    // table's page (431) still holds the name of the daily history of 15-16
    // November 2021, which no live container has.
    const auto containers = ExportTable(m_database, "Containers", m_root);
    ASSERT_FALSE(containers.empty());
    for (const auto& row : containers)
        EXPECT_NE(row.at("ContainerId"), "10");
    const std::string oldName = "MSHist012021111520211116";
    std::string utf16;
    for (char c : oldName)
        utf16 += std::string{c, '\0'};
    ASSERT_NE(trovana::test::ReadPageBytes(m_database, 431).find(utf16), std::string::npos);

    ASSERT_TRUE(trovana::test::PutDroppedPage(m_database));
    const std::string page = trovana::test::ReadPageBytes(m_database, trovana::test::kDroppedPage);
    const size_t tags = ese::ReadLE<uint16_t>(page, 34);  // the page's tag count, tag 0 its own
    std::map<std::string, std::map<std::string, std::string>> contentById;
    for (const auto& row : ExportTable(m_database, "Container_1", m_root))
        contentById[row.at("EntryId")] = row;

    const test::Outcome all = RunCli({"--path", m_profile.string(), "list", "--recovered", "--times", "iso-utc"});
    ASSERT_EQ(all.status, kExitIncomplete) << all.err;  // the sample's own damaged pages
    std::set<std::string> ids;
    for (const auto& row : JsonLines(all.out)) {
        if (row["table"] != "Container_10")
            continue;
        EXPECT_EQ(row["state"], "deleted");
        EXPECT_EQ(row["container"], oldName);
        EXPECT_EQ(row["record_place"].get<std::string>().rfind("page 160, tag ", 0), 0u) << row["record_place"];
        EXPECT_EQ(row["record_offset"].get<uint64_t>() / trovana::test::kSamplePageSize,
                  trovana::test::kDroppedPage + 1u);
        // The values of the Content row whose bytes the page holds.
        const std::string id = std::to_string(row["entry_id"].get<uint64_t>());
        ASSERT_TRUE(contentById.count(id)) << id;
        EXPECT_EQ(row["url"], contentById[id]["Url"]);
        EXPECT_EQ(AsExported(row["last_access_utc"]), contentById[id]["AccessedTime"]) << id;
        EXPECT_EQ(AsExported(row["creation_utc"]), contentById[id]["CreationTime"]) << id;
        ids.insert(id);
    }
    // One row per tag but the two whose URL is a long value (EntryId 70
    // and 72), whose tree went with the table: said, not guessed.
    EXPECT_EQ(ids.size() + 2, tags - 1);
    EXPECT_FALSE(ids.count("70") || ids.count("72"));
    EXPECT_NE(all.err.find("Container_10 (dropped): 2 recovered rows hold long values that are gone"),
              std::string::npos)
        << all.err;
}

}  // namespace
}  // namespace trovana::cli
