#include "platform/description/device_names.h"

#include <string>

#include "platform/ascii_case.h"
#include "platform/utf.h"

namespace quartzmon::platform::description {
namespace {

constexpr std::string_view PHYSICAL_DRIVE = "physicaldrive";
// More digits than any drive number needs, and fewer than overflow 32 bits.
constexpr std::size_t MAX_DRIVE_NUMBER_DIGITS = 9;

std::optional<std::uint32_t> decimal_without_leading_zero(std::string_view digits) {
    if (digits.empty() || digits.size() > MAX_DRIVE_NUMBER_DIGITS ||
        (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    std::uint32_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return number;
}

}  // namespace

std::optional<std::uint32_t> physical_drive_number(std::u16string_view device_name) {
    const std::string text = ascii_lower(utf16_to_utf8(device_name));
    if (!text.starts_with(PHYSICAL_DRIVE)) return std::nullopt;
    return decimal_without_leading_zero(std::string_view(text).substr(PHYSICAL_DRIVE.size()));
}

std::optional<char> drive_letter(std::u16string_view text, bool with_backslash) {
    if (text.size() != (with_backslash ? 3u : 2u) || text[1] != u':') return std::nullopt;
    if (with_backslash && text[2] != u'\\') return std::nullopt;
    const char16_t letter = text[0];
    if (letter >= u'a' && letter <= u'z') return static_cast<char>(letter - u'a' + 'A');
    if (letter >= u'A' && letter <= u'Z') return static_cast<char>(letter);
    return std::nullopt;
}

}  // namespace quartzmon::platform::description
