// The departure slide: writes per phase, where it ends, and how it treats
// windows the window system snaps or refuses to move.
#include <gtest/gtest.h>

#include <cmath>

#include "support.h"
#include "winhelpers/winhelpers.h"

using namespace testing_support;
using platform::sim::MoveMode;
using platform::sim::SimDesktop;

namespace {

struct Phase {
    std::string op;
    std::vector<double> writes;
};

// Consecutive runs of left or top writes: the phases alternate axes.
std::vector<Phase> Phases(const SimDesktop& desk) {
    std::vector<Phase> phases;
    for (const auto& call : desk.Calls()) {
        if (call.op != "SetLeft" && call.op != "SetTop") continue;
        if (phases.empty() || phases.back().op != call.op) phases.push_back(Phase{call.op, {}});
        phases.back().writes.push_back(call.value);
    }
    return phases;
}

std::vector<size_t> Counts(const std::vector<Phase>& phases) {
    std::vector<size_t> counts;
    for (const auto& phase : phases) counts.push_back(phase.writes.size());
    return counts;
}

platform::Window Slide(SimDesktop& desk, float width, float height, float left, float top,
                       MoveMode mode = MoveMode::Exact) {
    platform::FormLayout layout;
    layout.clientWidth = width;
    layout.clientHeight = height;
    platform::Window window(desk, desk.CreateForm(layout));
    window.SetLeft(left);
    window.SetTop(top);
    desk.SetMoveMode(mode);
    desk.ClearRecords();
    winhelpers::SlideAroundScreen(window);
    return window;
}

}  // namespace

TEST(SlideAroundScreen, FromTheCentreOfA1024By768ScreenMakesSixAcceleratingPhasesAndStopsBelowRightOfIt) {
    SimDesktop desk(15360, 11520);
    auto window = Slide(desk, 7200, 5400, 4080, 3060);
    const auto phases = Phases(desk);
    ASSERT_EQ(phases.size(), 6u);
    EXPECT_EQ(Counts(phases), (std::vector<size_t>{30, 26, 42, 37, 30, 49}));
    EXPECT_EQ(phases[0].writes.back(), 8430);
    EXPECT_EQ(phases[1].writes.back(), 6310);
    EXPECT_EQ(phases[2].writes.back(), -180);
    EXPECT_EQ(phases[3].writes.back(), -350);
    EXPECT_EQ(phases[4].writes.back(), 4170);
    EXPECT_EQ(phases[5].writes.back(), 3178);
    EXPECT_EQ(window.Left(), 4170.0f);
    EXPECT_EQ(window.Top(), 3178.0f);
    // Each phase starts slowly again: its first write repeats the position.
    EXPECT_EQ(phases[0].writes[0], 4080);
    EXPECT_EQ(phases[1].writes[0], 3060);
    EXPECT_EQ(phases[2].writes[0], 8430);
    EXPECT_EQ(phases[3].writes[0], 6310);
    EXPECT_EQ(phases[4].writes[0], -180);
    EXPECT_EQ(phases[5].writes[0], -350);
    // Phase 6 moves by 0, 3, 6, ...: 1.5 k (k - 1) after k steps.
    EXPECT_EQ(phases[5].writes[1] - phases[5].writes[0], 3);
    EXPECT_EQ(phases[5].writes[2] - phases[5].writes[1], 6);
    EXPECT_EQ(phases[0].writes[2] - phases[0].writes[1], 20);
}

TEST(SlideAroundScreen, AWindowThatCannotMoveRunsEachPhaseToItsBound) {
    SimDesktop desk(15360, 11520);
    Slide(desk, 7200, 5400, 4080, 3060, MoveMode::Refuse);
    EXPECT_EQ(Counts(Phases(desk)), (std::vector<size_t>{1537, 1153, 769, 577, 1, 1}));

    SimDesktop corner(15360, 11520);
    Slide(corner, 7200, 5400, 100, 100, MoveMode::Refuse);
    EXPECT_EQ(Counts(Phases(corner)), (std::vector<size_t>{1537, 1153, 769, 577, 769, 1921}));
}

TEST(SlideAroundScreen, TheLastBoundRoundsHalfTheScreenHeightToEven) {
    // Half of 11537 is 5768.5: to even gives 5768 (1923 steps of 3); rounding
    // halves up would give 5769 and one more step.
    SimDesktop desk(15360, 11537);
    Slide(desk, 7200, 5400, 100, 100, MoveMode::Refuse);
    EXPECT_EQ(Counts(Phases(desk)).back(), 1923u);

    SimDesktop example(15360, 11533);  // half is 5766.5: bound 5766
    Slide(example, 7200, 5400, 100, 100, MoveMode::Refuse);
    EXPECT_EQ(Counts(Phases(example)).back(), 1923u);
}

TEST(SlideAroundScreen, AWindowLargerThanTheScreenWritesOnceUnchangedPerPhase) {
    SimDesktop desk(15360, 11520);
    auto window = Slide(desk, 20000, 12000, -2320, -240);
    const auto phases = Phases(desk);
    EXPECT_EQ(Counts(phases), (std::vector<size_t>{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(window.Left(), -2320.0f);
    EXPECT_EQ(window.Top(), -240.0f);
}

TEST(SlideAroundScreen, TargetsReachedExactlyEndThePhase) {
    // Left exactly at screen width - window width, top exactly 0.
    SimDesktop desk(15360, 11520);
    Slide(desk, 7200, 5400, 8160, 0);
    const auto phases = Phases(desk);
    ASSERT_GE(phases.size(), 1u);
    EXPECT_EQ(phases[0].writes.size(), 1u);

    // A left of exactly 0 ends phase 3 at once.
    SimDesktop flat(15360, 11520);
    Slide(flat, 15360, 11520, 0, 0, MoveMode::Refuse);
    EXPECT_EQ(Counts(Phases(flat)), (std::vector<size_t>{1, 1, 1, 1, 1, 1}));
}

TEST(SlideAroundScreen, PixelSnappingCarriesIntoLaterSteps) {
    SimDesktop desk(15360, 11520);
    auto window = Slide(desk, 7200, 5400, 4080, 3060, MoveMode::SnapToPixels);
    // Ends near the centre, on whole pixels, at or past each middle target.
    EXPECT_EQ(std::fmod(window.Left(), platform::PixelsToTwips(1)), 0.0f);
    EXPECT_EQ(std::fmod(window.Top(), platform::PixelsToTwips(1)), 0.0f);
    EXPECT_GE(window.Left(), 4080.0f);
    EXPECT_GE(window.Top(), 3060.0f);
    EXPECT_LT(window.Left(), 4080.0f + 400);
    EXPECT_LT(window.Top(), 3060.0f + 400);
}
