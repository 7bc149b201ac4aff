#include "main/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace quartzmon {
namespace {

using Arguments = std::vector<std::u16string>;

// What the sensor reads: the result path ("-" for none) and the standby flag.
std::u16string sensor_reading(const Arguments& arguments) {
    const CommandLine command_line(arguments, SENSOR_OPTIONS);
    return command_line.value(RESULT_PATH_OPTION).value_or(u"-") + u" | " +
           (command_line.has(NO_WAKE_OPTION) ? u"no-wake" : u"wake");
}

TEST(CommandLine, SensorOptions) {
    const std::u16string unpaired_surrogate(1, char16_t{0xD800});
    const struct {
        const char* name;
        Arguments arguments;
        std::u16string reading;
    } cases[] = {
        // clang-format off
        {"no arguments", {u"sensor.exe"}, u"- | wake"},
        {"one pair", {u"sensor.exe", u"--ipc", u"C:\\out\\r.json"}, u"C:\\out\\r.json | wake"},
        {"last pair wins", {u"sensor.exe", u"--ipc", u"a.json", u"--ipc", u"b.json"}, u"b.json | wake"},
        {"other arguments ignored", {u"sensor.exe", u"-v", u"--ipc", u"a.json", u"x"}, u"a.json | wake"},
        {"trailing option ignored", {u"sensor.exe", u"--ipc"}, u"- | wake"},
        {"trailing option keeps earlier pair", {u"sensor.exe", u"--ipc", u"a.json", u"--ipc"}, u"a.json | wake"},
        {"value never read as option", {u"sensor.exe", u"--ipc", u"--ipc", u"x"}, u"--ipc | wake"},
        {"a flag as a value is no flag", {u"sensor.exe", u"--ipc", u"--no-wake"}, u"--no-wake | wake"},
        {"flag anywhere after the path", {u"sensor.exe", u"--ipc", u"a", u"--no-wake"}, u"a | no-wake"},
        {"own path never examined", {u"--no-wake", u"--ipc", u"x"}, u"x | wake"},
        {"capitals", {u"sensor.exe", u"--IPC", u"x", u"--NO-WAKE"}, u"- | wake"},
        {"joined by equals sign", {u"sensor.exe", u"--ipc=x", u"--no-wake=1"}, u"- | wake"},
        {"empty value used as it is", {u"sensor.exe", u"--ipc", u""}, u" | wake"},
        {"unpaired surrogate in option", {u"sensor.exe", u"--ipc" + unpaired_surrogate, u"x"}, u"- | wake"},
        {"unpaired surrogate in value", {u"sensor.exe", u"--ipc", unpaired_surrogate}, unpaired_surrogate + u" | wake"},
        {"empty list", {}, u"- | wake"},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(sensor_reading(c.arguments), c.reading) << c.name;
}

// What a program passes on to another: its own option's pairs taken out as
// read, everything else in order.
TEST(CommandLine, ArgumentsWithoutAnOption) {
    constexpr CommandLineOption machine{u"--machine", true};
    const CommandLineOption options[] = {machine, RESULT_PATH_OPTION, NO_WAKE_OPTION};
    const CommandLine command_line(
        Arguments{u"sim", u"--machine", u"a.json", u"--ipc", u"--machine", u"x", u"--machine"},
        options);
    EXPECT_EQ(command_line.value(machine), u"a.json");
    EXPECT_EQ(command_line.arguments_without(machine),
              (Arguments{u"sim", u"--ipc", u"--machine", u"x", u"--machine"}));
}

}  // namespace
}  // namespace quartzmon
