#include "main/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace quartzmon {
namespace {

TEST(CommandLine, ResultPath) {
    const std::u16string unpaired_surrogate(1, char16_t{0xD800});
    const struct {
        const char* name;
        std::vector<std::u16string> arguments;
        std::optional<std::u16string> path;
    } cases[] = {
        {"no arguments", {u"sensor.exe"}, std::nullopt},
        {"one pair", {u"sensor.exe", u"--ipc", u"C:\\out\\r.json"}, u"C:\\out\\r.json"},
        {"last pair wins", {u"sensor.exe", u"--ipc", u"a.json", u"--ipc", u"b.json"}, u"b.json"},
        {"other arguments ignored", {u"sensor.exe", u"-v", u"--ipc", u"a.json", u"x"}, u"a.json"},
        {"trailing option ignored", {u"sensor.exe", u"--ipc"}, std::nullopt},
        {"trailing option keeps earlier pair",
         {u"sensor.exe", u"--ipc", u"a.json", u"--ipc"},
         u"a.json"},
        {"value never read as option", {u"sensor.exe", u"--ipc", u"--ipc", u"x"}, u"--ipc"},
        {"own path never examined", {u"--ipc", u"x"}, std::nullopt},
        {"capitals", {u"sensor.exe", u"--IPC", u"x"}, std::nullopt},
        {"joined by equals sign", {u"sensor.exe", u"--ipc=x"}, std::nullopt},
        {"empty value used as it is", {u"sensor.exe", u"--ipc", u""}, u""},
        {"unpaired surrogate in option",
         {u"sensor.exe", u"--ipc" + unpaired_surrogate, u"x"},
         std::nullopt},
        {"unpaired surrogate in value",
         {u"sensor.exe", u"--ipc", unpaired_surrogate},
         unpaired_surrogate},
        {"empty list", {}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(find_result_path(c.arguments), c.path) << c.name;
}

TEST(CommandLine, NoWakeExactlyAnywhereAfterTheProgramPath) {
    using Arguments = std::vector<std::u16string>;
    EXPECT_TRUE(leaves_sleeping_disks(Arguments{u"sensor.exe", u"--ipc", u"a", u"--no-wake"}));
    EXPECT_FALSE(leaves_sleeping_disks(Arguments{u"sensor.exe", u"--NO-WAKE", u"--no-wake=1"}));
    EXPECT_FALSE(leaves_sleeping_disks(Arguments{u"--no-wake", u"--ipc"}));
}

}  // namespace
}  // namespace quartzmon
