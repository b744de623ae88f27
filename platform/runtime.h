// Runtime services that need no window system: the idle count, rounding,
// twips and pixels, the random generator, and the application title.
// Portable; both backends and the core use them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Title of every message box and of the runtime's error box.
inline constexpr std::string_view kAppTitle = "Korvo Idle v2 by qel";

// The idle count after `text`: its leading decimal digits plus one, written
// as plain digits. Exact for counts of any length, so the counter never stops
// or wraps; a text that starts with no digit counts as 0.
std::string NextCount(std::string_view text);

// Rounds to the nearest 32-bit integer, halves to the even neighbour.
std::int32_t RoundToInt32(double value);

// Twips, the unit of every position and size at the seam: 1/1440 inch, 15
// to a pixel at 96 dpi, the one resolution the program knows.
inline constexpr int kTwipsPerPixel = 15;

// A whole number of pixels in twips (computed in single precision, exact
// for any coordinate a screen has).
constexpr float PixelsToTwips(int pixels) {
    return static_cast<float>(pixels) * static_cast<float>(kTwipsPerPixel);
}

// Twips to whole pixels, rounded to nearest, halves away from zero.
int TwipsToPixels(float twips);

// Small, fast generator. Reseed mixes the clock into the state instead of
// replacing it, so reseeding many times within one clock tick still gives
// fresh values.
class RandomGenerator {
public:
    void Reseed(double clockSeconds);
    float Next();  // uniform in [0, 1), never 1

private:
    std::uint64_t m_state = 0x853c49e6748fea9bULL;
};

}  // namespace platform
