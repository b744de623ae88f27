// Portable runtime services; no window system here.
#include "platform/runtime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace platform {

namespace {

// An unsigned integer of any size, low 32 bits first: just the arithmetic
// that converts between decimal and binary numbers exactly.
class BigNumber {
public:
    explicit BigNumber(std::uint64_t value = 0) {
        for (; value != 0; value >>= 32) m_words.push_back(static_cast<std::uint32_t>(value));
    }

    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend = 0) {
        std::uint64_t carry = addend;
        for (auto& word : m_words) {
            carry += std::uint64_t(word) * factor;
            word = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        if (carry != 0) m_words.push_back(static_cast<std::uint32_t>(carry));
    }

    void MultiplyByPowerOf5(long exponent) {
        for (; exponent >= 13; exponent -= 13) MultiplyAdd(1220703125);  // 5^13 fills 32 bits
        std::uint32_t rest = 1;
        for (; exponent > 0; --exponent) rest *= 5;
        MultiplyAdd(rest);
    }

    void MultiplyByPowerOf10(long exponent) {
        MultiplyByPowerOf5(exponent);
        MultiplyByPowerOf2(exponent);
    }

    void MultiplyByPowerOf2(long exponent) {
        if (m_words.empty()) return;
        MultiplyAdd(std::uint32_t(1) << (exponent % 32));
        m_words.insert(m_words.begin(), static_cast<std::size_t>(exponent / 32), 0);
    }

    std::string ToDecimal() const {
        BigNumber rest = *this;
        std::string reversed;
        while (!rest.m_words.empty()) {
            std::uint32_t group = rest.DivideBy(1000000000);
            for (int i = 0; i < 9; ++i, group /= 10) reversed += static_cast<char>('0' + group % 10);
        }
        while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
        return reversed.empty() ? "0" : std::string(reversed.rbegin(), reversed.rend());
    }

    friend int Compare(const BigNumber& a, const BigNumber& b) {
        if (a.m_words.size() != b.m_words.size())
            return a.m_words.size() < b.m_words.size() ? -1 : 1;
        for (std::size_t i = a.m_words.size(); i-- > 0;)
            if (a.m_words[i] != b.m_words[i]) return a.m_words[i] < b.m_words[i] ? -1 : 1;
        return 0;
    }

private:
    // Returns the remainder.
    std::uint32_t DivideBy(std::uint32_t divisor) {
        std::uint64_t rest = 0;
        for (std::size_t i = m_words.size(); i-- > 0;) {
            rest = rest << 32 | m_words[i];
            m_words[i] = static_cast<std::uint32_t>(rest / divisor);
            rest %= divisor;
        }
        while (!m_words.empty() && m_words.back() == 0) m_words.pop_back();
        return static_cast<std::uint32_t>(rest);
    }

    std::vector<std::uint32_t> m_words;  // no leading zero words
};

// The sign of digits x 10^exponent10 - binary x 2^exponent2, exactly.
int Compare(std::string_view digits, long exponent10, std::uint64_t binary, long exponent2) {
    BigNumber decimal;
    for (const char digit : digits)
        decimal.MultiplyAdd(10, static_cast<std::uint32_t>(digit - '0'));
    BigNumber other(binary);
    if (exponent10 >= 0)
        decimal.MultiplyByPowerOf10(exponent10);
    else
        other.MultiplyByPowerOf10(-exponent10);
    if (exponent2 >= 0)
        other.MultiplyByPowerOf2(exponent2);
    else
        decimal.MultiplyByPowerOf2(-exponent2);
    return Compare(decimal, other);
}

// A positive double as mantissa x 2^exponent. A decimal reads as it when it
// lies between the midpoints to its neighbours, (2 x mantissa +- 1) x
// 2^(exponent - 1), and on a midpoint when the mantissa is even. Above a
// power of two the gap below is half the gap above.
struct Binary {
    explicit Binary(std::uint64_t bits) {
        const auto biased = static_cast<long>(bits >> 52);
        const std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
        mantissa = biased == 0 ? fraction : fraction | (std::uint64_t(1) << 52);
        exponent = biased == 0 ? -1074 : biased - 1075;
        narrowBelow = fraction == 0 && biased > 1;
    }
    int CompareWithUpperMidpoint(std::string_view digits, long exponent10) const {
        return Compare(digits, exponent10, 2 * mantissa + 1, exponent - 1);
    }
    int CompareWithLowerMidpoint(std::string_view digits, long exponent10) const {
        return narrowBelow ? Compare(digits, exponent10, 4 * mantissa - 1, exponent - 2)
                           : Compare(digits, exponent10, 2 * mantissa - 1, exponent - 1);
    }
    bool even() const { return mantissa % 2 == 0; }

    std::uint64_t mantissa = 0;
    long exponent = 0;
    bool narrowBelow = false;
};

std::uint64_t BitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double FromBits(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The double nearest to digits x 10^exponent, halves to the even neighbour.
double Nearest(std::string_view digits, long exponent) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    if (digits.empty()) return 0.0;
    const long size = static_cast<long>(digits.size());
    if (size + exponent <= -324) return 0.0;  // below half the smallest double
    if (size + exponent > 309) return HUGE_VAL;
    // Counts and most other texts: both factors are exact doubles, so one
    // division or multiplication rounds once, correctly.
    if (size <= 15 && exponent >= -22 && exponent <= 22) {
        double whole = 0;
        for (const char digit : digits) whole = whole * 10 + (digit - '0');
        double scale = 1;
        for (long i = 0; i < std::labs(exponent); ++i) scale *= 10;
        return exponent < 0 ? whole / scale : whole * scale;
    }
    // The first double whose upper midpoint is not below the decimal.
    std::uint64_t low = 0;
    std::uint64_t high = BitsOf(HUGE_VAL);
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        const Binary candidate(middle);
        const int order = candidate.CompareWithUpperMidpoint(digits, exponent);
        if (order < 0 || (order == 0 && candidate.even()))
            high = middle;
        else
            low = middle + 1;
    }
    return FromBits(low);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double ParseNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string digits;
    long exponent = 0;  // the number is digits x 10^exponent
    for (; i < text.size() && IsDigit(text[i]); ++i) digits += text[i];
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i, --exponent) digits += text[i];
    }
    // A lone sign or point is no number.
    if (digits.empty()) return 0.0;
    // An exponent counts only when a digit follows it.
    if (i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        const bool below = text[j] == '-';
        if (text[j] == '+' || text[j] == '-') ++j;
        long written = 0;
        // Capped far beyond the range of doubles.
        for (; j < text.size() && IsDigit(text[j]); ++j)
            written = std::min(written * 10 + (text[j] - '0'), 100000L);
        exponent += below ? -written : written;
    }
    const double magnitude = Nearest(digits, exponent);
    return negative ? -magnitude : magnitude;
}

namespace {

// Significant digits and decimal exponent: d1.d2d3... x 10^exponent.
struct Decimal {
    std::string digits;
    long exponent = 0;
};

// A positive double's exact value, digits x 10^exponent: for a negative
// binary exponent, mantissa x 2^-n = mantissa x 5^n x 10^-n.
struct Exact {
    explicit Exact(double magnitude) {
        const Binary binary(BitsOf(magnitude));
        BigNumber number(binary.mantissa);
        if (binary.exponent >= 0) {
            number.MultiplyByPowerOf2(binary.exponent);
        } else {
            number.MultiplyByPowerOf5(-binary.exponent);
            exponent = binary.exponent;
        }
        digits = number.ToDecimal();
    }

    std::string digits;
    long exponent = 0;
};

// The next decimal up with as many digits.
Decimal NextUp(Decimal d) {
    std::size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
    if (i > 0) {
        ++d.digits[i - 1];
    } else {  // 99 -> 10, one place higher
        d.digits.insert(0, 1, '1');
        d.digits.pop_back();
        ++d.exponent;
    }
    return d;
}

// The nearest decimal of `count` digits, halves to the even one.
Decimal Rounded(const Exact& exact, int count) {
    const auto kept = static_cast<std::size_t>(count);
    Decimal d{exact.digits.substr(0, kept), static_cast<long>(exact.digits.size()) - 1 + exact.exponent};
    if (exact.digits.size() <= kept) return d;
    const char first = exact.digits[kept];
    const bool more = exact.digits.find_first_not_of('0', kept + 1) != std::string::npos;
    const bool odd = (d.digits.back() - '0') % 2 != 0;
    return first > '5' || (first == '5' && (more || odd)) ? NextUp(d) : d;
}

// Whether the decimal reads back as `magnitude`: it lies between the
// midpoints to the neighbours, and on a midpoint only if the mantissa is even.
bool ReadsBackAs(const Decimal& d, double magnitude) {
    const Binary binary(BitsOf(magnitude));
    const long exponent10 = d.exponent - static_cast<long>(d.digits.size()) + 1;
    const int above = binary.CompareWithUpperMidpoint(d.digits, exponent10);
    const int below = binary.CompareWithLowerMidpoint(d.digits, exponent10);
    if (above > 0 || below < 0) return false;
    return (above != 0 && below != 0) || binary.even();
}

// The decimal of `count` digits that reads back as `magnitude`, if any.
// Above a power of two the gap below is half the gap above, so the nearest
// may fall just outside below while the next one up still reads back.
std::optional<Decimal> ReadingBack(const Exact& exact, double magnitude, int count) {
    Decimal nearest = Rounded(exact, count);
    if (ReadsBackAs(nearest, magnitude)) return nearest;
    Decimal above = NextUp(nearest);
    if (ReadsBackAs(above, magnitude)) return above;
    return std::nullopt;
}

// The fewest digits that read back as `magnitude`, and of those the nearest.
// A decimal that reads back still does with a zero appended, so the count
// can be bisected; 17 digits always suffice.
Decimal Shortest(const Exact& exact, double magnitude) {
    int low = 1;
    int high = 17;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (ReadingBack(exact, magnitude, middle))
            high = middle;
        else
            low = middle + 1;
    }
    return *ReadingBack(exact, magnitude, low);
}

}  // namespace

std::string NumberToText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        char buffer[24];
        const auto whole = static_cast<long long>(value);
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, whole);
        return std::string(buffer, result.ptr);
    }
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value)) return sign + "nan";
    if (std::isinf(value)) return sign + "inf";
    // Plain or scientific notation, whichever is shorter; plain on a tie.
    const Exact exact(std::fabs(value));
    const Decimal d = Shortest(exact, std::fabs(value));
    const int count = static_cast<int>(d.digits.size());
    std::string scientific = d.digits.substr(0, 1);
    if (count > 1) scientific += "." + d.digits.substr(1);
    const long exponent = std::labs(d.exponent);
    scientific += (d.exponent < 0 ? "e-" : "e+") + std::string(exponent < 10 ? "0" : "") +
                  std::to_string(exponent);
    std::string plain;
    if (d.exponent < 0)
        plain = "0." + std::string(std::size_t(-d.exponent - 1), '0') + d.digits;
    else if (d.exponent + 1 >= count)  // whole: the exact digits are as short and nearer
        plain = exact.digits.substr(0, exact.digits.size() - std::size_t(-exact.exponent));
    else
        plain = d.digits.substr(0, std::size_t(d.exponent + 1)) + "." +
                d.digits.substr(std::size_t(d.exponent + 1));
    return sign + (plain.size() <= scientific.size() ? plain : scientific);
}

std::int32_t RoundToInt32(double value) {
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<std::int32_t>(std::nearbyint(value));
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
