#include "sensors/disk/float_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace quartzmon::sensors::disk {
namespace {

// Magnitudes from one millionth up to below ten to the power 13 are written
// positionally; everything else in exponent form.
constexpr int SMALLEST_POSITIONAL_EXPONENT = -6;
constexpr int LARGEST_POSITIONAL_EXPONENT = 12;

// The shortest round-trip digits of a float and the decimal exponent of the
// first digit: 36.6 has digits "366" and exponent 1.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// An exact non-negative decimal number: digits times ten to the power scale.
// The digits are worked out by hand because the library's float formatting
// brings more than 150 KiB of tables for double and long double into the
// program; a float's exact value has at most 112 digits.
struct ExactDecimal {
    std::string digits;
    int scale = 0;
};

// digits times factor (at most 2^30), in place.
void multiply(std::string& digits, std::uint64_t factor) {
    std::uint64_t carry = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        const std::uint64_t product = static_cast<std::uint64_t>(digits[i] - '0') * factor + carry;
        digits[i] = static_cast<char>('0' + product % 10);
        carry = product / 10;
    }
    for (; carry > 0; carry /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + carry % 10));
}

// digits times base to the power count, a few factors at a time.
void multiply_by_power(std::string& digits, std::uint64_t base, int count) {
    constexpr std::uint64_t LARGEST_FACTOR = std::uint64_t{1} << 30;
    while (count > 0) {
        std::uint64_t factor = 1;
        for (; count > 0 && factor * base <= LARGEST_FACTOR; --count) factor *= base;
        multiply(digits, factor);
    }
}

// The exact value of significand times two to the power binary_exponent: a
// negative power of two is a power of five over the same power of ten.
ExactDecimal exact_value(std::uint64_t significand, int binary_exponent) {
    ExactDecimal value{std::to_string(significand), 0};
    if (binary_exponent >= 0) {
        multiply_by_power(value.digits, 2, binary_exponent);
    } else {
        multiply_by_power(value.digits, 5, -binary_exponent);
        value.scale = binary_exponent;
    }
    return value;
}

std::string without_leading_zeros(const std::string& digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

// Sign of a - b.
int compare(const ExactDecimal& a, const ExactDecimal& b) {
    const int scale = std::min(a.scale, b.scale);
    const std::string left = without_leading_zeros(
        a.digits + std::string(static_cast<std::size_t>(a.scale - scale), '0'));
    const std::string right = without_leading_zeros(
        b.digits + std::string(static_cast<std::size_t>(b.scale - scale), '0'));
    if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
    return left.compare(right) < 0 ? -1 : (left == right ? 0 : 1);
}

// The values that read back as the float lie between low and high; the
// bounds themselves read back as it when its significand is even (ties go
// to even).
struct RoundTripInterval {
    ExactDecimal low;
    ExactDecimal high;
    bool bounds_included = false;

    bool contains(const ExactDecimal& candidate) const {
        const int above_low = compare(candidate, low);
        const int below_high = compare(high, candidate);
        return bounds_included ? above_low >= 0 && below_high >= 0
                               : above_low > 0 && below_high > 0;
    }
};

// Halfway to the neighbouring floats; the one below is nearer at the bottom
// of a binade, where the spacing halves.
RoundTripInterval round_trip_interval(std::uint64_t significand, int binary_exponent,
                                      bool binade_bottom) {
    RoundTripInterval interval;
    interval.high = exact_value(2 * significand + 1, binary_exponent - 1);
    interval.low = binade_bottom ? exact_value(4 * significand - 1, binary_exponent - 2)
                                 : exact_value(2 * significand - 1, binary_exponent - 1);
    interval.bounds_included = significand % 2 == 0;
    return interval;
}

// The value cut to whole units of ten to the power unit (floor), and whether
// anything was cut, compared with half a unit: -1 below, 0 exactly, 1 above.
struct Cut {
    ExactDecimal floor;
    bool inexact = false;
    int against_half = -1;
};

Cut cut_to_unit(const ExactDecimal& value, int unit) {
    const auto dropped_count = static_cast<std::size_t>(unit - value.scale);
    const std::string padded =
        std::string(dropped_count > value.digits.size() ? dropped_count - value.digits.size() : 0,
                    '0') +
        value.digits;
    const std::string dropped = padded.substr(padded.size() - dropped_count);
    const std::string kept = padded.substr(0, padded.size() - dropped_count);
    const std::string half = "5" + std::string(dropped_count - 1, '0');
    return {{without_leading_zeros(kept), unit},
            dropped.find_first_not_of('0') != std::string::npos,
            dropped.compare(half) < 0 ? -1 : (dropped == half ? 0 : 1)};
}

ExactDecimal one_unit_more(ExactDecimal value) {
    std::string& digits = value.digits;
    std::size_t i = digits.size();
    while (i-- > 0 && digits[i] == '9') digits[i] = '0';
    if (i == std::string::npos) {
        digits.insert(digits.begin(), '1');
    } else {
        ++digits[i];
    }
    return value;
}

// Of the two candidates around the value, the nearer; a tie goes to the even
// last digit.
ExactDecimal nearer(const Cut& cut, const ExactDecimal& above) {
    if (cut.against_half < 0) return cut.floor;
    if (cut.against_half > 0) return above;
    return (cut.floor.digits.back() - '0') % 2 == 0 ? cut.floor : above;
}

// Going from the coarsest unit to finer ones, the first unit at which a
// multiple next to the value reads back as the float gives the fewest
// significant digits; of the two, the nearer to the value wins.
ExactDecimal shortest_round_trip(const ExactDecimal& value, const RoundTripInterval& interval) {
    int unit = static_cast<int>(interval.high.digits.size()) + interval.high.scale;
    for (; unit > value.scale; --unit) {
        const Cut cut = cut_to_unit(value, unit);
        if (!cut.inexact) return cut.floor;
        const ExactDecimal above = one_unit_more(cut.floor);
        const bool floor_fits = cut.floor.digits != "0" && interval.contains(cut.floor);
        const bool above_fits = interval.contains(above);
        if (floor_fits && above_fits) return nearer(cut, above);
        if (floor_fits) return cut.floor;
        if (above_fits) return above;
    }
    return value;
}

// IEEE 754 binary32: 23 fraction bits, 8 exponent bits biased by 127.
constexpr int FRACTION_BITS = 23;
constexpr std::uint32_t FRACTION_MASK = (1u << FRACTION_BITS) - 1;
constexpr int EXPONENT_BIAS = 127;

Decimal shortest_decimal(float value) {
    Decimal decimal;
    decimal.negative = std::signbit(value);
    if (value == 0.0f) {
        decimal.digits = "0";
        return decimal;
    }
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const auto biased_exponent = static_cast<int>((bits >> FRACTION_BITS) & 0xFF);
    std::uint64_t significand = bits & FRACTION_MASK;
    int binary_exponent = 1 - EXPONENT_BIAS - FRACTION_BITS;  // subnormal
    if (biased_exponent > 0) {
        significand |= 1u << FRACTION_BITS;
        binary_exponent = biased_exponent - EXPONENT_BIAS - FRACTION_BITS;
    }
    const bool binade_bottom = biased_exponent > 1 && (bits & FRACTION_MASK) == 0;

    const ExactDecimal chosen =
        shortest_round_trip(exact_value(significand, binary_exponent),
                            round_trip_interval(significand, binary_exponent, binade_bottom));
    const std::size_t last = chosen.digits.find_last_not_of('0');
    const std::size_t first = chosen.digits.find_first_not_of('0');
    decimal.digits = chosen.digits.substr(first, last - first + 1);
    decimal.exponent = static_cast<int>(chosen.digits.size() - first) - 1 + chosen.scale;
    return decimal;
}

std::string positional_text(const Decimal& decimal) {
    const std::string& digits = decimal.digits;
    const auto length = static_cast<int>(digits.size());
    if (decimal.exponent >= length - 1)
        return digits +
               std::string(static_cast<std::size_t>(decimal.exponent - (length - 1)), '0') + ".0";
    if (decimal.exponent >= 0) {
        const auto point = static_cast<std::size_t>(decimal.exponent + 1);
        return digits.substr(0, point) + "." + digits.substr(point);
    }
    return "0." + std::string(static_cast<std::size_t>(-decimal.exponent - 1), '0') + digits;
}

std::string exponent_text(const Decimal& decimal) {
    const std::string& digits = decimal.digits;
    std::string text = digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    return text + "e" + std::to_string(decimal.exponent);
}

}  // namespace

std::string float_text(float value) {
    const Decimal decimal = shortest_decimal(value);
    const bool positional = decimal.exponent >= SMALLEST_POSITIONAL_EXPONENT &&
                            decimal.exponent <= LARGEST_POSITIONAL_EXPONENT;
    return (decimal.negative ? "-" : "") +
           (positional ? positional_text(decimal) : exponent_text(decimal));
}

}  // namespace quartzmon::sensors::disk
