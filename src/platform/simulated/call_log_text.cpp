#include "platform/simulated/call_log_text.h"

#include <cstdio>

#include "platform/description/device_request.h"
#include "platform/description/hex_text.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace quartzmon::platform::simulated {

std::string quote_text(std::string_view utf8) {
    std::string text = "\"";
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\t') {
            text += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::string quote_text(std::u16string_view text) {
    return quote_text(utf16_to_utf8(text));
}

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// The same form as raw bytes in a machine description.
std::string hex_bytes(std::span<const std::uint8_t> bytes) {
    return description::hex_text(bytes);
}

std::string decimal(std::uint64_t value) {
    return std::to_string(value);
}

std::string true_or_false(bool value) {
    return value ? "TRUE" : "FALSE";
}

std::string ioctl_text(std::uint32_t io_control_code) {
    return description::ioctl_name(io_control_code);
}

std::string error_suffix(std::uint32_t error) {
    return error == 0 ? std::string() : ", error " + std::to_string(error);
}

std::string file_info_class_text(std::uint32_t info_class) {
    if (info_class == FileAllocationInfo) return "FileAllocationInfo";
    if (info_class == FileEndOfFileInfo) return "FileEndOfFileInfo";
    return decimal(info_class);
}

std::string token_information_class_text(std::uint32_t information_class) {
    return information_class == TokenElevation ? "TokenElevation" : decimal(information_class);
}

std::string wait_result_text(std::uint32_t result) {
    if (result == WAIT_OBJECT_0) return "WAIT_OBJECT_0";
    if (result == WAIT_TIMEOUT) return "WAIT_TIMEOUT";
    return "WAIT_FAILED";
}

std::string registry_key_text(Handle key) {
    return key == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : hex(key);
}

}  // namespace quartzmon::platform::simulated
