// SPDX-License-Identifier: GPL-3.0-or-later
// A stable order of n items by a comparison that need not be consistent.
#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace trovana {

// The item indexes in sorted order, by a bottom-up merge sort of the
// indexes: items for which before() answers false both ways keep their
// order, and every step stays within its ranges whatever before() answers
// (a list's date comparison says "after" for equal times both ways round).
// before(a, b) is true when item a sorts strictly before item b.
template <class Before>
std::vector<size_t> StableSortedOrder(size_t n, Before before)
{
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<size_t> merged(n);
    const auto at = [](std::vector<size_t>& v, size_t i) { return v.begin() + static_cast<std::ptrdiff_t>(i); };
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t low = 0; low < n; low += 2 * width) {
            const size_t middle = std::min(low + width, n);
            const size_t high = std::min(low + 2 * width, n);
            // std::merge takes from the second range only when its item
            // sorts strictly before, which keeps equal items in order.
            std::merge(at(order, low), at(order, middle), at(order, middle), at(order, high), at(merged, low), before);
        }
        order.swap(merged);
    }
    return order;
}

}  // namespace trovana
