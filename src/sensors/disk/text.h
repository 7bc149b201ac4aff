// Text forms that recur in the sensor's messages, logs and reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace quartzmon::sensors::disk {

// "%H:%M:%S" of a local time: 09:05:03.
std::string clock_text(const platform::SystemTime& time);

// A temperature with exactly one decimal, rounded half to even on the exact
// value: 45 gives "45.0", 36.25 gives "36.2".
std::string one_decimal(float value);
// one_decimal followed by the degree sign and C: "45.0°C".
std::string celsius_text(float value);
// Rounded to a whole number, half to even, no decimal point: 36.5 gives "36".
std::string whole_number(float value);

// Two uppercase hexadecimal digits, no prefix: 0x0A gives "0A".
std::string hex2(std::uint8_t value);
// Four uppercase hexadecimal digits, no prefix: 0x0BDA gives "0BDA".
std::string hex4(std::uint16_t value);

// The detail of an attempt whose command was not sent because the USB device
// is known to mishandle it.
std::string not_sent_text(std::uint8_t op_code);

// Debug forms: Some("ASMedia") or None; Some(194) or None; ['C', 'E'].
std::string quoted_debug(std::string_view text);
std::string optional_text_debug(const std::optional<std::string>& text);
std::string optional_number_debug(const std::optional<std::uint64_t>& value);
std::string letters_debug(const std::vector<char32_t>& letters);

// ASCII letters a to z turned to A to Z; every other byte unchanged.
std::string ascii_upper(std::string_view text);

// Removes leading and trailing characters with the Unicode White_Space
// property from UTF-8 text.
std::string_view trim_white_space(std::string_view text);

}  // namespace quartzmon::sensors::disk
