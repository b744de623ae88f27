// The intro window's departure slide: six counted phases, each moving the
// window by a growing step until it reaches or passes its target. No pause,
// no timer and no pumping: it runs to its end in one go.
#include <cstdint>

#include "winhelpers/winhelpers.h"

namespace winhelpers {

namespace {

enum class Axis { Left, Top };

float Read(const platform::Window& window, Axis axis) {
    return axis == Axis::Left ? window.Left() : window.Top();
}

void Write(platform::Window& window, Axis axis, float value) {
    if (axis == Axis::Left) {
        window.SetLeft(value);
    } else {
        window.SetTop(value);
    }
}

// One phase: step `direction * counter` per move, counter from 0 by `step`
// while counter <= bound; the stop test runs on values read after the move.
template <typename Counter, typename Bound, typename StopTest>
void RunPhase(platform::Window& window, Axis axis, int direction, Counter step, Bound bound,
              StopTest reached) {
    for (Counter counter = 0; counter <= bound; counter += step) {
        const float position = Read(window, axis);
        Write(window, axis, static_cast<float>(position + direction * static_cast<double>(counter)));
        if (reached()) return;
    }
}

}  // namespace

void SlideAroundScreen(platform::Window& window) {
    auto rightEdgeReached = [&] {
        const float target = static_cast<float>(double(window.ScreenWidth()) - window.Width());
        return window.Left() >= target;
    };
    auto bottomEdgeReached = [&] {
        const float target = static_cast<float>(double(window.ScreenHeight()) - window.Height());
        return window.Top() >= target;
    };
    auto leftEdgeReached = [&] { return window.Left() <= 0; };
    auto topEdgeReached = [&] { return window.Top() <= 0; };
    auto middleAcrossReached = [&] {
        const float target = static_cast<float>((double(window.ScreenWidth()) - window.Width()) / 2);
        return window.Left() >= target;
    };
    auto middleDownReached = [&] {
        const float target = static_cast<float>((double(window.ScreenHeight()) - window.Height()) / 2);
        return window.Top() >= target;
    };

    // Bounds are computed once, when each phase starts.
    RunPhase(window, Axis::Left, +1, 10, double(window.ScreenWidth()), rightEdgeReached);
    RunPhase(window, Axis::Top, +1, 10, double(window.ScreenHeight()), bottomEdgeReached);
    RunPhase(window, Axis::Left, -1, 10, double(window.ScreenWidth()) / 2, leftEdgeReached);
    RunPhase(window, Axis::Top, -1, 10, double(window.ScreenHeight()) / 2, topEdgeReached);
    RunPhase(window, Axis::Left, +1, 10, double(window.ScreenWidth()) / 2, middleAcrossReached);
    const std::int32_t lastBound = platform::RoundToInt32(double(window.ScreenHeight()) / 2);
    RunPhase(window, Axis::Top, +1, std::int32_t{3}, lastBound, middleDownReached);
}

}  // namespace winhelpers
