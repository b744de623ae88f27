// The farewell's jumps: 35 of them, each coordinate r x (W - 200) + 1 rounded
// down, both drawn from the screen's width, after a reseed from the clock.
// What runs during them, the closing lines and the end are the model's.
#include <set>

#include "program_fixture.h"

using namespace testing_support;

namespace {

// Where the idle window jumps on a 12000 x 9000 screen at that time of day,
// the generator's first values scripted.
std::vector<std::pair<double, double>> Jumps(double wallClock, const std::vector<float>& script = {}) {
    Desktop d(12000, 9000);
    auto& desk = d.desk;
    desk.SetWallClock(wallClock);
    desk.ScriptRandom(script);
    d.Click(d.LoadForm2().Label8.id());
    desk.ClearRecords();
    desk.RunFor(10s);
    EXPECT_TRUE(desk.Ended());
    std::vector<std::pair<double, double>> jumps;
    for (const auto& call : desk.Calls()) {
        if (call.op == "SetLeft") jumps.emplace_back(call.value, 0);
        if (call.op == "SetTop" && !jumps.empty()) jumps.back().second = call.value;
    }
    return jumps;
}

}  // namespace

TEST(Farewell, JumpsThirtyFiveTimesToWholeTwipsWithinTheWidthAndElsewhereAtAnotherTime) {
    const float belowOne = std::nextafter(1.0f, 0.0f);
    const auto jumps = Jumps(12 * 3600, {0.0f, belowOne, belowOne, 0.5f});
    ASSERT_EQ(jumps.size(), 35u);
    // The ends of the generator's range; a top below the screen's bottom.
    EXPECT_EQ(jumps[0], std::pair(1.0, 11800.0));
    EXPECT_EQ(jumps[1], std::pair(11800.0, 5901.0));
    for (auto [left, top] : jumps) {
        for (double v : {left, top}) {
            EXPECT_EQ(v, std::floor(v));
            EXPECT_GE(v, 1);
            EXPECT_LE(v, 11800);
        }
    }
    EXPECT_NE(Jumps(12 * 3600), Jumps(15 * 3600 + 0.25));
}
