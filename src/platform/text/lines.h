// SPDX-License-Identifier: GPL-3.0-or-later
// Line-by-line reading of a text held whole in memory.
#pragma once

#include <string_view>

namespace trovana {

// Takes the first line of `rest` into `line` (without its '\n', or a '\r'
// before it, as the file may come from Windows) and drops it from `rest`;
// false once `rest` is used up.
inline bool NextLine(std::string_view& rest, std::string_view& line)
{
    if (rest.empty())
        return false;
    const size_t end = rest.find('\n');
    line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return true;
}

}  // namespace trovana
