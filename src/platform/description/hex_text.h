// Raw bytes in a machine description: upper-case hex pairs separated by
// spaces ("28 00 0A"), so a dump read from a real device can be pasted in.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quartzmon::platform::description {

std::string hex_text(std::span<const std::uint8_t> bytes);

// The bytes without the zeros that end them: a buffer that started zeroed
// reads the same without them.
std::span<const std::uint8_t> without_trailing_zeros(std::span<const std::uint8_t> bytes);

// The bytes of such text (white space between pairs allowed), or the position
// of the first character that does not start a pair of hexadecimal digits.
std::expected<std::vector<std::uint8_t>, std::size_t> bytes_of_hex_text(std::string_view text);

}  // namespace quartzmon::platform::description
