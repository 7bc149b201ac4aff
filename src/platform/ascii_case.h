// Windows compares paths, registry names, device IDs and device names without
// regard to case; the names met here are ASCII, so folding the ASCII letters
// is enough, and leaves any other byte of UTF-8 text as it is.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quartzmon::platform {

inline char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string ascii_lower(std::string text) {
    for (char& c : text) c = ascii_lower(c);
    return text;
}

inline bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b,
                              [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

}  // namespace quartzmon::platform
