// SPDX-License-Identifier: GPL-3.0-or-later
#include "key_path.h"

#include <algorithm>

#include "classify.h"

namespace trovana::catalogue {

namespace {

std::vector<std::string> CookieKeyPath(std::string_view url)
{
    const size_t at = url.rfind('@');
    if (at == std::string_view::npos) {
        return {};
    }
    // The host runs up to, not including, the URL's last character: the
    // "/" that ends every cookie URL. It stays one component even when it
    // holds a "/" (Cookie:user@host/dir/ gives host/dir), and a cookie URL
    // without the final "/" loses its last letter, as it always has. When
    // the "@" is the last character there is nothing to take.
    const size_t begin = at + 1;
    const size_t end = std::max(begin, url.size() - 1);
    return {std::string(url.substr(begin, end - begin)), "Cookie"};
}

}  // namespace

std::vector<std::string> CutKeyPath(std::string_view url, int category)
{
    if (category == kCategoryCookies) {
        return CookieKeyPath(url);
    }
    std::vector<std::string> path;
    for (size_t slash = url.rfind('/'); slash != std::string_view::npos; slash = url.rfind('/')) {
        const std::string_view component = url.substr(slash + 1);
        if (!component.empty()) {
            path.emplace_back(component);
        }
        url = url.substr(0, slash);
    }
    // What is left before the first "/" (the scheme) is not a component.
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace trovana::catalogue
