// disk_sensor_sim: the sensor's own entry and command line on the simulated
// Windows machine, the embedded default machine unless --machine FILE names
// another description. Problems with the description are the simulator's, not
// the sensor's: they are reported on standard error with exit code 2.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "main/command_line.h"
#include "main/entry.h"
#include "main/result_file.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/utf.h"

extern const std::string_view embedded_default_machine;

namespace {

using quartzmon::CommandLine;
using quartzmon::CommandLineOption;
using quartzmon::NO_WAKE_OPTION;
using quartzmon::RESULT_PATH_OPTION;
using quartzmon::platform::simulated::SimulatedMachine;

constexpr int EXIT_DESCRIPTION_ERROR = 2;

constexpr CommandLineOption MACHINE_OPTION{u"--machine", true};
// The sensor's own options are read too, so that a value of one is never
// taken for an option of the simulator.
constexpr CommandLineOption SIMULATOR_OPTIONS[] = {MACHINE_OPTION, RESULT_PATH_OPTION,
                                                   NO_WAKE_OPTION};

std::vector<std::u16string> utf16_arguments(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(quartzmon::platform::utf8_to_utf16(argv[i]));
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine command_line(utf16_arguments(argc, argv), SIMULATOR_OPTIONS);
    const std::optional<std::u16string> machine_file = command_line.value(MACHINE_OPTION);
    auto machine =
        machine_file
            ? SimulatedMachine::from_file(quartzmon::platform::utf16_to_utf8(*machine_file))
            : SimulatedMachine::from_json(embedded_default_machine,
                                          "machines/default.json (embedded)");
    if (!machine) {
        std::fprintf(stderr, "disk_sensor_sim: %s\n", machine.error().c_str());
        return EXIT_DESCRIPTION_ERROR;
    }

    const std::vector<std::u16string> sensor_arguments =
        command_line.arguments_without(MACHINE_OPTION);
    const int exit_code = quartzmon::run_sensor(**machine, sensor_arguments);

    auto path = command_line.value(RESULT_PATH_OPTION);
    if (!path) path = quartzmon::default_result_path(**machine);
    if (path) {
        std::fprintf(stderr, "disk_sensor_sim: result document path: %s\n",
                     quartzmon::platform::utf16_to_utf8(*path).c_str());
    } else {
        std::fprintf(stderr, "disk_sensor_sim: no temporary directory, no document written\n");
    }
    return exit_code;
}
