// Conversions between the UTF-16 text of the Windows boundary and the UTF-8
// text of the sensor. Both are lossy in the Windows way: an unpaired surrogate
// or an invalid UTF-8 sequence becomes U+FFFD.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quartzmon::platform {

std::string utf16_to_utf8(std::u16string_view text);
std::u16string utf8_to_utf16(std::string_view text);
// Decodes bytes as UTF-8, putting U+FFFD in place of each invalid sequence
// (the maximal-subpart rule), and returns valid UTF-8.
std::string utf8_lossy(std::string_view bytes);
// One Unicode scalar value as UTF-8.
std::string scalar_to_utf8(char32_t c);

// The UTF-16 text of a zero-filled buffer a Windows call wrote into: every
// unit up to the first zero (or the whole buffer when there is none).
std::u16string text_until_zero(std::span<const char16_t> buffer);

}  // namespace quartzmon::platform
