// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/closing_animation.h"

#include <algorithm>

namespace trovana::app {

namespace {
constexpr int kLastHeight = 12;
constexpr int kFirstPauseMs = 180;
constexpr int kPauseStepMs = 50;
constexpr int kShortestPauseMs = 50;

int Shorter(int pauseMs)
{
    return std::max(pauseMs - kPauseStepMs, kShortestPauseMs);
}
}  // namespace

std::vector<ClosingStep> ClosingAnimationSteps(int width, int height)
{
    std::vector<ClosingStep> steps;
    int x = 0;
    int y = 0;
    int w = width;
    int h = height;
    int pause = kFirstPauseMs;
    while (h > kLastHeight) {
        const int cx = x + w / 2;
        const int cy = y + h / 2;
        const ClosingPoint p1{cx, y}, p2{x + w, cy}, p3{cx, y + h}, p4{x, cy};
        // The outline keeps one pixel inside the region's edge, where the
        // region would cut a line on the edge itself.
        steps.push_back({{p1, p2, p3, p4},
                         {{{p1.x, p1.y + 1}, {p2.x - 1, p2.y}, {p3.x, p3.y - 1}, {p4.x + 1, p4.y}, {p1.x, p1.y + 1}}},
                         pause});

        const int a = w / 4;
        const int b = h / 4;
        const ClosingPoint q1{x + a, y + b}, q2{cx + a, y + b}, q3{cx + a, cy + b}, q4{x + a, cy + b};
        pause = Shorter(pause);
        steps.push_back(
            {{q1, q2, q3, q4}, {{q1, {q2.x - 1, q2.y}, {q3.x - 1, q3.y - 1}, {q4.x, q4.y - 1}, q1}}, pause});

        x = q1.x;
        y = q1.y;
        w = q2.x - q1.x;
        h = q3.y - q2.y;
        pause = Shorter(pause);
    }
    return steps;
}

}  // namespace trovana::app
