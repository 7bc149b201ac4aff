// Any bytes as a machine description. The reader either refuses them with an
// error that names the description, or the machine it builds runs a whole
// collection that gives what every run must (collection_checks.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collection_checks.h"
#include "invariant.h"
#include "platform/simulated/simulated_machine.h"

using quartzmon::fuzz::require;

namespace {

constexpr std::string_view SOURCE_NAME = "fuzz input";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string description(reinterpret_cast<const char*>(data), size);
    auto machine = quartzmon::platform::simulated::SimulatedMachine::from_json(description, SOURCE_NAME);
    if (!machine) {
        require(machine.error().starts_with(std::string(SOURCE_NAME) + ": "),
                "a refused description is named in the error");
        return 0;
    }
    const std::vector<std::uint32_t> drives = quartzmon::fuzz::enumerated_drives(description);
    quartzmon::fuzz::check_collection(quartzmon::sensors::disk::collect_disk_health(**machine),
                                      drives);
    return 0;
}
