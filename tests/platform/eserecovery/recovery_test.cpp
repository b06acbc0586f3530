// SPDX-License-Identifier: GPL-3.0-or-later
// Deleted rows recovered from the samples' pages. The live rows come from
// esedbexport (the independent reader); the URLs that only leftovers hold,
// and where two of them lie, from an independent walk of the WebCache
// sample's pages; the 96 flagged-deleted nodes of the SRUM copy from its
// catalogue's pages.
#include <gtest/gtest.h>

#include <set>

#include "database.h"
#include "ese_samples.h"
#include "recovery.h"
#include "values.h"

namespace trovana::eserecovery {
namespace {

using ese::test::Export;
using ese::test::WebCacheSample;

// A URL as esedbexport writes it (backslashes doubled).
std::string Exported(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\\')
            out += c;
    }
    return out;
}

struct LiveRows {
    std::set<std::string> urls;
    std::set<std::pair<std::string, std::string>> idAndUrl;
};

// The live rows esedbexport gives (all of Container_1; of Container_4 those
// before the damaged page at which libesedb gives up the table).
LiveRows ExportedLive(const std::string& table)
{
    const ese::test::ExportedTable exported = Export(WebCacheSample(), table);
    const auto column = [&](const std::string& name) {
        return static_cast<size_t>(std::find(exported.columns.begin(), exported.columns.end(), name) -
                                   exported.columns.begin());
    };
    const size_t id = column("EntryId");
    const size_t url = column("Url");
    LiveRows live;
    for (const auto& row : exported.rows) {
        if (url < row.size() && id < row.size()) {
            live.urls.insert(row[url]);
            live.idAndUrl.emplace(row[id], row[url]);
        }
    }
    return live;
}

struct Found {
    std::string entryId;
    std::string url;
    uint32_t page;
};

std::vector<Found> RecoveredOf(const std::string& tableName, TableRecovery* details = nullptr)
{
    ese::Database database(WebCacheSample());
    const ese::Table* table = database.Tables().Find(tableName);
    EXPECT_NE(table, nullptr);
    if (!table)
        return {};
    std::vector<std::string> problems;
    TableRecovery recovery = RecoverTable(database, *table, problems);
    const ese::Column* id = table->Find("EntryId");
    const ese::Column* url = table->Find("Url");
    std::vector<Found> found;
    for (const RecoveredRow& row : recovery.rows) {
        EXPECT_EQ(row.table, tableName);
        EXPECT_TRUE(row.record.problem.empty());
        const ese::ColumnValue* idValue = row.record.Find(id->id);
        const ese::ColumnValue* urlValue = row.record.Find(url->id);
        found.push_back({idValue ? std::to_string(ese::IntegerValue(*id, idValue->values.front().bytes)) : "",
                         urlValue ? Exported(ese::TextValue(*url, urlValue->values.front().bytes)) : "",
                         row.leftover.page});
    }
    if (details)
        *details = std::move(recovery);
    return found;
}

TEST(RecoveredWebCache, ContentLeftoversGiveTheUrlsNoLiveRowHas)
{
    const LiveRows live = ExportedLive("Container_1");
    // 46 rows; esedbexport gives no URL for the two kept as long values.
    ASSERT_EQ(live.idAndUrl.size(), 46u);
    std::set<std::string> onlyDeleted;
    std::map<std::string, uint32_t> pageOf;
    for (const Found& row : RecoveredOf("Container_1")) {
        // Never a live row again: its id and URL together are no live row's.
        EXPECT_FALSE(live.idAndUrl.count({row.entryId, row.url})) << row.url;
        if (!live.urls.count(row.url)) {
            onlyDeleted.insert(row.url);
            pageOf.emplace(row.url, row.page);
        }
    }
    // 87 URLs that only leftovers hold.
    EXPECT_GE(onlyDeleted.size(), 80u);
    EXPECT_LE(onlyDeleted.size(), 87u);
    EXPECT_EQ(pageOf["http://go.microsoft.com/fwlink/?LinkID=627550"], 447u);
    EXPECT_EQ(pageOf[Exported("res://C:\\Windows\\SYSTEM32\\F12\\F12Script.dll/23/debugger/LanguageService/"
                              "findResults.css")],
              452u);
}

TEST(RecoveredWebCache, LeftoversThatRepeatLiveRowsAreNotRecovered)
{
    // Container_4 (iecompat): 948 of its 963 leftovers repeat live rows.
    TableRecovery details;
    const auto found = RecoveredOf("Container_4", &details);
    EXPECT_GE(details.leftovers, 900u);
    EXPECT_GE(details.repeats, 900u);
    EXPECT_LE(found.size(), 30u);
    const LiveRows live = ExportedLive("Container_4");
    for (const Found& row : found)
        EXPECT_FALSE(live.idAndUrl.count({row.entryId, row.url})) << row.url;
}

TEST(RecoveredSrum, FlaggedDeletedNodesOfTheCatalogueDecode)
{
    ese::Database database(ese::test::SrumSample("clean"));
    const Recovery recovery = RecoverDeletedRows(database);
    EXPECT_EQ(recovery.deletedTags, 96u);
    std::set<std::string> tables;
    for (const RecoveredRow& row : recovery.rows) {
        if (row.leftover.source == LeftoverSource::DeletedTag)
            tables.insert(row.table);
        EXPECT_EQ(row.fileOffset / database.Header().pageSize, row.leftover.page + 1u);
        EXPECT_FALSE(DescribePlace(row.leftover).empty());
    }
    EXPECT_EQ(tables, (std::set<std::string>{"MSysObjects", "MSysObjectsShadow", "MSysObjids"}));
}

TEST(RecoveredSrum, TheDirtyCopyRecoversWhatTheCleanOneDoes)
{
    ese::Database clean(ese::test::SrumSample("clean"));
    ese::Database dirty(ese::test::SrumSample("dirty"));
    const Recovery a = RecoverDeletedRows(clean);
    const Recovery b = RecoverDeletedRows(dirty);
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (size_t i = 0; i < a.rows.size(); ++i)
        EXPECT_EQ(a.rows[i].leftover.data, b.rows[i].leftover.data);
}

}  // namespace
}  // namespace trovana::eserecovery
