#include "sensors/disk/text.h"

#include <cmath>
#include <cstdio>

#include "platform/utf.h"

namespace quartzmon::sensors::disk {
namespace {

std::string two_digits(unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02u", value % 100);
    return buf;
}

// Rounds to the nearest integer, ties to even. The default floating-point
// environment rounds to nearest-even, which nearbyint follows.
double round_half_even(double value) { return std::nearbyint(value); }

std::string integer_text(double whole) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", whole);
    return buf;
}

// The control characters: C0, DEL and C1.
bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

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
        case U'\t': return "\\t";
        case U'\r': return "\\r";
        case U'\n': return "\\n";
        case U'\0': return "\\0";
        default: break;
    }
    if (is_control(c)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c));
        return buf;
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

std::string celsius_text(float value) { return one_decimal(value) + "°C"; }

std::string whole_number(float value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    const double rounded = round_half_even(static_cast<double>(value));
    return (std::signbit(value) ? "-" : "") + integer_text(std::fabs(rounded));
}

std::string hex2(std::uint8_t value) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(value));
    return buf;
}

std::string hex4(std::uint16_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(value));
    return buf;
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
