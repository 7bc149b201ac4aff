// Text forms of the call log (the format is described in simulated_machine.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quartzmon::platform::simulated {

// A text in double quotes, verbatim but for control characters.
std::string quote_text(std::string_view utf8);
std::string quote_text(std::u16string_view text);
// 0x and upper-case hexadecimal digits: 0x100, 0x0.
std::string hex(std::uint64_t value);
// Bytes as two upper-case hexadecimal digits each, spaced: "85 08 0E".
std::string hex_bytes(std::span<const std::uint8_t> bytes);
std::string decimal(std::uint64_t value);
std::string true_or_false(bool value);
// The SDK name of an IOCTL code, or 0x%08X.
std::string ioctl_text(std::uint32_t io_control_code);
// ", error N" for a nonzero error, else nothing.
std::string error_suffix(std::uint32_t error);

// The SDK names of the constants the log shows by name, else the number.
std::string file_info_class_text(std::uint32_t info_class);
std::string token_information_class_text(std::uint32_t information_class);
std::string wait_result_text(std::uint32_t result);
// HKEY_LOCAL_MACHINE by name, any other key as a handle.
std::string registry_key_text(Handle key);

}  // namespace quartzmon::platform::simulated
