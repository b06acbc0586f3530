// SPDX-License-Identifier: GPL-3.0-or-later
// The shrinking of the main window that File > Exit plays before it closes:
// the visible part of the window becomes a diamond, then the upright
// rectangle inside it, each pass halving width and height towards the
// centre, with shorter and shorter pauses. Worked out without a window so
// that the steps can be checked as numbers.
#pragma once

#include <array>
#include <vector>

namespace trovana::app {

struct ClosingPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ClosingPoint&) const = default;
};

struct ClosingStep {
    // The window's region, in window coordinates (origin at its top-left).
    std::array<ClosingPoint, 4> region;
    // The black outline drawn along the region's edge, back to its start.
    std::array<ClosingPoint, 5> outline;
    int pauseMs = 0;
};

// The steps for a window of this size: two per pass while the current
// height is above 12 pixels; none for a window 12 pixels high or less.
std::vector<ClosingStep> ClosingAnimationSteps(int width, int height);

}  // namespace trovana::app
