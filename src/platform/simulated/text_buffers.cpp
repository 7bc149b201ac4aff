#include "platform/simulated/text_buffers.h"

#include <algorithm>

#include "platform/utf.h"

namespace quartzmon::platform::simulated {

std::uint32_t copy_path_text(const std::u16string& text, std::span<char16_t> buffer) {
    if (text.size() + 1 > buffer.size()) return static_cast<std::uint32_t>(text.size() + 1);
    std::ranges::copy(text, buffer.begin());
    buffer[text.size()] = u'\0';
    return static_cast<std::uint32_t>(text.size());
}

bool copy_optional_text(const std::string& text, std::span<char16_t> buffer) {
    if (buffer.empty()) return true;
    const std::u16string units = utf8_to_utf16(text);
    if (units.size() + 1 > buffer.size()) return false;
    std::ranges::copy(units, buffer.begin());
    buffer[units.size()] = u'\0';
    return true;
}

std::uint32_t copy_text_list(const std::u16string& text, std::span<char16_t> buffer) {
    if (text.size() + 2 > buffer.size()) return 0;
    std::ranges::copy(text, buffer.begin());
    buffer[text.size()] = u'\0';
    buffer[text.size() + 1] = u'\0';
    return static_cast<std::uint32_t>(text.size() + 2);
}

}  // namespace quartzmon::platform::simulated
