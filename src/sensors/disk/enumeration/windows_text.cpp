#include "sensors/disk/enumeration/windows_text.h"

#include <string_view>

#include "platform/utf.h"

namespace quartzmon::sensors::disk::enumeration {

std::string text_without_outer_zeros(std::span<const char16_t> buffer) {
    const std::string text =
        platform::utf16_to_utf8(std::u16string_view(buffer.data(), buffer.size()));
    const std::size_t begin = text.find_first_not_of('\0');
    if (begin == std::string::npos) return {};
    const std::size_t end = text.find_last_not_of('\0');
    return text.substr(begin, end - begin + 1);
}

}  // namespace quartzmon::sensors::disk::enumeration
