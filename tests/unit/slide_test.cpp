// The departure slide, and the centring it starts from, on windows the
// window system moves exactly, to whole pixels or not at all: writes per
// phase, and where a window that moves ends. The model follows the slide on
// screens of every size.
#include <gtest/gtest.h>

#include "support.h"
#include "winhelpers/winhelpers.h"

using namespace testing_support;
using platform::sim::MoveMode;

namespace {

struct Case {
    const char* what;
    float screenHeight;  // the screen is 15360 twips wide
    float width, height;
    bool centred;  // by CenterOnScreen, else at left, top
    float left, top;
    MoveMode mode;
    std::vector<std::size_t> writes;  // per phase
    float endLeft = 0, endTop = 0;    // where a window that moves ends
};

const Case kCases[] = {
    {"from the centre of a 1024 x 768 screen", 11520, 7200, 5400, true, 0, 0, MoveMode::Exact,
     {30, 26, 42, 37, 30, 49}, 4170, 3178},
    {"snapped to whole pixels, as Windows places them: each step starts where the window stands", 11520, 7200, 5400,
     false, 100, 100, MoveMode::SnapToPixels, {41, 36, 42, 37, 31, 48}, 4350, 3120},
    {"wider and taller than the screen: overhangs both edges alike and stays", 11520, 20000, 12000, true, 0, 0,
     MoveMode::Exact, {1, 1, 1, 1, 1, 1}, -2320, -240},
    {"at the right edge's target, then a top of exactly 0", 11520, 7200, 5400, false, 8160, 0, MoveMode::Exact,
     {1, 36, 41, 36, 30, 46}, 4310, 3105},
    {"stuck in the centre: phases 1 to 4 run to their bounds", 11520, 7200, 5400, true, 0, 0, MoveMode::Refuse,
     {1537, 1153, 769, 577, 1, 1}},
    {"stuck near the corner", 11520, 7200, 5400, false, 100, 100, MoveMode::Refuse,
     {1537, 1153, 769, 577, 769, 1921}},
    {"stuck at a left of exactly 0", 11520, 15360, 11520, false, 0, 0, MoveMode::Refuse, {1, 1, 1, 1, 1, 1}},
    // Half the height to even: 5768.5 gives 5768 (1923 steps of 3), not 5769
    // (1924); 5765.5 gives 5766 (1923), not 5765 (1922).
    {"last bound rounded down to even", 11537, 7200, 5400, false, 100, 100, MoveMode::Refuse,
     {1537, 1154, 769, 577, 769, 1923}},
    {"last bound rounded up to even", 11531, 7200, 5400, false, 100, 100, MoveMode::Refuse,
     {1537, 1154, 769, 577, 769, 1923}},
};

// Consecutive runs of left or top writes: the phases alternate axes.
std::vector<std::size_t> WritesPerPhase(const SimDesktop& desk) {
    std::vector<std::size_t> writes;
    std::string axis;
    for (const auto& call : desk.Calls()) {
        if (call.op != "SetLeft" && call.op != "SetTop") continue;
        if (call.op != axis) writes.push_back(0), axis = call.op;
        ++writes.back();
    }
    return writes;
}

}  // namespace

TEST(SlideAroundScreen, MakesItsWritesPerPhaseAndEndsWhereItsStopTestsSay) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        SimDesktop desk(15360, c.screenHeight);
        platform::FormLayout layout;
        layout.clientWidth = c.width;
        layout.clientHeight = c.height;
        platform::Window window(desk, desk.CreateForm(layout));
        if (c.centred) {
            winhelpers::CenterOnScreen(window);
        } else {
            window.SetLeft(c.left);
            window.SetTop(c.top);
        }
        desk.SetMoveMode(c.mode);
        desk.ClearRecords();
        winhelpers::SlideAroundScreen(window);
        EXPECT_EQ(WritesPerPhase(desk), c.writes);
        if (c.mode != MoveMode::Refuse) {
            EXPECT_EQ(window.Left(), c.endLeft);
            EXPECT_EQ(window.Top(), c.endTop);
        }
    }
}
