// Bootstrap only: replaced by the real simulated machine.
#include "platform/simulated/simulated_machine.h"

namespace quartzmon::platform::simulated {

std::expected<std::unique_ptr<SimulatedMachine>, std::string> SimulatedMachine::from_json(
    std::string_view, std::string_view source_name) {
    return std::unexpected(std::string(source_name) + ": the simulated machine is not built yet");
}

std::expected<std::unique_ptr<SimulatedMachine>, std::string> SimulatedMachine::from_file(
    const std::filesystem::path& path) {
    return from_json("", path.string());
}

}  // namespace quartzmon::platform::simulated
