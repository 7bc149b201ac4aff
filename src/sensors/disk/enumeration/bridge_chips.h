// The USB-to-SATA and USB-to-NVMe bridge chips the sensor knows, by USB
// vendor and product ID.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quartzmon::sensors::disk::enumeration {

struct BridgeChipInfo {
    std::string_view bridge_vendor;
    std::string_view bridge_model;
    std::string_view protocol;  // what the bridge speaks to the drive: "SATA" or "NVMe"
};

// The row for the product when the vendor lists it, otherwise the vendor's
// fallback row; nothing for a vendor that is not in the table.
std::optional<BridgeChipInfo> lookup_bridge_chip(std::uint16_t vid,
                                                 std::optional<std::uint16_t> pid);

}  // namespace quartzmon::sensors::disk::enumeration
