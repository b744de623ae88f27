// Placement and window-state helpers on the simulated desktop.
#include <gtest/gtest.h>

#include "support.h"
#include "winhelpers/winhelpers.h"

using namespace testing_support;
using platform::sim::SimDesktop;

namespace {

platform::Window MakeWindow(SimDesktop& desk, float width, float height) {
    platform::FormLayout layout;
    layout.clientWidth = width;
    layout.clientHeight = height;
    return platform::Window(desk, desk.CreateForm(layout));
}

std::vector<std::string> Ops(const SimDesktop& desk) {
    std::vector<std::string> ops;
    for (const auto& call : desk.Calls()) ops.push_back(call.op);
    return ops;
}

}  // namespace

TEST(CenterOnScreen, CentresWithoutRoundingOrClamping) {
    SimDesktop desk(15360, 11520);
    auto window = MakeWindow(desk, 7200, 5400);
    winhelpers::CenterOnScreen(window);
    EXPECT_EQ(window.Left(), 4080.0f);
    EXPECT_EQ(window.Top(), 3060.0f);

    auto odd = MakeWindow(desk, 7215, 5400);
    winhelpers::CenterOnScreen(odd);
    EXPECT_EQ(odd.Left(), 4072.5f);

    // Wider and taller than the screen: overhangs both edges equally.
    auto big = MakeWindow(desk, 20000, 12000);
    winhelpers::CenterOnScreen(big);
    EXPECT_EQ(big.Left(), -2320.0f);
    EXPECT_EQ(big.Top(), -240.0f);
    EXPECT_EQ(big.Left() + big.Width() - 15360, -big.Left());
}

TEST(CenterOnScreen, WritesTheLeftBeforeReadingTheHeightAndReadsAfresh) {
    SimDesktop desk(15360, 11520);
    auto window = MakeWindow(desk, 7200, 5400);
    desk.ClearRecords();
    winhelpers::CenterOnScreen(window);
    EXPECT_EQ(Ops(desk), (std::vector<std::string>{"Width", "ScreenWidth", "SetLeft", "Height",
                                                   "ScreenHeight", "SetTop"}));
    desk.SetScreen(12000, 9000);
    winhelpers::CenterOnScreen(window);
    EXPECT_EQ(window.Left(), 2400.0f);
    EXPECT_EQ(window.Top(), 1800.0f);
}

TEST(PinOnTop, MakesTheWindowTopmostWithoutMovingSizingOrShowingIt) {
    SimDesktop desk;
    auto window = MakeWindow(desk, 2970, 1335);
    window.SetLeft(100);
    window.SetTop(200);
    desk.ClearRecords();
    winhelpers::PinOnTop(window);
    winhelpers::PinOnTop(window);
    const auto& state = desk.Form(window.hWnd());
    EXPECT_TRUE(state.topmost);
    EXPECT_FALSE(state.visible);
    EXPECT_EQ(state.left, 100.0f);
    EXPECT_EQ(state.top, 200.0f);
    EXPECT_EQ(state.width, 2970.0f);
    EXPECT_EQ(state.height, 1335.0f);
    EXPECT_EQ(Ops(desk), (std::vector<std::string>{"SetWindowPos -1 0 0 0 0 3", "SetWindowPos -1 0 0 0 0 3"}));
    EXPECT_EQ(desk.Calls()[0].window, window.hWnd());
}

TEST(BeginWindowDrag, ReleasesTheCaptureThenHandsTheMoveToTheWindowSystem) {
    SimDesktop desk;
    auto window = MakeWindow(desk, 2970, 1335);
    window.SetLeft(1000);
    window.SetTop(1000);
    desk.ScriptDrag(450, -300);
    desk.ClearRecords();
    winhelpers::BeginWindowDrag(window);
    EXPECT_EQ(Ops(desk), (std::vector<std::string>{"ReleaseCapture", "SendSysCommand 0"}));
    EXPECT_EQ(desk.Calls()[1].window, window.hWnd());
    EXPECT_EQ(desk.Calls()[1].value, 0xF012);
    EXPECT_EQ(window.Left(), 1450.0f);
    EXPECT_EQ(window.Top(), 700.0f);
}
