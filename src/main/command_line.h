#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quartzmon {

// The value of the last complete "OPTION VALUE" pair of the arguments (the
// program's own path first, never examined). A value is never itself read as
// an option; a trailing OPTION is ignored. Arguments are compared as UTF-16
// units, so one that is not valid UTF-16 simply does not match.
std::optional<std::u16string> find_option_value(std::span<const std::u16string> arguments,
                                                std::u16string_view option);

// The result path: the value of the last complete "--ipc" pair.
std::optional<std::u16string> find_result_path(std::span<const std::u16string> arguments);

// Whether one of the arguments after the program's own path is exactly flag.
bool has_flag(std::span<const std::u16string> arguments, std::u16string_view flag);

// "--no-wake": leave disks in standby asleep.
bool leaves_sleeping_disks(std::span<const std::u16string> arguments);

}  // namespace quartzmon
