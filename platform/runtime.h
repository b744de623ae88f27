// Runtime services that need no window system: number/text conversions,
// rounding, the random generator, and the application title. Portable; both
// backends and the core use them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Title of every message box and of the runtime's error box.
inline constexpr std::string_view kAppTitle = "Korvo Idle v2 by qel";

// The leading decimal number of `text` ("." as the decimal point), reading up
// to the first character that cannot continue it, as the nearest double
// (halves to the even one); 0 when there is none.
double ParseNumber(std::string_view text);

// The shortest decimal text of `value`, with no leading blank. Whole numbers
// below 1e15 are written out in full ("100000", never "1e+05").
std::string NumberToText(double value);

// Rounds to the nearest 32-bit integer, halves to the even neighbour.
std::int32_t RoundToInt32(double value);

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
