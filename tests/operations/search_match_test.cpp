// SPDX-License-Identifier: GPL-3.0-or-later
// Which rows a search finds: keywords, types and the day of last access.
#include <gtest/gtest.h>

#include "operations/search_match.h"

namespace trovana::operations {
namespace {

ListRow Row(const std::string& url, int category, const std::string& accessTime = "", const std::string& size = "")
{
    ListRow row;
    row.texts = {url, accessTime, "1", size};
    row.itemData = category;
    row.image = category;
    return row;
}

SearchCriteria Criteria(const std::string& keywords = "")
{
    SearchCriteria criteria;
    criteria.m_strKeywords = keywords;
    return criteria;
}

TEST(SearchKeywords, TrimmedNonEmptyLinesUpToTheTableSize)
{
    EXPECT_EQ(SplitKeywords("  jpg \r\n\r\n gif"), (std::vector<std::string>{"jpg", "gif"}));
    EXPECT_EQ(SplitKeywords("one"), (std::vector<std::string>{"one"}));
    EXPECT_TRUE(SplitKeywords(" \r\n \n").empty());

    std::string many;
    for (int i = 0; i < 150; ++i)
        many += "k" + std::to_string(i) + "\r\n";
    const auto keywords = SplitKeywords(many);
    ASSERT_EQ(keywords.size(), kMaxKeywords);
    EXPECT_EQ(keywords.front(), "k0");
    EXPECT_EQ(keywords.back(), "k99");
}

TEST(SearchKeywords, MatchAnyKeywordCaseSensitively)
{
    SearchCriteria criteria = Criteria("  jpg \r\n\r\n gif");
    PrepareCriteria(criteria);
    EXPECT_FALSE(criteria.m_bMatchAll);
    const RowFilter filter = MakeFilter(criteria);
    EXPECT_TRUE(filter.Matches(Row("http://a.com/x.jpg", 2)));
    EXPECT_TRUE(filter.Matches(Row("http://a.com/x.gif", 2)));
    EXPECT_FALSE(filter.Matches(Row("http://a.com/X.JPG", 2)));
    EXPECT_FALSE(filter.Matches(Row("http://a.com/x.png", 2)));
}

TEST(SearchCriteria, MatchAllOnlyWhenNothingRestricts)
{
    SearchCriteria defaults = Criteria();
    PrepareCriteria(defaults);
    EXPECT_TRUE(defaults.m_bMatchAll);

    SearchCriteria blankLines = Criteria(" \r\n \r\n");
    PrepareCriteria(blankLines);
    EXPECT_TRUE(blankLines.m_bMatchAll);
    EXPECT_TRUE(blankLines.m_bUseKeywords) << "a match-all search keeps the box checked";

    SearchCriteria oneTypeOff = Criteria();
    oneTypeOff.m_bAllTypes = false;
    oneTypeOff.m_bImages = false;
    PrepareCriteria(oneTypeOff);
    EXPECT_FALSE(oneTypeOff.m_bMatchAll);
    const RowFilter filter = MakeFilter(oneTypeOff);
    EXPECT_FALSE(filter.Matches(Row("http://a.com/x.gif", 2)));
    EXPECT_TRUE(filter.Matches(Row("http://a.com/x.htm", 1)));
    EXPECT_TRUE(filter.Matches(Row("Cookie:u@a.com/", 4)));
}

TEST(SearchCriteria, BlankKeywordsWithADateClearTheKeywordBox)
{
    SearchCriteria criteria = Criteria("\r\n  \r\n");
    criteria.m_bUseDate = true;
    PrepareCriteria(criteria);
    EXPECT_FALSE(criteria.m_bMatchAll);
    const RowFilter filter = MakeFilter(criteria);
    EXPECT_TRUE(filter.keywords.empty());
    EXPECT_FALSE(criteria.m_bUseKeywords);
}

class SearchDates : public testing::Test {
protected:
    bool Finds(const std::string& mode, const std::string& accessTime)
    {
        SearchCriteria criteria = Criteria();
        criteria.m_bUseDate = true;
        criteria.m_strDateMode = mode;
        criteria.m_dateFrom = m_from;
        criteria.m_dateTo = m_to;
        PrepareCriteria(criteria);
        return MakeFilter(criteria).Matches(Row("http://a.com/", 1, accessTime));
    }
    DateTime m_from = DateTime::FromParts(2004, 3, 15, 17, 2, 9);
    DateTime m_to = DateTime::FromParts(2004, 3, 20, 8, 0, 0);
};

TEST_F(SearchDates, OnMatchesOnlyThatDay)
{
    EXPECT_TRUE(Finds("On", "03/15/04 00:00:00"));
    EXPECT_TRUE(Finds("On", "03/15/04 23:59:59"));
    EXPECT_FALSE(Finds("On", "03/16/04 00:00:00"));
    EXPECT_FALSE(Finds("On", "")) << "an entry without an access time never matches";
}

TEST_F(SearchDates, BetweenIncludesBothEndsEvenWhenSwapped)
{
    for (int swapped = 0; swapped < 2; ++swapped) {
        if (swapped)
            std::swap(m_from, m_to);
        EXPECT_TRUE(Finds("Between", "03/15/04 08:00:00"));
        EXPECT_TRUE(Finds("Between", "03/20/04 23:00:00"));
        EXPECT_FALSE(Finds("Between", "03/14/04 23:59:59"));
        EXPECT_FALSE(Finds("Between", "03/21/04 00:00:00"));
    }
}

TEST_F(SearchDates, BeforeAndAfterIncludeTheChosenDay)
{
    EXPECT_TRUE(Finds("Before", "03/15/04 23:00:00"));
    EXPECT_TRUE(Finds("Before", "01/01/99 10:00:00"));
    EXPECT_FALSE(Finds("Before", "03/16/04 00:00:00"));
    EXPECT_TRUE(Finds("After", "03/15/04 00:00:01"));
    EXPECT_TRUE(Finds("After", "12/31/29 10:00:00"));
    EXPECT_FALSE(Finds("After", "03/14/04 23:00:00"));
}

TEST_F(SearchDates, ATypedModeTextAppliesNoDateCondition)
{
    EXPECT_EQ(ParseDateMode("on"), DateMode::None);
    EXPECT_TRUE(Finds("on", "01/01/99 10:00:00"));
    EXPECT_TRUE(Finds("on", ""));
}

TEST(SearchCollect, ResultsInReverseOrderWithTheirSizeTotal)
{
    RowStore all;
    all.InsertRow(0, Row("http://a.com/1.gif", 2, "", "100"));
    all.InsertRow(1, Row("http://a.com/2.htm", 1, "", "7"));
    all.InsertRow(2, Row("http://a.com/3.gif", 2, "", ""));
    all.InsertRow(3, Row("http://a.com/4.gif", 2, "", "20"));
    SearchCriteria criteria = Criteria("gif");
    PrepareCriteria(criteria);
    RowStore results;
    results.InsertRow(0, Row("http://old.com/", 1));
    std::vector<int> reported;
    const int64_t total = CollectMatches(all, MakeFilter(criteria), results,
                                         [&](int percent) { reported.push_back(percent); });
    ASSERT_EQ(results.Count(), 4);
    EXPECT_EQ(results.Text(0, 0), "http://a.com/4.gif");
    EXPECT_EQ(results.Text(1, 0), "http://a.com/3.gif");
    EXPECT_EQ(results.Text(2, 0), "http://a.com/1.gif");
    EXPECT_EQ(results.Image(0), 2);
    EXPECT_EQ(total, 120);
    EXPECT_EQ(reported, (std::vector<int>{0, 25, 50, 75, 0}));
}

}  // namespace
}  // namespace trovana::operations
