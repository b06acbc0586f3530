// SPDX-License-Identifier: GPL-3.0-or-later
#include "record_kind.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "ascii.h"

namespace trovana::urlcache {
namespace {

// The day of "YYYYMMDD", none when the digits are not a date.
std::optional<std::chrono::sys_days> Day(std::string_view digits)
{
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const auto number = [&](size_t at, size_t size) { return std::stoi(std::string(digits.substr(at, size))); };
    const std::chrono::year_month_day date{std::chrono::year(number(0, 4)),
                                           std::chrono::month(static_cast<unsigned>(number(4, 2))),
                                           std::chrono::day(static_cast<unsigned>(number(6, 2)))};
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date);
}

}  // namespace

RecordKind RecordKindOf(std::string_view url)
{
    if (StartsWithIgnoreAsciiCase(url, "Cookie:"))
        return RecordKind::Cookies;
    if (StartsWithIgnoreAsciiCase(url, "Visited:"))
        return RecordKind::History;
    if (url.size() >= 18 && url[0] == ':' && url[17] == ':') {
        const auto from = Day(url.substr(1, 8));
        const auto to = Day(url.substr(9, 8));
        if (from && to)
            return (*to - *from).count() > 1 ? RecordKind::Weekly : RecordKind::Daily;
    }
    return RecordKind::Content;
}

std::string_view RecordKindName(RecordKind kind)
{
    switch (kind) {
    case RecordKind::Content: return "content";
    case RecordKind::History: return "history";
    case RecordKind::Daily: return "daily";
    case RecordKind::Weekly: return "weekly";
    case RecordKind::Cookies: return "cookies";
    }
    return "";
}

}  // namespace trovana::urlcache
