// What only the shipped executable has: its farewell on a screen wider than
// 16-bit coordinates reach (exe_scenarios runs it on one when
// tests/e2e/wide_screen.sh brings one up). Its DLL search is
// tests/e2e/planted_dll.sh's.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/scenarios/real_desk.h"
#include "tests/scenarios/texts.h"

using namespace scenarios;
using namespace std::chrono_literals;
using namespace texts;

namespace {

using Lines = std::vector<std::string>;

Lines Bytes(const std::vector<Line>& lines) {
    Lines bytes;
    for (const Line& line : lines) bytes.push_back(line.bytes);
    return bytes;
}

void HandOver(Desk& desk) {
    desk.Start();
    ASSERT_TRUE(desk.RunUntil([&] { return desk.Seen(Window::Intro); }, 30s));
    desk.RunUntil([&] { return desk.Now() - desk.Path(Window::Intro).back().time >= 300ms; }, 5s);
    desk.Click(Spot::Picture);
    ASSERT_TRUE(desk.RunUntil([&] { return desk.EnterShown(); }, 10s));
    desk.Click(Spot::Enter);
    ASSERT_TRUE(desk.RunUntil([&] { return desk.Seen(Window::Idle); }, 30s));
}

void Farewell(Desk& desk) {
    desk.Click(Spot::Exit);
    ASSERT_TRUE(desk.RunUntil([&] { return desk.Ended(); }, 30s));
    EXPECT_EQ(desk.ExitCode(), 0);
    EXPECT_EQ(Bytes(desk.Room()), (Lines{kTitle, kLink, kTitle, kLink}));
}

}  // namespace

// Jumps past 32,767 twips (2,184 pixels) occur, none lies past the screen
// width less 200 twips, and the farewell completes.
TEST(Shipped, TheFarewellCompletesOnAWideScreen) {
    auto desk = MakeDesk();
    if (desk->Screen().first < 3000) GTEST_SKIP() << "on a screen 3,000 pixels wide or more";
    HandOver(*desk);
    const auto [width, height] = desk->Screen();
    EXPECT_EQ(desk->Path(Window::Intro).front().left, (width - 480) / 2);
    Farewell(*desk);
    int farthest = 0;
    for (const Place& place : desk->Path(Window::Idle)) farthest = std::max({farthest, place.left, place.top});
    RecordProperty("farthest", farthest);
    EXPECT_GT(farthest, 2184);
    EXPECT_LE(farthest, (width * 15 - 200) / 15);
}
