// The idle window: its hot spots, load, switch and counter. What events do
// inside its pumps and pauses is pumps_test.cpp's.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// What a click at pixel (x, y) of a freshly loaded idle window, idler off,
// does; "^" first when the pointer shows the up arrow there.
std::string WhatAClickDoes(int x, int y) {
    SimDesktop desk;
    forms::Program program(desk);
    desk.SetEventSink(&program);
    desk.Run([&] { program.GetForm2().window().Show(); });
    auto& form = program.GetForm2();
    const WindowId id = form.window().hWnd();
    const float half = platform::kTwipsPerPixel / 2.0f;
    const float tx = platform::PixelsToTwips(x) + half, ty = platform::PixelsToTwips(y) + half;
    const std::string cursor = desk.CursorAt(id, tx, ty) == platform::Cursor::UpArrow ? "^" : "";
    desk.ClickAt(id, tx, ty);
    desk.RunFor(10s);
    if (desk.Ended()) return cursor + "exit";
    if (desk.Form(id).minimized) return cursor + "minimize";
    for (const auto& m : desk.Messages())
        if (m.message == platform::sim::kWmSysCommand) return cursor + "drag";
    if (form.Timer1.Enabled()) return cursor + "start";
    if (!desk.MessageBoxes().empty()) return cursor + "stop";  // "already deactivated"
    return cursor;
}

class Form2Test : public ProgramTest {
protected:
    void SetUp() override { client = ChatClient::Install(desk); }

    forms::Form2& StartIdling() {
        auto& form = LoadForm2();
        desk.ClearRecords();
        Click(form.Label5.id());
        desk.RunFor(1s);
        desk.ClearRecords();
        return form;
    }
};

}  // namespace

TEST_F(Form2Test, LoadPostsTitleThenLinkUnseenAndIsFirstSeenCentredAndTopmost) {
    auto& form = LoadForm2();
    const auto& state = desk.Form(form2());
    EXPECT_EQ(state.caption, kLoadCaption);
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kTitle, kLink}));
    // The pause, then the link line's own post of about 10 ms.
    EXPECT_GE(desk.EnteredLines()[1].time - desk.EnteredLines()[0].time, 600ms);
    EXPECT_LT(desk.EnteredLines()[1].time - desk.EnteredLines()[0].time, 620ms);
    for (const auto& line : desk.EnteredLines()) EXPECT_EQ(line.programWindowsOnScreen, 0);
    ASSERT_TRUE(state.firstShown);
    EXPECT_EQ(state.firstShown->left, (15360 - 2970) / 2.0f);
    EXPECT_EQ(state.firstShown->top, (11520 - 1335) / 2.0f);
    EXPECT_TRUE(state.firstShown->topmost);
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(form.Label2.Caption(), "0");
    EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(Form2Test, LoadWithoutAClientStillPinsCentresAndPauses) {
    SimDesktop bare;
    forms::Program lonely(bare);
    bare.SetEventSink(&lonely);
    bare.Run([&] { lonely.GetForm2().window().Show(); });
    const auto& state = bare.Form(lonely.GetForm2().window().hWnd());
    EXPECT_TRUE(state.topmost);
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(state.left, 6195.0f);
    EXPECT_GE(bare.Now(), 600ms);
    EXPECT_TRUE(bare.EnteredLines().empty());
    EXPECT_TRUE(bare.MessageBoxes().empty());
}

TEST_F(Form2Test, StartPostsTheOnLineAndTheFirstTickComesAMinuteAfterThePause) {
    auto& form = LoadForm2();
    desk.ClearRecords();
    Click(form.Label5.id());
    desk.RunFor(900ms);
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kOn}));
    EXPECT_TRUE(form.Timer1.Enabled());
    const auto enabledAt = desk.EnteredLines()[0].time + 800ms;
    EXPECT_GE(desk.NextTimerDue(form2(), form.Timer1.id()), enabledAt + kMinute);
    EXPECT_LT(desk.NextTimerDue(form2(), form.Timer1.id()), enabledAt + kMinute + 1ms);

    desk.RunFor(kMinute);
    EXPECT_EQ(form.Label2.Caption(), "1");
    EXPECT_EQ(desk.Form(form2()).caption, TickCaption("1"));
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kOn, Minute("1")}));
}

TEST_F(Form2Test, TicksCountUpAndStopResetsTheCounterButNotTheCaption) {
    auto& form = StartIdling();
    // A tick, like a stop, lasts its post and its 0.8 s pause.
    const auto due = desk.NextTimerDue(form2(), form.Timer1.id());
    desk.RunFor(due - desk.Now());
    EXPECT_GE(desk.Now(), due + 800ms);
    EXPECT_LT(desk.Now(), due + 820ms);
    desk.RunFor(4 * kMinute);
    ASSERT_EQ(Posted(desk).size(), 5u);
    EXPECT_EQ(Posted(desk)[4], Minute("5"));
    desk.RunFor(2 * kMinute);
    EXPECT_EQ(desk.Form(form2()).caption, TickCaption("7"));

    desk.ClearRecords();
    const auto stopped = desk.Now();
    Click(form.Label6.id());
    desk.RunFor({});
    EXPECT_GE(desk.Now(), stopped + 800ms);
    EXPECT_LT(desk.Now(), stopped + 820ms);
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kOff}));
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_EQ(form.Label2.Caption(), "0");
    EXPECT_EQ(desk.Form(form2()).caption, TickCaption("7"));

    Click(form.Label5.id());
    desk.RunFor(1s + kMinute);
    EXPECT_EQ(form.Label2.Caption(), "1");
    EXPECT_EQ(desk.Form(form2()).caption, TickCaption("1"));
}

TEST_F(Form2Test, DragStartsForAnyButton) {
    auto& form = StartIdling();
    const float left = desk.Form(form2()).left;
    const float top = desk.Form(form2()).top;
    for (auto button : {platform::MouseButton::Right, platform::MouseButton::Middle, platform::MouseButton::Left}) {
        desk.MouseDown(form2(), form.Label4.id(), button);
        desk.MoveBy(150, 75, 10ms);
        desk.Release(button, 20ms);
        // The move loop ends on the left button's release or Return, whichever button began it.
        if (button != platform::MouseButton::Left) desk.KeyPress(platform::sim::Key::Return, 30ms);
        desk.RunFor(100ms);
    }
    EXPECT_EQ(desk.Form(form2()).left, left + 450);
    EXPECT_EQ(desk.Form(form2()).top, top + 225);

}

TEST(Form2HotSpots, EachActsAndShowsTheUpArrowUpToItsEdgesAndNothingOnePixelPast) {
    // Pixels of the drawn dash, title strip, x, Start and Stop, inclusive.
    struct Spot {
        const char* action;
        int left, top, right, bottom;
    };
    for (const Spot& s : {Spot{"minimize", 8, 8, 32, 32}, Spot{"drag", 56, 8, 144, 32}, Spot{"exit", 176, 8, 192, 32},
                          Spot{"start", 8, 40, 64, 56}, Spot{"stop", 8, 64, 64, 80}}) {
        const int midX = (s.left + s.right) / 2, midY = (s.top + s.bottom) / 2;
        for (auto [x, y] : {std::pair{s.left, s.top}, {s.right, s.top}, {s.left, s.bottom},
                            {s.right, s.bottom}}) {
            EXPECT_EQ(WhatAClickDoes(x, y), std::string("^") + s.action) << x << "," << y;
        }
        for (auto [x, y] : {std::pair{s.left - 1, midY}, {s.right + 1, midY}, {midX, s.top - 1},
                            {midX, s.bottom + 1}}) {
            EXPECT_EQ(WhatAClickDoes(x, y), "") << x << "," << y;
        }
    }
    // The heading, the counter, its unit, the frame and the panel.
    for (auto [x, y] : {std::pair{113, 46}, {120, 60}, {160, 60}, {1, 1}, {190, 86}, {100, 78}}) {
        EXPECT_EQ(WhatAClickDoes(x, y), "") << x << "," << y;
    }
}

TEST_F(Form2Test, ARuntimeErrorInAHandlerShowsTheErrorBoxAndEndsTheProgram) {
    auto& form = LoadForm2();
    desk.BreakForm(form2());
    Click(form.Label5.id());
    desk.RunFor(1s);
    EXPECT_TRUE(desk.Ended());
    ASSERT_EQ(desk.MessageBoxes().size(), 1u);
    EXPECT_TRUE(desk.MessageBoxes()[0].runtimeError);
    EXPECT_EQ(desk.MessageBoxes()[0].title, "Korvo Idle v2 by qel");
}
