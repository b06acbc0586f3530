// SPDX-License-Identifier: GPL-3.0-or-later
// Deleted rows recovered from the samples' pages. The live rows come from
// esedbexport (the independent reader); the URLs that only leftovers hold,
// and where two of them lie, from an independent walk of the WebCache
// sample's pages; the 96 flagged-deleted nodes of the SRUM copy from its
// catalogue's pages. The tables the catalogue no longer lists, against an
// independent walk of the catalogue's pages and esedbinfo's live tables,
// and the rows of a page of one put back into a copy of the sample.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <tuple>

#include "../webcache/dropped_page.h"
#include "database.h"
#include "dropped.h"
#include "ese_samples.h"
#include "format.h"
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

// ---- Tables the catalogue no longer lists ----

using Described = std::tuple<uint32_t, std::string, uint32_t>;  // object id, name, first page

// The object ids of the live tables, as esedbinfo lists them:
// "Table: 7			Container_1 (14)".
std::set<uint32_t> LiveObjects(const std::filesystem::path& database)
{
    const std::string command = "esedbinfo '" + database.string() + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::set<uint32_t> objects;
    const std::regex table(R"(^Table: \d+\s+\S+ \((\d+)\))");
    char line[512];
    while (pipe && fgets(line, sizeof line, pipe.get())) {
        std::cmatch match;
        if (std::regex_search(line, match, table))
            objects.insert(static_cast<uint32_t>(std::stoul(match[1])));
    }
    return objects;
}

// Calls `visit` with the number and bytes of each page whose header names
// the catalogue or its shadow (objects 2 and 3).
void ForEachCataloguePage(const std::filesystem::path& database,
                          const std::function<void(uint32_t, const std::string&)>& visit)
{
    // The pages after the two header pages.
    const auto pageCount = static_cast<uint32_t>(std::filesystem::file_size(database) / test::kSamplePageSize - 2);
    for (uint32_t number = 1; number <= pageCount; ++number) {
        const std::string page = test::ReadPageBytes(database, number);
        const uint32_t owner = ese::ReadLE<uint32_t>(page, 24);
        if (owner == 2 || owner == 3)
            visit(number, page);
    }
}

// Every table row that the pages of the catalogue and its shadow (objects
// 2 and 3) hold anywhere, found by their layout alone: a record header
// whose last fixed column and end of fixed data agree with MSysObjects'
// fixed columns (4, 2, 4, 4, 4, 4, 4, 1, 2, 4, 2 bytes), Type 1, ObjidTable
// equal to Id, then its first page and its name, the first variable value.
std::set<Described> CatalogueTableRowsOnPages(const std::filesystem::path& database)
{
    static const size_t sizes[] = {4, 2, 4, 4, 4, 4, 4, 1, 2, 4, 2};
    std::set<Described> found;
    ForEachCataloguePage(database, [&](uint32_t, const std::string& page) {
        for (size_t at = 80; at + 64 < page.size(); ++at) {
            const size_t lastFixed = static_cast<unsigned char>(page[at]);
            const size_t lastVariable = static_cast<unsigned char>(page[at + 1]);
            if (lastFixed < 4 || lastFixed > 11 || lastVariable < 128 || lastVariable > 137)
                continue;
            size_t endFixed = 4 + (lastFixed + 7) / 8;
            for (size_t i = 0; i < lastFixed; ++i)
                endFixed += sizes[i];
            const uint32_t id = ese::ReadLE<uint32_t>(page, at + 10);
            if (ese::ReadLE<uint16_t>(page, at + 2) != endFixed || ese::ReadLE<uint16_t>(page, at + 8) != 1 ||
                ese::ReadLE<uint32_t>(page, at + 4) != id)
                continue;
            const uint16_t nameEnd = ese::ReadLE<uint16_t>(page, at + endFixed);
            const size_t name = at + endFixed + 2 * (lastVariable - 127);
            if ((nameEnd & 0x8000) || nameEnd == 0 || nameEnd > 64 || name + nameEnd > page.size())
                continue;
            found.emplace(id, page.substr(name, nameEnd), ese::ReadLE<uint32_t>(page, at + 14));
        }
    });
    return found;
}

TEST(DroppedTables, TheCatalogueLeftoversDescribeThemWithTheirColumns)
{
    ese::Database database(WebCacheSample());
    const std::set<uint32_t> live = LiveObjects(WebCacheSample());
    ASSERT_EQ(live.size(), 34u);  // esedbinfo's 34 tables
    std::set<Described> expected;
    for (const Described& row : CatalogueTableRowsOnPages(WebCacheSample()))
        if (!live.count(std::get<0>(row)))
            expected.insert(row);
    // Container_10 among them, and the dependency table dropped and made
    // again four times.
    EXPECT_TRUE(expected.count({38, "Container_10", 167}));
    EXPECT_GE(expected.size(), 5u);

    const std::vector<DroppedTable> dropped = FindDroppedTables(database);
    std::set<Described> found;
    for (const DroppedTable& table : dropped)
        found.emplace(table.table.objectId, table.table.name, table.table.rootPage);
    EXPECT_EQ(found, expected);

    // Container_10's own column rows are all there: the columns of every
    // container's table, as esedbexport names them for a live one.
    const auto container10 = std::find_if(dropped.begin(), dropped.end(),
                                          [](const DroppedTable& table) { return table.table.objectId == 38; });
    ASSERT_NE(container10, dropped.end());
    EXPECT_FALSE(container10->standInColumns);
    std::vector<std::string> names;
    for (const ese::Column& column : container10->table.columns)
        names.push_back(column.name);
    EXPECT_EQ(names, Export(WebCacheSample(), "Container_1").columns);
    ASSERT_NE(container10->table.Find("Url"), nullptr);
    EXPECT_EQ(container10->table.Find("Url")->type, ese::ColumnType::LongText);
    // Its long values' tree is described nowhere: none is read.
    EXPECT_EQ(container10->table.longValueRoot, 0u);
}

TEST(DroppedTables, NoPageOfTheSampleHoldsTheirRowsAnyMore)
{
    ese::Database database(WebCacheSample());
    const std::vector<DroppedTable> dropped = FindDroppedTables(database);
    ASSERT_FALSE(dropped.empty());
    std::set<uint32_t> objects;
    for (const DroppedTable& table : dropped)
        objects.insert(table.table.objectId);
    // No page header names one of them, but for pages of their indexes
    // (flag 0x40), which hold keys, not rows; their first pages went to
    // other trees (Container_10's page 167 to object 17's long values).
    for (uint32_t number = 1; number <= database.PageCount(); ++number) {
        const std::string page = test::ReadPageBytes(WebCacheSample(), number);
        if (objects.count(ese::ReadLE<uint32_t>(page, 24))) {
            EXPECT_TRUE(ese::ReadLE<uint32_t>(page, 36) & 0x40) << "page " << number;
        }
    }
    EXPECT_EQ(ese::ReadLE<uint32_t>(test::ReadPageBytes(WebCacheSample(), 167), 24), 17u);
    std::vector<std::string> problems;
    for (const TableRecovery& recovery : RecoverDroppedTables(database, dropped, problems))
        EXPECT_TRUE(recovery.rows.empty());
}

// The rows of the dropped page: one per tag of the page it was copied from
// (as its raw tag array counts them), each on a page whose header names
// Container_10, with the EntryId and URL of a Content row esedbexport lists.
void ExpectRowsOfTheDroppedPage(const std::filesystem::path& copy, const ese::Table& table,
                                const TableRecovery& recovery)
{
    const std::string page = test::ReadPageBytes(copy, test::kDroppedPage);
    const size_t tags = ese::ReadLE<uint16_t>(page, 34);  // the tag count, tag 0 the page's own
    ASSERT_GT(tags, 10u);
    const LiveRows live = ExportedLive("Container_1");
    std::set<uint16_t> tagsFound;
    for (const RecoveredRow& row : recovery.rows) {
        EXPECT_EQ(row.table, "Container_10");
        EXPECT_EQ(ese::ReadLE<uint32_t>(test::ReadPageBytes(copy, row.leftover.page), 24), test::kDroppedObject);
        if (row.leftover.source == LeftoverSource::UnusedPage)
            tagsFound.insert(row.leftover.tag);
        const ese::ColumnValue* id = row.record.Find(1);
        const ese::ColumnValue* url = row.record.Find(256);
        ASSERT_TRUE(id && url);
        const std::string entryId = std::to_string(ese::ReadLE<uint64_t>(id->values.front().bytes, 0));
        // The two URLs kept as long values (gstatic.com) are only ids here.
        if (url->values.front().longValue)
            EXPECT_TRUE(entryId == "70" || entryId == "72") << entryId;
        else
            EXPECT_TRUE(
                live.idAndUrl.count({entryId, Exported(ese::TextValue(*table.FindId(256), url->values.front().bytes))}))
                << entryId;
        // AccessedTime: a FILETIME of November 2021, as the sample's rows.
        const ese::ColumnValue* accessed = row.record.Find(14);
        ASSERT_TRUE(accessed);
        const uint64_t time = ese::ReadLE<uint64_t>(accessed->values.front().bytes, 0);
        EXPECT_GT(time, 132800000000000000u);  // 2021-11-01
        EXPECT_LT(time, 132830000000000000u);  // 2021-12-05
    }
    EXPECT_EQ(tagsFound.size(), tags - 1);
    EXPECT_EQ(tagsFound.empty() ? 0 : *tagsFound.rbegin(), tags - 1);
}

// The dropped tables of `file` and the rows recovered of each, in order.
std::pair<std::vector<DroppedTable>, std::vector<TableRecovery>> RecoverDropped(const std::filesystem::path& file)
{
    ese::Database database(file);
    std::vector<DroppedTable> dropped = FindDroppedTables(database);
    std::vector<std::string> problems;
    std::vector<TableRecovery> recovered = RecoverDroppedTables(database, dropped, problems);
    return {std::move(dropped), std::move(recovered)};
}

TEST(DroppedTables, APageLeftWithTheirObjectGivesItsRows)
{
    const std::filesystem::path copy = ese::test::CopyOf(WebCacheSample(), "dropped-page.dat");
    ASSERT_TRUE(test::PutDroppedPage(copy));
    const auto [dropped, recovered] = RecoverDropped(copy);
    size_t rows = 0;
    for (size_t i = 0; i < dropped.size(); ++i) {
        rows += recovered[i].rows.size();
        if (dropped[i].table.objectId == test::kDroppedObject)
            ExpectRowsOfTheDroppedPage(copy, dropped[i].table, recovered[i]);
    }
    EXPECT_GT(rows, 10u);
    // In the listing of every table's deleted rows too, never under a
    // live table's name.
    size_t container10 = 0;
    const Recovery all = RecoverDeletedRows(ese::Database(copy));
    for (const RecoveredRow& row : all.rows) {
        container10 += row.table == "Container_10";
        EXPECT_TRUE(row.table != "Container_10" || row.tableObjectId == test::kDroppedObject);
    }
    EXPECT_EQ(container10, rows);
}

TEST(DroppedTables, RowsRepeatingTheLiveTableOfTheSameNameAreLeftOut)
{
    // DependencyEntryEx_6 was dropped and made again; its live page (57,
    // object 68) put back as a page of the first dropped copy (object 36).
    const std::filesystem::path copy = ese::test::CopyOf(WebCacheSample(), "dropped-twin.dat");
    ASSERT_EQ(ese::ReadLE<uint32_t>(test::ReadPageBytes(copy, 57), 24), 68u);
    ASSERT_TRUE(test::PutPageAs(copy, 57, test::kDroppedPage, 36));
    const auto [dropped, recovered] = RecoverDropped(copy);
    bool seen = false;
    for (size_t i = 0; i < dropped.size(); ++i) {
        if (dropped[i].table.objectId != 36)
            continue;
        seen = true;
        EXPECT_EQ(dropped[i].table.name, "DependencyEntryEx_6");
        // Its records decode, and every one is a live row's.
        EXPECT_GE(recovered[i].leftovers, 1u);
        EXPECT_EQ(recovered[i].repeats, recovered[i].leftovers);
        EXPECT_TRUE(recovered[i].rows.empty());
    }
    EXPECT_TRUE(seen);
}

// The places of the catalogue records of `object` with the given Type
// (their ObjidTable field), by the layout CatalogueTableRowsOnPages reads.
std::vector<std::pair<uint32_t, size_t>> CatalogueRecordsOf(const std::filesystem::path& database, uint32_t object,
                                                            uint16_t type)
{
    std::vector<std::pair<uint32_t, size_t>> places;
    ForEachCataloguePage(database, [&](uint32_t number, const std::string& page) {
        for (size_t at = 80; at + 16 < page.size(); ++at) {
            if (page[at] >= 4 && page[at] <= 11 && ese::ReadLE<uint32_t>(page, at + 4) == object &&
                ese::ReadLE<uint16_t>(page, at + 8) == type)
                places.emplace_back(number, at);
        }
    });
    return places;
}

TEST(DroppedTables, AContainersColumnsStandInWhenItsColumnRowsAreGone)
{
    const std::filesystem::path copy = ese::test::CopyOf(WebCacheSample(), "dropped-columns.dat");
    ASSERT_TRUE(test::PutDroppedPage(copy));
    // Every column row of Container_10 moved to an object no table has.
    const auto columnRows = CatalogueRecordsOf(copy, test::kDroppedObject, 2);
    ASSERT_GE(columnRows.size(), 25u);
    std::map<uint32_t, std::string> pages;
    for (const auto& [number, at] : columnRows) {
        auto [it, added] = pages.try_emplace(number, test::ReadPageBytes(copy, number));
        test::PutLE32(it->second, at + 4, 0x7ffffff0);
    }
    for (const auto& [number, bytes] : pages)
        test::SealPage(copy, number, bytes);

    const auto [dropped, recovered] = RecoverDropped(copy);
    bool seen = false;
    for (size_t i = 0; i < dropped.size(); ++i) {
        if (dropped[i].table.objectId != test::kDroppedObject)
            continue;
        seen = true;
        EXPECT_TRUE(dropped[i].standInColumns);
        EXPECT_EQ(dropped[i].table.columns.size(), 25u);
        ExpectRowsOfTheDroppedPage(copy, dropped[i].table, recovered[i]);
    }
    EXPECT_TRUE(seen);
}

TEST(DroppedTables, CopiesThatDisagreeGiveNoTable)
{
    const std::filesystem::path copy = ese::test::CopyOf(WebCacheSample(), "dropped-disagree.dat");
    ASSERT_TRUE(test::PutDroppedPage(copy));
    // One copy of Container_10's table row names another first page.
    const auto tableRows = CatalogueRecordsOf(copy, test::kDroppedObject, 1);
    ASSERT_GE(tableRows.size(), 2u);
    std::string page = test::ReadPageBytes(copy, tableRows.front().first);
    test::PutLE32(page, tableRows.front().second + 14, 300);
    test::SealPage(copy, tableRows.front().first, page);

    ese::Database database(copy);
    for (const DroppedTable& table : FindDroppedTables(database))
        EXPECT_NE(table.table.objectId, test::kDroppedObject) << table.table.name;
    for (const RecoveredRow& row : RecoverDeletedRows(database).rows)
        EXPECT_NE(row.tableObjectId, test::kDroppedObject);
}

}  // namespace
}  // namespace trovana::eserecovery
