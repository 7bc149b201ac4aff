#include "platform/description/hex_text.h"

namespace quartzmon::platform::description {
namespace {

int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_white_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::string hex_text(std::span<const std::uint8_t> bytes) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += DIGITS[byte >> 4];
        text += DIGITS[byte & 0x0F];
    }
    return text;
}

std::span<const std::uint8_t> without_trailing_zeros(std::span<const std::uint8_t> bytes) {
    std::size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == 0) --end;
    return bytes.first(end);
}

std::expected<std::vector<std::uint8_t>, std::size_t> bytes_of_hex_text(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (is_white_space(text[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || hex_digit_value(text[i]) < 0 ||
            hex_digit_value(text[i + 1]) < 0)
            return std::unexpected(i);
        bytes.push_back(static_cast<std::uint8_t>(hex_digit_value(text[i]) * 16 +
                                                  hex_digit_value(text[i + 1])));
        i += 2;
    }
    return bytes;
}

}  // namespace quartzmon::platform::description
