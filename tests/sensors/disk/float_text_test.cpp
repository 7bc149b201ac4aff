#include "sensors/disk/float_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace quartzmon::sensors::disk {
namespace {

float float_from_bits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}
std::uint32_t bits_of(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

TEST(FloatText, Forms) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {35.0f, "35.0"},
        {0.0f, "0.0"},
        {-0.0f, "-0.0"},
        {36.6f, "36.6"},
        {-36.5f, "-36.5"},
        {0.1f, "0.1"},
        {1.0f / 3.0f, "0.33333334"},
        {0.00125f, "0.00125"},
        {100.0f, "100.0"},
        {123456789.0f, "123456790.0"},
        {16777216.0f, "16777216.0"},
        // One millionth is the smallest positional magnitude.
        {1e-6f, "0.000001"},
        {1.0000001e-6f, "0.0000010000001"},
        {9.999999e-7f, "9.999999e-7"},
        {1e-7f, "1e-7"},
        {-1e-7f, "-1e-7"},
        {1.5e-7f, "1.5e-7"},
        {9.9999994e-8f, "9.9999994e-8"},
        // Up to below ten to the power 13 positional.
        {1e12f, "1000000000000.0"},
        {9.999999e11f, "999999900000.0"},
        {1.00000006e12f, "1000000060000.0"},
        {9.999999e12f, "9999999000000.0"},
        {1e13f, "1e13"},
        {1.0000001e13f, "1.0000001e13"},
        {2.5e13f, "2.5e13"},
        {std::numeric_limits<float>::max(), "3.4028235e38"},
        {std::numeric_limits<float>::min(), "1.1754944e-38"},
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
        {-std::numeric_limits<float>::denorm_min(), "-1e-45"},
    };
    for (const auto& c : cases) EXPECT_EQ(float_text(c.value), c.text) << c.text;
}

// The parts of a float text, read back without trusting the writer.
struct NumberText {
    bool negative = false;
    std::string significant;  // without leading or trailing zeros
    int exponent = 0;         // decimal exponent of the first significant digit
    bool positional = false;
};

bool all_digits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string strip_zeros(const std::string& digits) {
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return "";
    return digits.substr(first, digits.find_last_not_of('0') - first + 1);
}

// Accepts only the two layouts: "-"? (0 | [1-9][0-9]*) "." [0-9]+ with no
// trailing zero beyond a lone ".0", or "-"? [1-9] ("." [0-9]*[1-9])? "e" "-"?
// [1-9][0-9]*.
std::optional<NumberText> read_number_text(std::string text) {
    NumberText number;
    if (!text.empty() && text[0] == '-') {
        number.negative = true;
        text.erase(0, 1);
    }
    const std::size_t e = text.find('e');
    if (e == std::string::npos) {
        const std::size_t point = text.find('.');
        if (point == std::string::npos) return std::nullopt;
        const std::string whole = text.substr(0, point);
        const std::string fraction = text.substr(point + 1);
        if (!all_digits(whole) || !all_digits(fraction)) return std::nullopt;
        if (whole.size() > 1 && whole[0] == '0') return std::nullopt;
        if (fraction.size() > 1 && fraction.back() == '0') return std::nullopt;
        number.positional = true;
        number.significant = strip_zeros(whole + fraction);
        if (number.significant.empty())
            number.exponent = 0;
        else if (whole != "0")
            number.exponent = static_cast<int>(whole.size()) - 1;
        else
            number.exponent = -static_cast<int>(fraction.find_first_not_of('0')) - 1;
        return number;
    }
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    if (mantissa.size() > 1) {
        if (mantissa.size() < 3 || mantissa[1] != '.' || mantissa.back() == '0')
            return std::nullopt;
        mantissa.erase(1, 1);
    }
    if (!all_digits(mantissa) || mantissa[0] == '0') return std::nullopt;
    const bool negative_exponent = !exponent.empty() && exponent[0] == '-';
    if (negative_exponent) exponent.erase(0, 1);
    if (!all_digits(exponent) || exponent[0] == '0') return std::nullopt;
    number.significant = mantissa;
    number.exponent = (negative_exponent ? -1 : 1) * std::stoi(exponent);
    return number;
}

// The exact decimal expansion of a float: its digits (a float never needs more
// than 112) and the decimal exponent of the first one.
void exact_decimal(float value, std::string& digits, int& exponent) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.120e", static_cast<double>(std::fabs(value)));
    const std::string text = buf;
    const std::size_t e = text.find('e');
    digits = text.substr(0, 1) + text.substr(2, e - 2);
    exponent = std::stoi(text.substr(e + 1));
}

bool reads_back_as(const std::string& digits, int exponent, float value) {
    const std::string text =
        digits.substr(0, 1) + "." + digits.substr(1) + "0e" + std::to_string(exponent);
    return std::strtof(text.c_str(), nullptr) == std::fabs(value);
}

// Adds one unit in the last place of a digit string; "99" becomes "100".
std::string next_up(std::string digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return digits;
        }
        digits[i] = '0';
    }
    return "1" + digits;
}

// No decimal with one significant digit fewer reads back as the value: the
// interval that rounds to the value contains the value, so it suffices to try
// the two such decimals next to the value on either side.
bool has_shorter_text(float value, std::size_t digit_count) {
    if (digit_count < 2) return false;
    std::string digits;
    int exponent = 0;
    exact_decimal(value, digits, exponent);
    const std::string below = digits.substr(0, digit_count - 1);
    const std::string above = next_up(below);
    const int above_exponent = above.size() > below.size() ? exponent + 1 : exponent;
    return reads_back_as(below, exponent, value) || reads_back_as(above, above_exponent, value);
}

// The library's shortest form: among the shortest texts that read back, the
// one nearest the value, a tie going to the even digit.
std::string shortest_to_chars_digits(float value) {
    char buf[64];
    const char* end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific).ptr;
    std::string digits;
    for (const char* p = buf; p != end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    return strip_zeros(digits);
}

void expect_shortest_round_trip(float value) {
    const std::string text = float_text(value);
    const std::optional<NumberText> number = read_number_text(text);
    ASSERT_TRUE(number) << "layout of " << text;
    EXPECT_EQ(bits_of(std::strtof(text.c_str(), nullptr)), bits_of(value)) << text;
    EXPECT_EQ(number->negative, std::signbit(value)) << text;
    EXPECT_EQ(number->positional, number->exponent >= -6 && number->exponent <= 12) << text;
    if (value != 0.0f) {
        EXPECT_EQ(number->significant, shortest_to_chars_digits(value)) << text;
    }
    EXPECT_FALSE(has_shorter_text(value, number->significant.size())) << text;
}

std::vector<float> neighbours(float value, int steps) {
    std::vector<float> values;
    const std::uint32_t bits = bits_of(value);
    for (int step = -steps; step <= steps; ++step) {
        const float v = float_from_bits(bits + static_cast<std::uint32_t>(step));
        if (std::isfinite(v)) values.push_back(v);
    }
    return values;
}

std::vector<float> boundary_values() {
    std::vector<float> values;
    for (int power = -45; power <= 38; ++power) {
        const std::string text = "1e" + std::to_string(power);
        for (const float v : neighbours(std::strtof(text.c_str(), nullptr), 3)) values.push_back(v);
    }
    for (const float edge : {1e-6f, 1e-7f, 1e12f, 1e13f, 9.9999995e-7f, 9.9999995e12f})
        for (const float v : neighbours(edge, 200)) values.push_back(v);
    for (const float v : neighbours(std::numeric_limits<float>::max(), 3)) values.push_back(v);
    for (const float v : neighbours(std::numeric_limits<float>::min(), 3)) values.push_back(v);
    // Subnormals: the smallest ones one by one, then across their range.
    for (std::uint32_t bits = 1; bits < 2000; ++bits) values.push_back(float_from_bits(bits));
    for (std::uint32_t bits = 2000; bits < 0x00800000; bits += 4099)
        values.push_back(float_from_bits(bits));
    return values;
}

TEST(FloatText, BoundariesReadBackInTheShortestForm) {
    for (const float value : boundary_values()) {
        expect_shortest_round_trip(value);
        expect_shortest_round_trip(-value);
        if (HasFailure()) return;
    }
}

TEST(FloatText, RandomBitPatternsReadBackInTheShortestForm) {
    std::mt19937 generator(20240613);
    int checked = 0;
    while (checked < 300000) {
        const float value = float_from_bits(static_cast<std::uint32_t>(generator()));
        if (!std::isfinite(value)) continue;
        expect_shortest_round_trip(value);
        if (HasFailure()) return;
        ++checked;
    }
}

}  // namespace
}  // namespace quartzmon::sensors::disk
