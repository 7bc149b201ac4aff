// The USB-to-SATA and USB-to-NVMe bridge chips the sensor knows, by USB
// vendor and product ID.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quartzmon::sensors::disk::enumeration {

struct BridgeChipInfo {
    std::string_view bridge_vendor;
    std::string_view bridge_model;
    std::string_view protocol;  // what the bridge speaks to the drive: "SATA" or "NVMe"
};

// A vendor and product ID the table lists; no product for a vendor's
// fallback row, which any other product of that vendor gets.
struct BridgeChipIds {
    std::uint16_t vid;
    std::optional<std::uint16_t> pid;
};

// The IDs of every row, in table order: test machines draw their USB
// enclosures from them, so that identified bridges are what they mostly meet.
std::vector<BridgeChipIds> bridge_chip_ids();

// The row for the product when the vendor lists it, otherwise the vendor's
// fallback row; nothing for a vendor that is not in the table.
std::optional<BridgeChipInfo> lookup_bridge_chip(std::uint16_t vid,
                                                 std::optional<std::uint16_t> pid);

}  // namespace quartzmon::sensors::disk::enumeration
