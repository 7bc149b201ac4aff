#include "main/command_line.h"

#include <algorithm>

namespace quartzmon {

std::optional<std::u16string> find_option_value(std::span<const std::u16string> arguments,
                                                std::u16string_view option) {
    std::optional<std::u16string> value;
    std::size_t i = 1;
    while (i < arguments.size()) {
        if (arguments[i] == option && i + 1 < arguments.size()) {
            value = arguments[i + 1];
            i += 2;
        } else {
            i += 1;
        }
    }
    return value;
}

std::optional<std::u16string> find_result_path(std::span<const std::u16string> arguments) {
    return find_option_value(arguments, u"--ipc");
}

bool has_flag(std::span<const std::u16string> arguments, std::u16string_view flag) {
    return std::ranges::find(arguments.subspan(std::min<std::size_t>(1, arguments.size())), flag) !=
           arguments.end();
}

bool leaves_sleeping_disks(std::span<const std::u16string> arguments) {
    return has_flag(arguments, u"--no-wake");
}

}  // namespace quartzmon
