// Portable runtime services; no window system here.
#include "platform/runtime.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

std::string NextCount(std::string_view text) {
    const std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    const std::size_t zeros = std::min(text.find_first_not_of('0'), digits);
    std::string count(text.substr(zeros, digits - zeros));
    // Add one from the right: nines become zeros until a digit takes the carry.
    std::size_t i = count.size();
    while (i > 0 && count[i - 1] == '9') count[--i] = '0';
    if (i == 0)
        count.insert(count.begin(), '1');
    else
        ++count[i - 1];
    return count;
}

std::int32_t RoundToInt32(double value) {
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<std::int32_t>(std::nearbyint(value));
}

int TwipsToPixels(float twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

namespace {
std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}
}  // namespace

void RandomGenerator::Reseed(double clockSeconds) {
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof clockSeconds);
    std::memcpy(&bits, &clockSeconds, sizeof bits);
    m_state ^= bits * 0xff51afd7ed558ccdULL;
    SplitMix(m_state);
}

float RandomGenerator::Next() {
    // 24 random bits scaled by 2^-24: exact in single precision and below 1.
    const auto bits = static_cast<std::uint32_t>(SplitMix(m_state) >> 40);
    return static_cast<float>(bits) * (1.0f / 16777216.0f);
}

}  // namespace platform
