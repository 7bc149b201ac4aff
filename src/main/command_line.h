// One reading of a command line for every program: the sensor, the capture
// and the simulator each name the options they take, and the same rules hold
// for all of them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quartzmon {

// An option followed by its value ("--ipc PATH"), or a flag ("--no-wake").
struct CommandLineOption {
    std::u16string_view name;
    bool takes_value;
};

// The sensor's own options: where the result document goes, and whether
// disks in standby are left asleep.
inline constexpr CommandLineOption RESULT_PATH_OPTION{u"--ipc", true};
inline constexpr CommandLineOption NO_WAKE_OPTION{u"--no-wake", false};
inline constexpr CommandLineOption SENSOR_OPTIONS[] = {RESULT_PATH_OPTION, NO_WAKE_OPTION};

// The arguments (the program's own path first, never examined) read left to
// right against the given options. The argument after an option that takes a
// value is that value whatever it is, never itself read as an option; a
// trailing option without its value is ignored, and so is every argument that
// names no option. Arguments are compared as UTF-16 units, exactly: capitals
// or "--ipc=x" name no option, and text that is not valid UTF-16 simply
// matches nothing.
class CommandLine {
public:
    CommandLine(std::span<const std::u16string> arguments,
                std::span<const CommandLineOption> options);

    // The value of the option's last complete pair.
    std::optional<std::u16string> value(const CommandLineOption& option) const;
    bool has(const CommandLineOption& flag) const;
    // The arguments with every occurrence of the option (and its value) taken
    // out, as read: what a program passes on to another.
    std::vector<std::u16string> arguments_without(const CommandLineOption& option) const;

private:
    struct Occurrence {
        std::u16string_view option;
        std::size_t at;  // index of the option's argument
    };

    std::vector<std::u16string> arguments_;
    std::vector<Occurrence> occurrences_;
};

}  // namespace quartzmon
