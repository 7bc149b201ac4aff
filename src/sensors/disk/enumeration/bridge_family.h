// The USB-to-NVMe bridge families whose published health-log reads the
// sensor sends, and the vendor name each goes by in the bridge chip table.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quartzmon::sensors::disk::enumeration {

enum class BridgeFamily { ASMedia, JMicron, Realtek };

constexpr std::array<BridgeFamily, 3> BRIDGE_FAMILIES{BridgeFamily::ASMedia, BridgeFamily::JMicron,
                                                      BridgeFamily::Realtek};

// As the bridge chip table writes the vendor, so a device the USB device
// table names reports the same bridge_vendor as the family's own chips.
constexpr std::string_view family_vendor_name(BridgeFamily family) {
    switch (family) {
        case BridgeFamily::ASMedia:
            return "ASMedia";
        case BridgeFamily::JMicron:
            return "JMicron";
        case BridgeFamily::Realtek:
            return "Realtek";
    }
    return {};
}

constexpr std::optional<BridgeFamily> family_of_vendor(std::string_view bridge_vendor) {
    for (const BridgeFamily family : BRIDGE_FAMILIES) {
        if (family_vendor_name(family) == bridge_vendor) return family;
    }
    return std::nullopt;
}

}  // namespace quartzmon::sensors::disk::enumeration
