// The process's arguments as the Windows entries receive them from wmain.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quartzmon {

// wchar_t is 16 bits on Windows. The arguments are copied unit by unit, so one
// that is not valid UTF-16 reaches the program unchanged (and simply matches no
// option) instead of being decoded.
inline std::vector<std::u16string> collect_arguments(int argc, wchar_t** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc; ++i) {
        std::u16string argument;
        for (const wchar_t* unit = argv[i]; *unit != L'\0'; ++unit) {
            argument.push_back(static_cast<char16_t>(*unit));
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace quartzmon
