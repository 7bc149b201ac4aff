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

using quartzmon::platform::simulated::SimulatedMachine;

constexpr int EXIT_DESCRIPTION_ERROR = 2;

struct SimulatorOptions {
    std::string machine_file;  // empty: the embedded default machine
    std::vector<std::u16string> sensor_arguments;
};

// Takes --machine FILE out of the arguments; everything else is the sensor's.
SimulatorOptions parse_simulator_options(int argc, char** argv) {
    SimulatorOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (i > 0 && argument == "--machine" && i + 1 < argc) {
            options.machine_file = argv[++i];
            continue;
        }
        options.sensor_arguments.push_back(quartzmon::platform::utf8_to_utf16(argument));
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const SimulatorOptions options = parse_simulator_options(argc, argv);
    auto machine = options.machine_file.empty()
                       ? SimulatedMachine::from_json(embedded_default_machine,
                                                     "machines/default.json (embedded)")
                       : SimulatedMachine::from_file(options.machine_file);
    if (!machine) {
        std::fprintf(stderr, "disk_sensor_sim: %s\n", machine.error().c_str());
        return EXIT_DESCRIPTION_ERROR;
    }

    const int exit_code = quartzmon::run_sensor(**machine, options.sensor_arguments);

    auto path = quartzmon::find_result_path(options.sensor_arguments);
    if (!path) path = quartzmon::default_result_path(**machine);
    if (path) {
        std::fprintf(stderr, "disk_sensor_sim: result document path: %s\n",
                     quartzmon::platform::utf16_to_utf8(*path).c_str());
    } else {
        std::fprintf(stderr, "disk_sensor_sim: no temporary directory, no document written\n");
    }
    return exit_code;
}
