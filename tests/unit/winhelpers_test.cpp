// Placement and window-state helpers on the simulated desktop.
#include <gtest/gtest.h>

#include "support.h"
#include "winhelpers/winhelpers.h"

using namespace testing_support;
using namespace std::chrono_literals;
using platform::sim::SimDesktop;

namespace {

platform::Window MakeWindow(SimDesktop& desk, float width, float height) {
    platform::FormLayout layout;
    layout.clientWidth = width;
    layout.clientHeight = height;
    return platform::Window(desk, desk.CreateForm(layout));
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

    // Nothing is kept from one call to the next.
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
    winhelpers::PinOnTop(window);
    winhelpers::PinOnTop(window);
    const auto& state = desk.Form(window.hWnd());
    EXPECT_TRUE(state.topmost);
    EXPECT_FALSE(state.visible);
    EXPECT_EQ(state.left, 100.0f);
    EXPECT_EQ(state.top, 200.0f);
    EXPECT_EQ(state.width, 2970.0f);
    EXPECT_EQ(state.height, 1335.0f);
}

TEST(BeginWindowDrag, TheWindowFollowsTheMouseAsIfItsCaptionWereGrabbed) {
    SimDesktop desk;
    auto window = MakeWindow(desk, 2970, 1335);
    window.SetLeft(1000);
    window.SetTop(1000);
    desk.MoveBy(450, -300, 10ms);
    desk.Release(platform::MouseButton::Left, 20ms);
    winhelpers::BeginWindowDrag(window);
    EXPECT_EQ(window.Left(), 1450.0f);
    EXPECT_EQ(window.Top(), 700.0f);
}
