// The Windows program: a windowless worker (GUI subsystem, wide-character
// entry) that runs the sensor once on the real platform.
#include <string>
#include <utility>
#include <vector>

#include "main/entry.h"
#include "platform/windows/windows_platform.h"

// wchar_t is 16 bits on Windows. The arguments are copied unit by unit, so one
// that is not valid UTF-16 reaches the sensor unchanged (and simply matches no
// option) instead of being decoded.
static std::vector<std::u16string> collect_arguments(int argc, wchar_t** argv) {
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

int wmain(int argc, wchar_t** argv) {
    quartzmon::platform::windows::WindowsPlatform platform;
    const std::vector<std::u16string> arguments = collect_arguments(argc, argv);
    return quartzmon::run_sensor(platform, arguments);
}
