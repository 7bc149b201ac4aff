// A whole collection run on a simulated machine whose every device reply is
// drawn from the input. Whatever the devices answer: the document parses,
// every disk that enumerates has exactly one record and one report, every
// text is valid UTF-8, and the run takes no longer than its disks allow.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "invariant.h"
#include "machine_from_input.h"
#include "main/json_writer.h"
#include "platform/simulated/simulated_machine.h"
#include "sensors/disk/collection.h"
#include "sensors/disk/enumeration/physical_drives.h"

using namespace quartzmon::sensors::disk;
using quartzmon::fuzz::is_valid_utf8;
using quartzmon::fuzz::require;
using quartzmon::platform::simulated::SimulatedMachine;

namespace {

// The longest a disk can hold the run up (an NVMe disk reporting removable
// media that answers nothing: 9 property queries of 10 s, 14 pass-through
// requests of 3 s) and the longest the PowerShell child is waited for, in
// milliseconds.
constexpr std::uint64_t WORST_CASE_PER_DISK_MS = 132'000;
constexpr std::uint64_t POWERSHELL_WAIT_MS = 60'000;

std::unique_ptr<SimulatedMachine> build_machine(const std::string& description) {
    auto machine = SimulatedMachine::from_json(description, "fuzz input");
    require(machine.has_value(), "the described machine is valid");
    return std::move(*machine);
}

std::vector<std::uint32_t> enumerated_drives(const std::string& description) {
    std::vector<std::uint32_t> drives;
    for (const auto& identity : enumeration::enumerate_physical_disks(*build_machine(description)))
        drives.push_back(identity.physical_drive);
    return drives;
}

bool record_texts_valid(const DiskHealthRecord& record) {
    bool valid = is_valid_utf8(record.model) && is_valid_utf8(record.serial_number) &&
                 is_valid_utf8(record.firmware_revision) && is_valid_utf8(record.bus_type) &&
                 is_valid_utf8(record.bridge_vendor) && is_valid_utf8(record.internal_protocol) &&
                 is_valid_utf8(record.provider_name) && is_valid_utf8(record.timestamp);
    for (const std::string& line : record.diagnostic_log) valid = valid && is_valid_utf8(line);
    for (const ProviderDiagnostic& d : record.provider_diagnostics) {
        valid = valid && is_valid_utf8(d.provider_name) && is_valid_utf8(d.result) &&
                is_valid_utf8(d.detail);
    }
    return valid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string description = quartzmon::fuzz::machine_from_input(std::span(data, size));
    const std::vector<std::uint32_t> drives = enumerated_drives(description);

    const auto machine = build_machine(description);
    const std::uint64_t start = machine->get_tick_count64();
    const CollectionResult result = collect_disk_health(*machine);
    const std::uint64_t elapsed = machine->get_tick_count64() - start;

    const std::vector<std::uint8_t> bytes = quartzmon::serialize_pretty(result);
    const auto document = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    require(!document.is_discarded(), "the document parses");

    require(result.disks.size() == drives.size(), "one record per enumerated disk");
    require(result.logs.size() == 2 + drives.size(), "one report per enumerated disk");
    for (std::size_t i = 0; i < drives.size(); ++i) {
        require(result.disks[i].physical_drive == drives[i], "records in drive order");
        require(result.logs[2 + i].find("PhysicalDrive: PhysicalDrive" + std::to_string(drives[i]) +
                                        "\n") != std::string::npos,
                "each report names its disk");
        require(record_texts_valid(result.disks[i]), "record texts are valid UTF-8");
    }
    for (const std::string& line : result.logs)
        require(is_valid_utf8(line), "log texts are valid UTF-8");
    require(elapsed <= drives.size() * WORST_CASE_PER_DISK_MS + POWERSHELL_WAIT_MS,
            "the run takes no longer than its disks allow");
    return 0;
}
