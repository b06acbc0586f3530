// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/search_match.h"

#include <algorithm>
#include <charconv>

#include "catalogue.h"

namespace trovana::operations {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool DateMatches(DateMode mode, const DateTime& date, const DateTime& from, const DateTime& to)
{
    switch (mode) {
    case DateMode::On: return date == from;
    case DateMode::Between: return from <= date && date <= to;
    case DateMode::Before: return date <= from;
    case DateMode::After: return date >= from;
    case DateMode::None: break;
    }
    return true;
}

int64_t SizeOf(const std::string& text)
{
    int64_t size = 0;
    std::from_chars(text.data(), text.data() + text.size(), size);
    return size;
}

}  // namespace

void PrepareCriteria(SearchCriteria& criteria)
{
    criteria.m_bMatchAll = false;
    criteria.m_strKeywords = std::string(Trim(criteria.m_strKeywords));
    const bool keywordsCount = criteria.m_bUseKeywords && !criteria.m_strKeywords.empty();
    criteria.m_bMatchAll = criteria.m_bAllTypes && !keywordsCount && !criteria.m_bUseDate;
    if (criteria.m_bUseDate && criteria.m_strDateMode == "Between" && criteria.m_dateFrom > criteria.m_dateTo)
        std::swap(criteria.m_dateFrom, criteria.m_dateTo);
    criteria.m_dateFrom = criteria.m_dateFrom.DateOnly();
    criteria.m_dateTo = criteria.m_dateTo.DateOnly();
}

std::vector<std::string> SplitKeywords(std::string_view text)
{
    std::vector<std::string> keywords;
    while (keywords.size() < kMaxKeywords && !text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view keyword = Trim(text.substr(0, end));
        if (!keyword.empty())
            keywords.emplace_back(keyword);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return keywords;
}

DateMode ParseDateMode(std::string_view text)
{
    if (text == "On")
        return DateMode::On;
    if (text == "Between")
        return DateMode::Between;
    if (text == "Before")
        return DateMode::Before;
    if (text == "After")
        return DateMode::After;
    return DateMode::None;
}

bool RowFilter::Matches(const ListRow& row) const
{
    if (row.itemData < 0 || row.itemData >= static_cast<intptr_t>(types.size()) || !types[row.itemData])
        return false;
    const std::string& url = row.texts[catalogue::kColumnUrl];
    if (!keywords.empty() && std::none_of(keywords.begin(), keywords.end(), [&url](const std::string& keyword) {
            return url.find(keyword) != std::string::npos;
        }))
        return false;
    if (mode == DateMode::None)
        return true;
    const DateTime date = DateTime::Parse(row.texts[catalogue::kColumnAccessTime], DateTime::ParseMode::DateOnly);
    return date.IsValid() && DateMatches(mode, date, from, to);
}

RowFilter MakeFilter(SearchCriteria& criteria)
{
    RowFilter filter;
    filter.types = {criteria.m_bAllTypes, criteria.m_bDocuments,    criteria.m_bImages,    criteria.m_bApplications,
                    criteria.m_bCookies,  criteria.m_bVisitedLinks, criteria.m_bOtherTypes};
    if (criteria.m_bUseKeywords) {
        filter.keywords = SplitKeywords(criteria.m_strKeywords);
        if (filter.keywords.empty())
            criteria.m_bUseKeywords = false;
    }
    if (criteria.m_bUseDate)
        filter.mode = ParseDateMode(criteria.m_strDateMode);
    filter.from = criteria.m_dateFrom.DateOnly();
    filter.to = criteria.m_dateTo.DateOnly();
    return filter;
}

void ForEachRow(int count, const std::function<void(int row)>& visit, const ProgressSink& report)
{
    const int step = std::max(1, count / 12);
    for (int row = 0; row < count; ++row) {
        visit(row);
        if (report && row % step == 0)
            report(static_cast<int>(int64_t{row} * 100 / count));
    }
    if (report)
        report(0);
}

int64_t CollectMatches(const RowStore& all, const RowFilter& filter, RowStore& results, const ProgressSink& report)
{
    int64_t total = 0;
    std::vector<int> matches;
    ForEachRow(
        all.Count(),
        [&](int index) {
            const ListRow& row = all.Row(index);
            if (!filter.Matches(row))
                return;
            matches.push_back(index);
            if (!row.texts[catalogue::kColumnSize].empty())
                total += SizeOf(row.texts[catalogue::kColumnSize]);
        },
        report);
    // Each match goes on top of the ones before it; inserting them last
    // first gives the same order without moving every row at each insert.
    int place = 0;
    for (auto match = matches.rbegin(); match != matches.rend(); ++match) {
        const ListRow& row = all.Row(*match);
        ListRow result;
        result.texts = row.texts;
        result.image = static_cast<int>(row.itemData);
        result.table = row.table;
        result.entryId = row.entryId;
        results.InsertRow(place++, std::move(result));
    }
    return total;
}

}  // namespace trovana::operations
