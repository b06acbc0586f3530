// SPDX-License-Identifier: GPL-3.0-or-later
// The export file written without a window: every row or none, and a file
// it would replace untouched unless the export completes.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "operations/export_file.h"
#include "operations/export_target.h"

namespace trovana::operations {
namespace {

namespace fs = std::filesystem;

class ExportFile : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_root); }
    void TearDown() override { fs::remove_all(m_root); }

    static std::string Read(const fs::path& path)
    {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // Rows of these URLs; an empty URL is an entry the cache no longer has.
    static ExportRows Rows(std::vector<std::string> urls)
    {
        ExportRows rows;
        rows.count = urls.size();
        rows.row = [urls](urlcache::UrlCache&, size_t index, const urlcache::SurveyedRecord*& surveyed) {
            surveyed = nullptr;
            if (urls[index].empty())
                return std::unique_ptr<urlcache::CacheEntryInfo>();
            auto entry = std::make_unique<urlcache::CacheEntryInfo>();
            entry->sourceUrlName = urls[index];
            return entry;
        };
        return rows;
    }

    const fs::path m_root = fs::temp_directory_path() / ("trovana-export-" + std::to_string(::getpid()));
    urlcache::UrlCache m_cache{urlcache::CacheLocation{}};
};

TEST_F(ExportFile, WritesEveryRowAndCountsTheMissing)
{
    const ExportTarget target{m_root / "rows.csv", exporting::ExportFormat::Csv};
    std::vector<size_t> reported;
    const ExportTotals totals =
        WriteExportFile(m_cache, target, Rows({"http://a.com/", "", "http://b.com/x"}), TimeZone::Utc(), [&](size_t done) {
            reported.push_back(done);
            return true;
        });
    EXPECT_EQ(totals.written, 2u);
    EXPECT_EQ(totals.missing, 1u);
    EXPECT_FALSE(totals.cancelled);
    EXPECT_EQ(reported.back(), 3u);
    const std::string text = Read(target.path);
    EXPECT_NE(text.find("http://a.com/"), std::string::npos) << text;
    EXPECT_NE(text.find("http://b.com/x"), std::string::npos) << text;
    std::istringstream lines(text);
    size_t rows = 0;
    for (std::string line; std::getline(lines, line);)
        rows += !line.starts_with('#') && !line.starts_with("\xEF\xBB\xBF#");  // the first after a BOM
    EXPECT_EQ(rows, 3u) << "after the provenance lines, a heading and two rows:\n" << text;
    EXPECT_NE(text.find("#tool,"), std::string::npos) << text;
}

TEST_F(ExportFile, ACancelOrAFailureLeavesTheOldFileAndNoOther)
{
    const ExportTarget target{m_root / "old.jsonl", exporting::ExportFormat::Jsonl};
    std::ofstream(target.path) << "kept\n";
    const ExportTotals totals =
        WriteExportFile(m_cache, target, Rows({"http://a.com/", "http://b.com/"}), TimeZone::Utc(), [](size_t) { return false; });
    EXPECT_TRUE(totals.cancelled);
    EXPECT_EQ(Read(target.path), "kept\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1) << "no temporary file";

    const ExportTarget nowhere{m_root / "missing" / "rows.csv", exporting::ExportFormat::Csv};
    EXPECT_THROW(WriteExportFile(m_cache, nowhere, Rows({"http://a.com/"}), TimeZone::Utc()), fs::filesystem_error);
    EXPECT_FALSE(fs::exists(nowhere.path.parent_path()));
}

// The chooser's file types: 0 CSV, 1 JSON lines, 2 HTML. A typed export
// ending is kept and decides, whatever type is chosen; only a name without
// an ending is given one.
TEST(ExportTarget, TheTypedEndingDecidesAndIsNeverChanged)
{
    using exporting::ExportFormat;
    struct Case {
        const char* typed;
        int filter;
        const char* path;
        ExportFormat format;
        bool renamed;
    };
    const Case cases[] = {
        {"/x/w10-all.jsonl", 0, "/x/w10-all.jsonl", ExportFormat::Jsonl, false},
        {"/x/W10.CSV", 1, "/x/W10.CSV", ExportFormat::Csv, false},
        {"/x/report.htm", 0, "/x/report.htm", ExportFormat::Html, false},
        {"/x/report.html", 1, "/x/report.html", ExportFormat::Html, false},
        {"/x/notes.txt", 1, "/x/notes.txt", ExportFormat::Jsonl, false},
        {"/x/all", 2, "/x/all.html", ExportFormat::Html, true},
        {"/x/all", 0, "/x/all.csv", ExportFormat::Csv, true},
    };
    for (const Case& c : cases) {
        const ExportTarget target = ResolveExportTarget(c.typed, c.filter);
        EXPECT_EQ(target.path, c.path) << c.typed;
        EXPECT_EQ(target.format, c.format) << c.typed;
        EXPECT_EQ(target.renamed, c.renamed) << c.typed;
    }
}

}  // namespace
}  // namespace trovana::operations
