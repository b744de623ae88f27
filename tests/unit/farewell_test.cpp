// The farewell: 35 jumps, the closing lines and the end (events during it: pumps_test.cpp).
#include <set>

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

    // Returns when the exit click came.
    std::chrono::nanoseconds Farewell() {
        auto& form = LoadForm2();
        desk.ClearRecords();
        const auto clicked = desk.Now();
        Click(form.Label8.id());
        desk.RunFor(10s);
        return clicked;
    }
};

}  // namespace

TEST_F(FarewellTest, JumpsThirtyFiveTimesWithinTheWidthThenPostsTitleAndLinkAndEnds) {
    // The ends of the generator's range first, then the real generator.
    const float belowOne = std::nextafter(1.0f, 0.0f);
    desk.ScriptRandom({0.0f, belowOne, belowOne, 0.5f});
    Farewell();
    EXPECT_TRUE(desk.Ended());
    const auto jumps = JumpsOf(desk, form2());
    ASSERT_EQ(jumps.lefts.size(), 35u);
    ASSERT_EQ(jumps.tops.size(), 35u);
    // r x (W - 200) + 1, rounded down; the top is drawn from the width too,
    // so it can lie below the bottom of the 9000-twip screen.
    EXPECT_EQ(jumps.lefts[0], 1);
    EXPECT_EQ(jumps.tops[0], 11800);
    EXPECT_EQ(jumps.lefts[1], 11800);
    EXPECT_EQ(jumps.tops[1], 5901);
    for (size_t i = 0; i < 35; ++i) {
        for (double v : {jumps.lefts[i], jumps.tops[i]}) {
            EXPECT_EQ(v, std::floor(v));
            EXPECT_GE(v, 1);
            EXPECT_LE(v, 11800);
        }
    }
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kTitle, kLink}));
    // No pause between them: the second follows within its post's time.
    EXPECT_LT(desk.EnteredLines()[1].time - desk.EnteredLines()[0].time, 20ms);
    EXPECT_TRUE(desk.MessageBoxes().empty());
    // Nothing runs after the end.
    desk.RunFor(5 * kMinute);
    EXPECT_EQ(Posted(desk).size(), 2u);
}

TEST_F(FarewellTest, JumpsToThirtyFiveDifferentPlacesAndElsewhereAtAnotherTime) {
    // Without pumping no clock time passes: every reseed falls within one tick.
    Farewell();
    const auto jumps = JumpsOf(desk, form2());
    std::set<std::pair<double, double>> places;
    for (size_t i = 0; i < jumps.lefts.size(); ++i) places.emplace(jumps.lefts[i], jumps.tops[i]);
    EXPECT_EQ(places.size(), 35u);

    SimDesktop later(12000, 9000);
    later.SetWallClock(15 * 3600 + 0.25);
    forms::Program again(later);
    later.SetEventSink(&again);
    later.Run([&] { again.GetForm2().window().Show(); });
    later.ClearRecords();
    later.Click(again.GetForm2().window().hWnd(), again.GetForm2().Label8.id());
    later.RunFor(10s);
    EXPECT_NE(JumpsOf(later, again.GetForm2().window().hWnd()).lefts, jumps.lefts);
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
    for (int pixels : {800, 1920, 3840, 7680}) {
        const float width = platform::PixelsToTwips(pixels);
        SimDesktop desk(width, platform::PixelsToTwips(2160));
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
        if (pixels == 3840) {
            EXPECT_GT(highest, 32767) << "draws above the 16-bit range occur";
        }
    }
}
