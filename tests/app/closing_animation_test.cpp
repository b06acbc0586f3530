// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of the closing animation, worked out without a window.
#include <numeric>

#include <gtest/gtest.h>

#include "app/closing_animation.h"

namespace trovana::app {
namespace {

using P = ClosingPoint;

std::vector<int> Pauses(const std::vector<ClosingStep>& steps)
{
    std::vector<int> pauses;
    for (const ClosingStep& step : steps)
        pauses.push_back(step.pauseMs);
    return pauses;
}

TEST(ClosingAnimation, AStartSizedWindowShrinksInSixPasses)
{
    const auto steps = ClosingAnimationSteps(800, 600);
    ASSERT_EQ(steps.size(), 12u);
    EXPECT_EQ(Pauses(steps), (std::vector<int>{180, 130, 80, 50, 50, 50, 50, 50, 50, 50, 50, 50}));
    const auto pauses = Pauses(steps);
    EXPECT_EQ(std::accumulate(pauses.begin(), pauses.end(), 0), 840);

    // First the diamond through the middles of the window's edges...
    EXPECT_EQ(steps[0].region, (std::array<P, 4>{P{400, 0}, P{800, 300}, P{400, 600}, P{0, 300}}));
    EXPECT_EQ(steps[0].outline, (std::array<P, 5>{P{400, 1}, P{799, 300}, P{400, 599}, P{1, 300}, P{400, 1}}));
    // ...then the upright rectangle inside it, half as wide and high.
    EXPECT_EQ(steps[1].region, (std::array<P, 4>{P{200, 150}, P{600, 150}, P{600, 450}, P{200, 450}}));
    EXPECT_EQ(steps[1].outline, (std::array<P, 5>{P{200, 150}, P{599, 150}, P{599, 449}, P{200, 449}, P{200, 150}}));
    // The next pass starts from that rectangle.
    EXPECT_EQ(steps[2].region, (std::array<P, 4>{P{400, 150}, P{600, 300}, P{400, 450}, P{200, 300}}));
    EXPECT_EQ(steps[3].region, (std::array<P, 4>{P{300, 225}, P{500, 225}, P{500, 375}, P{300, 375}}));
}

TEST(ClosingAnimation, HeightsHalveWithTheRemainderDropped)
{
    // 600, 300, 150, 75, 37, 18: each rectangle is half the one before.
    const auto steps = ClosingAnimationSteps(800, 600);
    const int heights[] = {300, 150, 75, 37, 18, 9};
    for (size_t pass = 0; pass < 6; ++pass) {
        const ClosingStep& rect = steps[2 * pass + 1];
        EXPECT_EQ(rect.region[2].y - rect.region[1].y, heights[pass]) << "pass " << pass;
    }
}

TEST(ClosingAnimation, SmallWindowsCloseWithoutOrWithOnePass)
{
    EXPECT_TRUE(ClosingAnimationSteps(800, 12).empty());
    EXPECT_TRUE(ClosingAnimationSteps(800, 0).empty());
    EXPECT_EQ(Pauses(ClosingAnimationSteps(300, 13)), (std::vector<int>{180, 130}));
    EXPECT_EQ(Pauses(ClosingAnimationSteps(300, 25)), (std::vector<int>{180, 130}));
    EXPECT_EQ(Pauses(ClosingAnimationSteps(300, 26)), (std::vector<int>{180, 130, 80, 50}));
}

}  // namespace
}  // namespace trovana::app
