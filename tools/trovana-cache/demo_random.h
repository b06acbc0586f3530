// SPDX-License-Identifier: GPL-3.0-or-later
// The demo cache's source of variety: SplitMix64, so that the same seed gives
// the same cache with every compiler and standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trovana::cli {

class DemoRandom {
public:
    explicit DemoRandom(uint64_t seed) : m_state(seed) {}

    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [low, high].
    int Between(int low, int high) { return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1)); }
    bool Percent(int chance) { return Between(1, 100) <= chance; }
    template <typename T>
    const T& Pick(const std::vector<T>& items)
    {
        return items[static_cast<size_t>(Next() % items.size())];
    }

private:
    uint64_t m_state;
};

}  // namespace trovana::cli
