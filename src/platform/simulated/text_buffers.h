// The ways Win32 calls hand text back in a caller's UTF-16 buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quartzmon::platform::simulated {

// Copies text and its terminating zero, Windows' way for GetTempPathW and
// GetSystemDirectoryW: the length without the zero when it fits, else the
// size needed including the zero.
std::uint32_t copy_path_text(const std::u16string& text, std::span<char16_t> buffer);

// Copies text with its zero into an optional buffer (an empty span is a null
// pointer, which asks for nothing); false when it does not fit.
bool copy_optional_text(const std::string& text, std::span<char16_t> buffer);

// Copies text as a list of one string, QueryDosDeviceW's form: the text, its
// zero, and the zero that ends the list. The count written includes both
// zeros; 0 when it does not fit.
std::uint32_t copy_text_list(const std::u16string& text, std::span<char16_t> buffer);

}  // namespace quartzmon::platform::simulated
