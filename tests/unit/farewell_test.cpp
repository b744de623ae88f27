// The farewell: 35 jumps, the closing lines, the end, and what other events
// do while it runs.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

struct Jumps {
    std::vector<double> lefts, tops;
};

Jumps JumpsOf(const SimDesktop& desk, WindowId form) {
    Jumps jumps;
    for (const auto& call : desk.Calls()) {
        if (call.window != form) continue;
        if (call.op == "SetLeft") jumps.lefts.push_back(call.value);
        if (call.op == "SetTop") jumps.tops.push_back(call.value);
    }
    return jumps;
}

class FarewellTest : public ProgramTest {
protected:
    FarewellTest() : ProgramTest(12000, 9000) {}
    void SetUp() override { client = ChatClient::Install(desk); }

    void Farewell(std::chrono::nanoseconds runFor = 10s) {
        auto& form = LoadForm2();
        desk.ClearRecords();
        Click(form.Label8.id());
        desk.RunFor(runFor);
    }
};

}  // namespace

TEST_F(FarewellTest, JumpsThirtyFiveTimesWithinTheWidthThenPostsTitleAndLinkAndEnds) {
    Farewell();
    EXPECT_TRUE(desk.Ended());
    const auto jumps = JumpsOf(desk, form2());
    ASSERT_EQ(jumps.lefts.size(), 35u);
    ASSERT_EQ(jumps.tops.size(), 35u);
    bool belowTheBottom = false;
    for (size_t i = 0; i < 35; ++i) {
        for (double v : {jumps.lefts[i], jumps.tops[i]}) {
            EXPECT_EQ(v, std::floor(v));
            EXPECT_GE(v, 1);
            EXPECT_LE(v, 11800);
        }
        belowTheBottom |= jumps.tops[i] > 9000;
    }
    EXPECT_TRUE(belowTheBottom);  // tops are drawn from the width too
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kTitle, kLink}));
    EXPECT_EQ(desk.EnteredLines()[0].time, desk.EnteredLines()[1].time);  // no pause between them
    EXPECT_TRUE(desk.MessageBoxes().empty());
    // Nothing runs after the end.
    desk.RunFor(5 * kMinute);
    EXPECT_EQ(Posted(desk).size(), 2u);
}

TEST_F(FarewellTest, APassReseedsAndPumpsBeforeEachDrawAndAroundTheMove) {
    // Four pumps a pass: input that arrives during the jumps is handled.
    desk.SetPumpCost(1ms);
    auto& form = LoadForm2();
    desk.ClearRecords();
    Click(form.Label8.id());
    Click(form.Label5.id(), 20ms);
    desk.RunFor(10s);
    EXPECT_TRUE(desk.Ended());
    // The on line, its pause, then the closing lines.
    ASSERT_EQ(Posted(desk).size(), 3u);
    EXPECT_EQ(Posted(desk)[1], kTitle);
    EXPECT_EQ(Posted(desk)[2], kLink);
    EXPECT_GE(desk.Now(), 35 * 4 * 1ms);
}

TEST_F(FarewellTest, ATickDueDuringTheJumpsPostsItsLineBeforeTheClosingLines) {
    desk.SetPumpCost(1ms);
    auto& form = LoadForm2();
    Click(form.Label5.id());
    desk.RunFor(1s);
    const auto due = desk.NextTimerDue(form2(), form.Timer1.id());
    desk.RunFor(due - desk.Now() - 50ms);
    desk.ClearRecords();
    Click(form.Label8.id());
    desk.RunFor(10s);
    ASSERT_EQ(Posted(desk).size(), 3u);
    EXPECT_NE(Posted(desk)[0].find("[1 <b>M</b>in(s)]"), std::string::npos);
    EXPECT_EQ(Posted(desk)[1], kTitle);
    EXPECT_EQ(JumpsOf(desk, form2()).lefts.size(), 35u);
}

TEST_F(FarewellTest, ASecondExitClickDuringTheJumpsPostsTheClosingLinesOnce) {
    desk.SetPumpCost(1ms);
    auto& form = LoadForm2();
    desk.ClearRecords();
    Click(form.Label8.id());
    Click(form.Label8.id(), 30ms);
    desk.RunFor(10s);
    EXPECT_TRUE(desk.Ended());
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kTitle, kLink}));
    // The inner farewell made its own 35 passes; the outer one never resumed.
    const auto jumps = JumpsOf(desk, form2());
    EXPECT_GT(jumps.lefts.size(), 35u);
    EXPECT_LT(jumps.lefts.size(), 70u);
}

TEST_F(FarewellTest, WithoutAChatRoomTheJumpsStillRunAndTheProgramEnds) {
    desk.DestroyWindow(client.room);
    Farewell();
    EXPECT_TRUE(desk.Ended());
    EXPECT_EQ(JumpsOf(desk, form2()).lefts.size(), 35u);
    EXPECT_TRUE(desk.EnteredLines().empty());
    EXPECT_TRUE(desk.MessageBoxes().empty());
}

TEST(FarewellWideScreens, CompletesOnScreensWhereSixteenBitCoordinatesWouldOverflow) {
    for (float pixels : {800.0f, 1920.0f, 3840.0f, 7680.0f}) {
        const float width = pixels * 15;
        SimDesktop desk(width, 2160 * 15);
        forms::Program program(desk);
        desk.SetEventSink(&program);
        ChatClient::Install(desk);
        desk.Run([&] { program.GetForm2().window().Show(); });
        const WindowId form = program.GetForm2().window().hWnd();
        desk.ClearRecords();
        desk.Click(form, program.GetForm2().Label8.id());
        desk.RunFor(10s);
        EXPECT_TRUE(desk.Ended()) << pixels;
        EXPECT_EQ(Posted(desk).size(), 2u) << pixels;
        EXPECT_TRUE(desk.MessageBoxes().empty()) << pixels;
        double highest = 0;
        for (const auto& call : desk.Calls()) {
            if (call.op == "SetLeft" || call.op == "SetTop") {
                EXPECT_GE(call.value, 1);
                EXPECT_LE(call.value, width - 200);
                highest = std::max(highest, call.value);
            }
        }
        if (pixels == 3840.0f) {
            EXPECT_GT(highest, 32767) << "draws above the 16-bit range occur";
        }
    }
}
