// The window system's own loops: a tick inside a drag, under both routings
// of queued input, and a box's keys. What lands where is otherwise the
// model's.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;
using platform::MouseButton;
using platform::sim::Routing;

namespace {

class Nesting : public ProgramTest, public ::testing::WithParamInterface<Routing> {};

}  // namespace

TEST_P(Nesting, ADragThatATickRunsInsideEndsAtTheButtonsReleaseAndTheTickDoesNotSpin) {
    client = ChatClient::Install(desk);
    desk.SetRouting(GetParam());
    auto& form = LoadForm2();
    Click(form.Label5.id());
    desk.RunFor(1s);
    desk.ClearRecords();
    const auto tick = desk.NextTimerDue(form2(), form.Timer1.id()) - desk.Now();
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

INSTANTIATE_TEST_SUITE_P(BothRoutings, Nesting, ::testing::Values(Routing::WhenQueued, Routing::WhenTaken),
                         [](const auto& info) {
                             return info.param == Routing::WhenQueued ? "RoutedWhenQueued" : "RoutedWhenTaken";
                         });

// Escape answers a box as Enter does (the sessions press Enter).
TEST_F(ProgramTest, ABoxClosesOnEscape) {
    LoadForm2();
    Click(program.GetForm2().Label6.id());  // "already deactivated"
    desk.KeyPress(platform::sim::Key::Escape, 100ms);
    desk.RunFor(5s);
    ASSERT_EQ(desk.MessageBoxes().size(), 1u);
    EXPECT_LT(*desk.MessageBoxes()[0].closed - desk.MessageBoxes()[0].time, 500ms);
}
