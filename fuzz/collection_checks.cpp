#include "collection_checks.h"

#include <nlohmann/json.hpp>

#include "invariant.h"
#include "main/json_writer.h"
#include "sensors/disk/enumeration/physical_drives.h"

namespace quartzmon::fuzz {
namespace {

using namespace quartzmon::sensors::disk;

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

std::unique_ptr<platform::simulated::SimulatedMachine> valid_machine(const std::string& description) {
    auto machine = platform::simulated::SimulatedMachine::from_json(description, "fuzz input");
    require(machine.has_value(), "the described machine is valid");
    return std::move(*machine);
}

std::vector<std::uint32_t> enumerated_drives(const std::string& description) {
    std::vector<std::uint32_t> drives;
    for (const auto& identity : enumeration::enumerate_physical_disks(*valid_machine(description)))
        drives.push_back(identity.physical_drive);
    return drives;
}

void check_collection(const CollectionResult& result, const std::vector<std::uint32_t>& drives) {
    const std::vector<std::uint8_t> bytes = serialize_pretty(result);
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
}

}  // namespace quartzmon::fuzz
