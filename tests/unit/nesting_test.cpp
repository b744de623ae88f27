// Where handlers nest inside the window system's own modal loops: a tick
// inside a drag and under a box, an error box with the idler on. Under both routings of
// queued input; the pumps table (pumps_test.cpp) has the rest.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;
using platform::MouseButton;
using platform::sim::Routing;

namespace {

class Nesting : public ProgramTest, public ::testing::WithParamInterface<Routing> {
protected:
    void SetUp() override {
        client = ChatClient::Install(desk);
        desk.SetRouting(GetParam());
    }

    // Switched on; returns how long until the first tick.
    std::chrono::nanoseconds Idling() {
        auto& form = LoadForm2();
        Click(form.Label5.id());
        desk.RunFor(1s);
        desk.ClearRecords();
        return desk.NextTimerDue(form2(), form.Timer1.id()) - desk.Now();
    }
};

}  // namespace

TEST_P(Nesting, ADragThatATickRunsInsideEndsAtTheButtonsRelease) {
    const auto tick = Idling();
    auto& form = program.GetForm2();
    const float left = desk.Form(form2()).left, top = desk.Form(form2()).top;
    // Pressed 0.4 s before the tick, 100, 50 px in 0.8 s, released inside
    // the tick's pause; then the pointer goes on with the button up.
    const auto press = tick - 400ms;
    desk.MouseDown(form2(), form.Label4.id(), MouseButton::Left, press);
    for (int i = 1; i <= 8; ++i) desk.MoveBy(1500 / 8.f, 750 / 8.f, press + i * 100ms);
    desk.Release(MouseButton::Left, press + 800ms);
    for (int i = 1; i <= 5; ++i) desk.MoveBy(390, 195, press + 800ms + i * 100ms);
    const auto pumps = desk.Pumps();
    desk.RunFor(press + 3s);

    EXPECT_EQ(Posted(desk), (std::vector<std::string>{Minute("1")}));
    EXPECT_EQ(desk.Form(form2()).left, left + 1500);
    EXPECT_EQ(desk.Form(form2()).top, top + 750);
    // The tick's pause waited with the release left in the queue: it did
    // not spin on it.
    EXPECT_LT(desk.Pumps() - pumps, 50);
}

TEST_P(Nesting, ABoxTakesItsEnterAndEscapeAlsoWhileATickPumpsUnderIt) {
    const auto tick = Idling();
    const auto start = program.GetForm2().Label5.id();
    desk.SetBoxReadingTime(std::nullopt);
    // Start again 1.5 s before the tick: "already activated". Enter comes
    // inside the tick's pause, as its minute line reaches the room.
    Click(start, tick - 1500ms);
    desk.PressOk(tick + 100ms);
    // A second box, answered with Escape.
    Click(start, tick + 3s);
    desk.KeyPress(platform::sim::Key::Escape, tick + 4s);
    desk.RunFor(tick + 6s);

    EXPECT_EQ(Posted(desk), (std::vector<std::string>{Minute("1")}));
    const auto& boxes = desk.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kAlreadyOn);
    ASSERT_TRUE(boxes[0].closed);
    // Taken by the box's own loop once the tick's pause was over.
    EXPECT_GE(*boxes[0].closed - boxes[0].time, 1500ms + 800ms);
    EXPECT_LT(*boxes[0].closed - boxes[0].time, 1500ms + 900ms);
    EXPECT_TRUE(boxes[1].closed);
}

TEST_P(Nesting, ARuntimeErrorStopsTheProgramFromTheMomentItsBoxOpens) {
    Idling();
    auto& form = program.GetForm2();
    desk.SetBoxReadingTime(std::nullopt);
    desk.FailNextOperation();
    Click(form.Label7.id());  // the minimize fails
    desk.Click(form2(), form.Label6.id(), 30s);
    desk.SendClose(form2(), 90s);  // reaches the disabled window; no handler takes it
    desk.PressOk(3 * kMinute);
    desk.RunFor(5 * kMinute);

    // Three ticks came due under the box: none ran, and no line went out.
    EXPECT_TRUE(Posted(desk).empty());
    ASSERT_EQ(desk.MessageBoxes().size(), 1u);
    EXPECT_TRUE(desk.MessageBoxes()[0].runtimeError);
    ASSERT_TRUE(desk.MessageBoxes()[0].closed);
    EXPECT_GE(*desk.MessageBoxes()[0].closed - desk.MessageBoxes()[0].time, 3 * kMinute - 1s);
    EXPECT_TRUE(desk.Ended());
}

INSTANTIATE_TEST_SUITE_P(BothRoutings, Nesting, ::testing::Values(Routing::WhenQueued, Routing::WhenTaken),
                         [](const auto& info) {
                             return info.param == Routing::WhenQueued ? "RoutedWhenQueued" : "RoutedWhenTaken";
                         });
