// Scenarios written once and run on both backends: on the simulated desktop
// in the unit suite, and on the Win32 backend under Wine with real mouse
// input and the stand-in chat client as the room. What each asserts is what
// the room received, the caption and which windows are seen.
#include <gtest/gtest.h>

#include "tests/scenarios/desk.h"
#include "tests/scenarios/texts.h"

using namespace scenarios;
using namespace std::chrono_literals;
using namespace texts;

namespace {

using Lines = std::vector<std::string>;

class Scenario : public ::testing::Test {
protected:
    void SetUp() override { desk = MakeDesk(); }

    Lines Room() {
        Lines lines;
        for (const Line& line : desk->Room()) lines.push_back(line.bytes);
        return lines;
    }
    bool RoomHas(std::size_t lines) { return desk->Room().size() >= lines; }

    // Started, ENTER pressed, and the idle window seen.
    void HandedOver() {
        desk->Start();
        ASSERT_TRUE(desk->RunUntil([&] { return desk->Seen(Window::Intro); }, 30s));
        desk->Click(Spot::Picture);
        desk->RunFor(500ms);
        desk->Click(Spot::Enter);
        ASSERT_TRUE(desk->RunUntil([&] { return desk->Seen(Window::Idle); }, 30s));
        desk->RunFor(300ms);
    }

    // Switched on: the time from now to the first tick, one tick after the
    // on line's pause.
    nanoseconds SwitchedOn() {
        desk->Click(Spot::Start);
        EXPECT_TRUE(desk->RunUntil([&] { return RoomHas(3); }, 10s));
        return desk->Room().at(2).time + 800ms + desk->Tick() - desk->Now();
    }

    std::unique_ptr<Desk> desk;
};

}  // namespace

TEST_F(Scenario, StartUpAndHandOver) {
    desk->Start();
    ASSERT_TRUE(desk->RunUntil([&] { return desk->Seen(Window::Intro); }, 30s));
    EXPECT_FALSE(desk->Seen(Window::Idle));
    desk->Click(Spot::Enter);  // hidden yet: the picture takes the click
    desk->RunFor(500ms);
    EXPECT_TRUE(Room().empty());
    EXPECT_FALSE(desk->Seen(Window::Idle));
    desk->Click(Spot::Enter);
    ASSERT_TRUE(desk->RunUntil([&] { return desk->Seen(Window::Idle); }, 30s));
    desk->RunFor(300ms);

    EXPECT_EQ(Room(), (Lines{kTitle, kLink}));
    // Seen only once the load has posted both lines, with the intro gone.
    ASSERT_TRUE(desk->FirstSeen(Window::Idle));
    EXPECT_GE(*desk->FirstSeen(Window::Idle), desk->Room().back().time);
    EXPECT_GE(desk->Room()[1].time - desk->Room()[0].time, 600ms);
    EXPECT_FALSE(desk->Seen(Window::Intro));
    EXPECT_EQ(desk->Caption(), kLoadCaption);
}

TEST_F(Scenario, ATickInsideStopsPauseCountsOneAfterTheOffLine) {
    HandedOver();
    const nanoseconds tick = SwitchedOn();
    desk->Click(Spot::Stop, tick - 400ms);
    ASSERT_TRUE(desk->RunUntil([&] { return RoomHas(5); }, tick + 10s));
    desk->RunFor(1s);

    EXPECT_EQ(Room(), (Lines{kTitle, kLink, kOn, kOff, Minute("1")}));
    EXPECT_EQ(desk->Caption(), TickCaption("1"));
    EXPECT_TRUE(desk->Seen(Window::Idle));
}

TEST_F(Scenario, ATickUnderTheAlreadyActivatedBoxStillCountsAndLeavesTheBoxItsEnter) {
    HandedOver();
    const nanoseconds tick = SwitchedOn();
    desk->Click(Spot::Start, tick - 1500ms);
    // Enter inside the tick's pause, 0.8 s after its line: the box takes it
    // once the pause is over.
    desk->PressOk(tick + 300ms);
    ASSERT_TRUE(desk->RunUntil([&] { return RoomHas(4); }, tick + 10s));
    ASSERT_TRUE(desk->RunUntil([&] { return !desk->Boxes().empty() && desk->Boxes()[0].closed; }, 10s));

    EXPECT_EQ(Room(), (Lines{kTitle, kLink, kOn, Minute("1")}));
    EXPECT_EQ(desk->Caption(), TickCaption("1"));
    const auto boxes = desk->Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kAlreadyOn);
    ASSERT_TRUE(boxes[0].closed);
    EXPECT_LT(boxes[0].opened, desk->Room()[3].time);
    EXPECT_GT(*boxes[0].closed, desk->Room()[3].time + 700ms);
    EXPECT_TRUE(desk->Seen(Window::Idle));
}

TEST_F(Scenario, ADragAcrossATickEndsAtTheRelease) {
    HandedOver();
    const nanoseconds tick = SwitchedOn();
    const auto [left, top] = desk->Origin(Window::Idle);
    // Pressed 0.4 s before the tick, 100, 50 px in 0.8 s, released inside
    // the tick's pause; then the pointer goes on with the button up.
    const nanoseconds press = tick - 400ms;
    desk->Press(Spot::Title, press);
    for (int i = 1; i <= 10; ++i) desk->MoveBy(10, 5, press + i * 80ms);
    desk->Release(press + 800ms);
    for (int i = 1; i <= 5; ++i) desk->MoveBy(26, 13, press + 800ms + i * 100ms);
    ASSERT_TRUE(desk->RunUntil([&] { return RoomHas(4); }, tick + 10s));
    desk->RunFor(2s);

    EXPECT_EQ(Room(), (Lines{kTitle, kLink, kOn, Minute("1")}));
    EXPECT_EQ(desk->Caption(), TickCaption("1"));
    EXPECT_EQ(desk->Origin(Window::Idle), std::make_pair(left + 100, top + 50));
    EXPECT_TRUE(desk->Seen(Window::Idle));
}

TEST_F(Scenario, TheFarewellPostsTheClosingLinesAndEnds) {
    HandedOver();
    desk->Click(Spot::Exit);
    ASSERT_TRUE(desk->RunUntil([&] { return desk->Ended(); }, 30s));

    EXPECT_EQ(Room(), (Lines{kTitle, kLink, kTitle, kLink}));
    EXPECT_FALSE(desk->Seen(Window::Idle));
    EXPECT_FALSE(desk->Seen(Window::Intro));
}
