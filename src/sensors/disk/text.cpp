#include "sensors/disk/text.h"

#include <cmath>
#include <cstdint>

#include "platform/utf.h"

namespace quartzmon::sensors::disk {
namespace {

// The texts are built by hand rather than with the printf family, which would
// bring the C library's whole floating-point formatting into the program.
constexpr std::string_view HEX_DIGITS = "0123456789ABCDEF";

std::string two_digits(unsigned value) {
    return {static_cast<char>('0' + value % 100 / 10), static_cast<char>('0' + value % 10)};
}

// The lowest count hexadecimal digits of value, upper case.
std::string hex_digits(unsigned value, int count) {
    std::string text(static_cast<std::size_t>(count), '0');
    for (int i = count; i-- > 0; value >>= 4)
        text[static_cast<std::size_t>(i)] = HEX_DIGITS[value & 0xF];
    return text;
}

// Doubles a decimal digit string in place.
void double_digits(std::string& digits) {
    int carry = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        const int twice = (digits[i] - '0') * 2 + carry;
        digits[i] = static_cast<char>('0' + twice % 10);
        carry = twice / 10;
    }
    if (carry > 0) digits.insert(digits.begin(), '1');
}

// Rounds to the nearest integer, ties to even. The default floating-point
// environment rounds to nearest-even, which nearbyint follows.
double round_half_even(double value) {
    return std::nearbyint(value);
}

// The exact digits of a non-negative whole double. Above 2^64 it is a
// 53-bit significand times a power of two, doubled digit by digit.
std::string integer_text(double whole) {
    constexpr double TWO_TO_64 = 18446744073709551616.0;
    constexpr int SIGNIFICAND_BITS = 53;
    if (whole < TWO_TO_64) return std::to_string(static_cast<std::uint64_t>(whole));
    int exponent = 0;
    const double fraction = std::frexp(whole, &exponent);
    std::string digits =
        std::to_string(static_cast<std::uint64_t>(std::ldexp(fraction, SIGNIFICAND_BITS)));
    for (int i = SIGNIFICAND_BITS; i < exponent; ++i) double_digits(digits);
    return digits;
}

// The control characters: C0, DEL and C1.
bool is_control(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Infinities and NaN have no digits to round; a temperature never is one, but a
// text must not depend on converting them to an integer.
std::string non_finite_text(float value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-inf" : "inf";
}

// Escapes one character the way a debug form shows it inside quotes.
std::string debug_escape(char32_t c, char32_t quote) {
    if (c == quote || c == U'\\') return std::string("\\") + static_cast<char>(c);
    switch (c) {
        case U'\t':
            return "\\t";
        case U'\r':
            return "\\r";
        case U'\n':
            return "\\n";
        case U'\0':
            return "\\0";
        default:
            break;
    }
    if (is_control(c)) {
        // At most 9Fh: lower-case digits without leading zeros.
        constexpr std::string_view LOWER_HEX_DIGITS = "0123456789abcdef";
        const auto code = static_cast<unsigned>(c);
        std::string digits;
        if (code >= 0x10) digits += LOWER_HEX_DIGITS[code >> 4];
        digits += LOWER_HEX_DIGITS[code & 0xF];
        return "\\u{" + digits + "}";
    }
    return platform::scalar_to_utf8(c);
}

// Decodes the next scalar value of valid UTF-8 text.
char32_t next_scalar(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (pos + length > text.size()) length = text.size() - pos;
    char32_t value = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i)
        value = (value << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    pos += length;
    return value;
}

bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

std::string clock_text(const platform::SystemTime& time) {
    return two_digits(time.hour) + ":" + two_digits(time.minute) + ":" + two_digits(time.second);
}

std::string one_decimal(float value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    // A float has 24 significant bits, so value * 10 is exact in a double and
    // the only rounding is the one below.
    const double tenths = round_half_even(static_cast<double>(value) * 10.0);
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(tenths);
    const double whole = std::floor(magnitude / 10.0);
    const auto fraction = static_cast<int>(magnitude - whole * 10.0);
    return (negative ? "-" : "") + integer_text(whole) + "." + std::to_string(fraction);
}

std::string celsius_text(float value) {
    return one_decimal(value) + "°C";
}

std::string whole_number(float value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    const double rounded = round_half_even(static_cast<double>(value));
    return (std::signbit(value) ? "-" : "") + integer_text(std::fabs(rounded));
}

std::string hex2(std::uint8_t value) {
    return hex_digits(value, 2);
}

std::string not_sent_text(std::uint8_t op_code) {
    return "Not sent: this USB device is known to hang or disconnect on SCSI operation code 0x" +
           hex2(op_code);
}

std::string hex4(std::uint16_t value) {
    return hex_digits(value, 4);
}

std::string quoted_debug(std::string_view text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) out += debug_escape(next_scalar(text, pos), U'"');
    return out + "\"";
}

std::string optional_text_debug(const std::optional<std::string>& text) {
    return text ? "Some(" + quoted_debug(*text) + ")" : "None";
}

std::string optional_number_debug(const std::optional<std::uint64_t>& value) {
    return value ? "Some(" + std::to_string(*value) + ")" : "None";
}

std::string letters_debug(const std::vector<char32_t>& letters) {
    std::string out = "[";
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (i > 0) out += ", ";
        out += "'" + debug_escape(letters[i], U'\'') + "'";
    }
    return out + "]";
}

std::string ascii_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        if (!is_white_space(next_scalar(text, next))) break;
        begin = next;
    }
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        if (!is_white_space(next_scalar(text, pos))) end = pos;
    }
    return text.substr(begin, end - begin);
}

}  // namespace quartzmon::sensors::disk
