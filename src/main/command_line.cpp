#include "main/command_line.h"

namespace quartzmon {

std::optional<std::u16string> find_result_path(std::span<const std::u16string> arguments) {
    std::optional<std::u16string> path;
    std::size_t i = 1;
    while (i < arguments.size()) {
        if (arguments[i] == u"--ipc" && i + 1 < arguments.size()) {
            path = arguments[i + 1];
            i += 2;
        } else {
            i += 1;
        }
    }
    return path;
}

}  // namespace quartzmon
