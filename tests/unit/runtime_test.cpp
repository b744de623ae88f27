// Number/text conversions, rounding, the generator and the code page: the
// pieces the counter, the slide and the chat lines stand on.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <set>

#include "platform/runtime.h"
#include "platform/sim/cp1252.h"
#include "support.h"

using namespace platform;
using testing_support::Bytes;

TEST(ParseNumber, ReadsTheLeadingNumberAndStopsAtTheFirstForeignCharacter) {
    EXPECT_EQ(ParseNumber("0"), 0.0);
    EXPECT_EQ(ParseNumber("41"), 41.0);
    EXPECT_EQ(ParseNumber("12 Min(s)"), 12.0);
    EXPECT_EQ(ParseNumber("7abc"), 7.0);
    EXPECT_EQ(ParseNumber("1.5"), 1.5);
    EXPECT_EQ(ParseNumber("-3"), -3.0);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseNumber("2e"), 2.0);   // an exponent without digits is not read
    EXPECT_EQ(ParseNumber("3.x"), 3.0);
    EXPECT_EQ(ParseNumber("100000"), 100000.0);
}

TEST(ParseNumber, GivesTheNearestDoubleAndHalvesToTheEvenOne) {
    EXPECT_EQ(ParseNumber("9007199254740993.4"), 9007199254740994.0);
    EXPECT_EQ(ParseNumber("9007199254740995"), 9007199254740996.0);  // a half
    EXPECT_EQ(ParseNumber("1e23"), 1e23);                            // a half too
    EXPECT_EQ(ParseNumber("2.4703282292062328e-324"), 5e-324);
    EXPECT_EQ(ParseNumber("2.4703282292062327e-324"), 0.0);
    EXPECT_EQ(ParseNumber("1e999"), HUGE_VAL);
}

TEST(ParseNumber, TextWithoutANumberGivesZero) {
    EXPECT_EQ(ParseNumber(""), 0.0);
    EXPECT_EQ(ParseNumber("min."), 0.0);
    EXPECT_EQ(ParseNumber("."), 0.0);
    EXPECT_EQ(ParseNumber("-"), 0.0);
    EXPECT_EQ(ParseNumber("+x"), 0.0);
}

TEST(NumberToText, WritesWholeCountsInFullWithoutBlanks) {
    EXPECT_EQ(NumberToText(0), "0");
    EXPECT_EQ(NumberToText(1), "1");
    EXPECT_EQ(NumberToText(10), "10");
    // The shortest form would be "1e+05"; a counter must never read like that.
    EXPECT_EQ(NumberToText(100000), "100000");
    EXPECT_EQ(NumberToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(NumberToText(-2), "-2");
    EXPECT_EQ(NumberToText(2.5), "2.5");
}

TEST(NumberToText, WritesOtherNumbersAsTheShortestTextThatReadsBack) {
    // std::to_chars is the reference: the fewest digits that read back, and of
    // those the nearest, plain or scientific, whichever is shorter.
    const auto expectLikeToChars = [](double value) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        ASSERT_EQ(NumberToText(value), std::string(buffer, result.ptr)) << std::hexfloat << value;
    };
    // Powers of two have a narrower gap below than above; the large ones are
    // whole numbers far beyond any count.
    for (int exponent = -128; exponent < 128; ++exponent)
        if (exponent < 0 || exponent >= 60) expectLikeToChars(std::ldexp(1.0, exponent));
    // 1e23 lies halfway between two doubles and reads as the even one.
    expectLikeToChars(1e23);
    expectLikeToChars(std::nextafter(1e23, 2e23));
    // Halfway between the two nearest shortest texts: the even one.
    expectLikeToChars(0x1p50 + 0.25);
    std::mt19937_64 random(7);
    for (int i = 0; i < 300; ++i) {
        const std::uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (value != std::trunc(value) || !std::isfinite(value)) expectLikeToChars(value);
    }
}

TEST(NumberToText, RoundTripsThroughParseForEveryCount) {
    std::string text = "0";
    for (int i = 1; i <= 20000; ++i) text = NumberToText(ParseNumber(text) + 1);
    EXPECT_EQ(text, "20000");
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
