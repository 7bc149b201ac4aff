#include "platform/utf.h"

#include <cstdint>

namespace quartzmon::platform {
namespace {

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void append_utf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one scalar value at text[pos]. On an invalid sequence it consumes the
// maximal subpart of a valid sequence (at least one byte) and yields U+FFFD, as
// the Unicode standard recommends and as Windows and most runtimes do.
char32_t decode_utf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;

    std::size_t length = 0;
    char32_t value = 0;
    unsigned char low = 0x80;   // allowed range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return REPLACEMENT_CHARACTER;
    }

    for (std::size_t i = 1; i < length; ++i) {
        if (pos >= text.size()) return REPLACEMENT_CHARACTER;
        const auto byte = static_cast<unsigned char>(text[pos]);
        const bool in_range = i == 1 ? (byte >= low && byte <= high) : is_continuation(byte);
        if (!in_range) return REPLACEMENT_CHARACTER;
        value = (value << 6) | (byte & 0x3F);
        ++pos;
    }
    return value;
}

}  // namespace

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            append_utf8(out, c);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            append_utf8(out, REPLACEMENT_CHARACTER);
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) append_utf16(out, decode_utf8(text, pos));
    return out;
}

std::string utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) append_utf8(out, decode_utf8(bytes, pos));
    return out;
}

std::string scalar_to_utf8(char32_t c) {
    std::string out;
    append_utf8(out, c);
    return out;
}

std::u16string text_until_zero(std::span<const char16_t> buffer) {
    std::u16string out;
    for (const char16_t unit : buffer) {
        if (unit == 0) break;
        out += unit;
    }
    return out;
}

}  // namespace quartzmon::platform
