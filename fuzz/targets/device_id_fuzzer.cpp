// The vendor and product IDs of a USB device instance ID: the input is the ID.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "invariant.h"
#include "sensors/disk/enumeration/usb_identity.h"

using quartzmon::fuzz::require;
using quartzmon::sensors::disk::enumeration::parse_usb_id;

namespace {

bool is_hex_digit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// The four characters after the prefix as a hexadecimal number: four digits,
// or a plus sign and three.
std::optional<std::uint16_t> expected_id(std::string_view id, std::string_view prefix) {
    const std::size_t at = id.find(prefix);
    if (at == std::string_view::npos || id.size() - at - prefix.size() < 4) return std::nullopt;
    const std::string digits(id.substr(at + prefix.size(), 4));
    const std::size_t first_digit = digits[0] == '+' ? 1 : 0;
    for (std::size_t i = first_digit; i < digits.size(); ++i) {
        if (!is_hex_digit(digits[i])) return std::nullopt;
    }
    return static_cast<std::uint16_t>(std::strtoul(digits.c_str() + first_digit, nullptr, 16));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view id(reinterpret_cast<const char*>(data), size);
    for (const std::string_view prefix : {"VID_", "PID_"}) {
        require(parse_usb_id(id, prefix) == expected_id(id, prefix),
                "four hexadecimal digits after the first prefix, or none");
    }
    return 0;
}
