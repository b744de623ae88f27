// The idle count, rounding, the generator and the code page: the
// pieces the counter, the slide and the chat lines stand on.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/runtime.h"
#include "platform/sim/cp1252.h"
#include "support.h"

using namespace platform;
using testing_support::Bytes;

TEST(NextCount, AddsOneWithEveryCarryAndNoUpperBound) {
    EXPECT_EQ(NextCount("0"), "1");
    EXPECT_EQ(NextCount("41"), "42");
    EXPECT_EQ(NextCount("9"), "10");
    EXPECT_EQ(NextCount("99"), "100");
    EXPECT_EQ(NextCount("1099"), "1100");
    // Past 2^53, where a double stops counting, and past 64 bits.
    EXPECT_EQ(NextCount("9007199254740992"), "9007199254740993");
    EXPECT_EQ(NextCount("999999999999999"), "1000000000000000");
    EXPECT_EQ(NextCount(std::string(40, '9')), "1" + std::string(40, '0'));
}

TEST(RoundToInt32, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundToInt32(5766.5), 5766);
    EXPECT_EQ(RoundToInt32(5767.5), 5768);
    EXPECT_EQ(RoundToInt32(0.5), 0);
    EXPECT_EQ(RoundToInt32(-0.5), 0);
    EXPECT_EQ(RoundToInt32(5760.0), 5760);
    EXPECT_EQ(RoundToInt32(5760.4), 5760);
}

TEST(RandomGenerator, ValuesStayBelowOneAndCoverTheRange) {
    RandomGenerator random;
    double sum = 0;
    float lowest = 1, highest = 0;
    for (int i = 0; i < 100000; ++i) {
        const float r = random.Next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
        sum += r;
    }
    EXPECT_NEAR(sum / 100000, 0.5, 0.01);
    EXPECT_LT(lowest, 0.001f);
    EXPECT_GT(highest, 0.999f);
}

TEST(Randomize, MixesTheClockIntoTheGeneratorAndKeepsItsState) {
    // The same generator state, reseeded at different times, draws differently.
    testing_support::SimDesktop early, late;
    late.SetWallClock(43200.5);
    early.Randomize();
    late.Randomize();
    EXPECT_NE(early.Rnd(), late.Rnd());
    // The farewell reseeds before every draw, far faster than the clock moves.
    std::set<float> values;
    for (int i = 0; i < 70; ++i) {
        early.Randomize();
        values.insert(early.Rnd());
    }
    EXPECT_EQ(values.size(), 70u);
}

TEST(Windows1252, NonAsciiCharactersOfTheLinesBecomeSingleBytes) {
    using platform::sim::Utf8ToWindows1252;
    EXPECT_EQ(Utf8ToWindows1252("\u2022\u00F7\u00B7\u00A4\u00B2"),
              Bytes({0x95, 0xF7, 0xB7, 0xA4, 0xB2}));
    EXPECT_EQ(Utf8ToWindows1252("<b>K</b>"), "<b>K</b>");
    EXPECT_EQ(Utf8ToWindows1252("\u20AC\u0178\u00FF"), Bytes({0x80, 0x9F, 0xFF}));
    // No byte in the code page, or malformed UTF-8: a question mark each.
    EXPECT_EQ(Utf8ToWindows1252("a\u6F22b"), "a?b");
    EXPECT_EQ(Utf8ToWindows1252("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToWindows1252("\xFFz"), "?z");
    EXPECT_EQ(Utf8ToWindows1252("\xE2\x80z"), "??z");
}
