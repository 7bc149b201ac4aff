#include "sensors/disk/float_text.h"

#include <charconv>
#include <string_view>

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

// std::to_chars in scientific form without a precision gives the shortest
// digits that read back as the same float, laid out as "-3.66e+01": at most
// nine digits, so never more than 16 characters.
Decimal shortest_decimal(float value) {
    char buf[32];
    const char* end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific).ptr;
    const std::string_view text(buf, static_cast<std::size_t>(end - buf));

    Decimal decimal;
    std::size_t pos = 0;
    if (pos < text.size() && text[pos] == '-') {
        decimal.negative = true;
        ++pos;
    }
    for (; pos < text.size() && text[pos] != 'e'; ++pos)
        if (text[pos] != '.') decimal.digits += text[pos];
    if (pos < text.size()) ++pos;  // the 'e'
    if (pos < text.size() && text[pos] == '+') ++pos;
    std::from_chars(text.data() + pos, text.data() + text.size(), decimal.exponent);
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
