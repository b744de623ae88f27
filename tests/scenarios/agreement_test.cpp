// What the two backends must do alike, since the program's tests run on the
// simulated one: fail the same way on a control of the wrong kind, never
// fire a timer of interval 0 or one switched off, and restart a running
// timer's interval when it is enabled again.
#include <gtest/gtest.h>

#include <vector>

#include "tests/scenarios/backend.h"

using namespace std::chrono_literals;
using platform::ControlKind;
using platform::RuntimeError;

namespace {

platform::ControlLayout Control(const char* name, ControlKind kind, unsigned intervalMs = 0) {
    platform::ControlLayout c;
    c.name = name;
    c.kind = kind;
    c.width = c.height = 150;
    c.intervalMs = intervalMs;
    c.enabled = false;
    return c;
}

platform::FormLayout Layout() {
    platform::FormLayout layout;
    layout.name = "Agreement";
    layout.clientWidth = layout.clientHeight = 750;
    layout.placement = platform::Placement::Manual;
    layout.controls = {Control("Label1", ControlKind::Label), Control("Timer1", ControlKind::Timer, 400),
                       Control("Timer2", ControlKind::Timer, 0), Control("Timer3", ControlKind::Timer, 100)};
    return layout;
}

struct Ticks final : platform::EventSink {
    platform::Platform* platform = nullptr;
    std::vector<std::chrono::nanoseconds> times[4];
    void OnEvent(const platform::Event& event) override {
        if (event.kind == platform::EventKind::Timer) times[event.control].push_back(platform->Now());
    }
};

}  // namespace

TEST(BackendsAgree, OnControlsOfTheWrongKind) {
    auto backend = scenarios::MakeBackend();
    auto& p = backend->Platform();
    const auto form = p.CreateForm(Layout());
    EXPECT_THROW(p.TimerEnabled(form, 0), RuntimeError);
    EXPECT_THROW(p.SetTimerEnabled(form, 0, true), RuntimeError);
    EXPECT_THROW(p.ControlText(form, 1), RuntimeError);
    EXPECT_THROW(p.SetControlText(form, 1, "x"), RuntimeError);
    EXPECT_THROW(p.SetControlVisible(form, 1, true), RuntimeError);
    EXPECT_THROW(p.ControlText(form, 3), RuntimeError);
    p.DestroyForm(form);
}

TEST(BackendsAgree, OnWhenTimersTick) {
    auto backend = scenarios::MakeBackend();
    auto& p = backend->Platform();
    Ticks ticks;
    ticks.platform = &p;
    p.SetEventSink(&ticks);
    const auto form = p.CreateForm(Layout());
    const auto start = p.Now();
    p.SetTimerEnabled(form, 1, true);
    p.SetTimerEnabled(form, 2, true);
    backend->RunFor(300ms);
    // Enabled again 300 ms into its 400: the first tick comes 400 ms later.
    p.SetTimerEnabled(form, 1, true);
    backend->RunFor(900ms);
    const auto ticked = ticks.times[1].size();
    p.SetTimerEnabled(form, 1, false);
    backend->RunFor(900ms);
    p.SetEventSink(nullptr);
    p.DestroyForm(form);

    EXPECT_TRUE(ticks.times[2].empty());
    EXPECT_TRUE(ticks.times[3].empty()) << "made switched off, it never ticks";
    EXPECT_EQ(ticks.times[1].size(), ticked) << "switched off, it stops";
    ASSERT_FALSE(ticks.times[1].empty());
    EXPECT_GE(ticks.times[1][0] - start, 650ms);
}
