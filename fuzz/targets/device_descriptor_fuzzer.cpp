// The device descriptor reply through enumeration. The input's first two bytes
// are the byte count the driver reports (little-endian), the rest the reply.
// Windows hands the caller only the reported bytes of a buffered request, so
// the identity must be the one read from exactly those bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <vector>

#include "invariant.h"
#include "platform/description/hex_text.h"
#include "platform/simulated/simulated_machine.h"
#include "sensors/disk/enumeration/physical_drives.h"

using namespace quartzmon::sensors::disk::enumeration;
using quartzmon::fuzz::is_valid_utf8;
using quartzmon::fuzz::require;
using quartzmon::platform::description::hex_text;
using quartzmon::platform::simulated::SimulatedMachine;

namespace {

// The sensor's descriptor buffer.
constexpr std::size_t DESCRIPTOR_BUFFER_SIZE = 1024;

std::vector<DiskIdentity> enumerate(const nlohmann::json& descriptor) {
    const nlohmann::json description{
        {"disks", {{{"properties", {{"StorageDeviceProperty", descriptor}}}}}}};
    auto machine = SimulatedMachine::from_json(description.dump(), "fuzz input");
    require(machine.has_value(), "the description is valid");
    return enumerate_physical_disks(**machine);
}

bool same_identity(const DiskIdentity& a, const DiskIdentity& b) {
    return a.model == b.model && a.serial_number == b.serial_number &&
           a.firmware_revision == b.firmware_revision && a.bus_type == b.bus_type &&
           a.bus_type_code == b.bus_type_code && a.vendor_id == b.vendor_id &&
           a.product_id == b.product_id && a.removable_media == b.removable_media &&
           a.internal_protocol == b.internal_protocol;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint32_t reported = static_cast<std::uint32_t>(data[0] | data[1] << 8);
    const std::span<const std::uint8_t> reply(data + 2, size - 2);

    const std::vector<DiskIdentity> disks =
        enumerate({{"raw", hex_text(reply)}, {"bytes_returned", reported}});
    require(disks.size() <= 1, "one disk at most");
    for (const DiskIdentity& disk : disks) {
        require(is_valid_utf8(disk.model) && is_valid_utf8(disk.serial_number) &&
                    is_valid_utf8(disk.firmware_revision) && is_valid_utf8(disk.vendor_id) &&
                    is_valid_utf8(disk.product_id),
                "identity texts are valid UTF-8");
        require(!disk.model.empty(), "a model text");
    }
    if (reported > DESCRIPTOR_BUFFER_SIZE) return 0;

    std::vector<std::uint8_t> reported_bytes(reply.begin(), reply.end());
    reported_bytes.resize(std::min<std::size_t>(reported, DESCRIPTOR_BUFFER_SIZE), 0);
    const std::vector<DiskIdentity> from_reported_bytes =
        enumerate({{"raw", hex_text(reported_bytes)}});
    require(disks.size() == from_reported_bytes.size() &&
                (disks.empty() || same_identity(disks[0], from_reported_bytes[0])),
            "only the reported bytes are read");
    return 0;
}
