// SPDX-License-Identifier: GPL-3.0-or-later
// Which kind of container an entry belongs to, told by its URL as WinINet
// writes it in each: "Cookie:" in the cookies container, "Visited:" in the
// main history, ":YYYYMMDDYYYYMMDD: " in the daily (one day apart) and
// weekly (seven days) history containers (MSHist01...), anything else in
// the content cache. The daily and weekly containers keep their second time
// (lastModifiedTime) in the local time of the machine that wrote them.
#pragma once

#include <string>
#include <string_view>

#include "cache_types.h"

namespace trovana::urlcache {

enum class RecordKind { Content, History, Daily, Weekly, Cookies };

RecordKind RecordKindOf(std::string_view url);
// "content", "history", "daily", "weekly", "cookies".
std::string_view RecordKindName(RecordKind kind);
// The second time is local time of the recording machine, not UTC.
inline bool KeepsLocalTime(RecordKind kind)
{
    return kind == RecordKind::Daily || kind == RecordKind::Weekly;
}

}  // namespace trovana::urlcache
