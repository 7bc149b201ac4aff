// Whether a physical drive hangs below a USB device, that device's vendor and
// product IDs, and the bridge chip they name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/enumeration/bridge_chips.h"

namespace quartzmon::sensors::disk::enumeration {

struct UsbIdentity {
    std::optional<std::uint16_t> vid;
    std::optional<std::uint16_t> pid;
    // Only looked up when vid is present; absent for vendors outside the table.
    std::optional<BridgeChipInfo> bridge;
};

// Never fails: whatever cannot be found stays absent.
UsbIdentity query_usb_identity(platform::Platform& platform, std::uint32_t physical_drive);

// The device instance ID the disk driver lists for the drive number.
std::optional<std::u16string> disk_instance_id(platform::Platform& platform,
                                               std::uint32_t physical_drive);

// The four hexadecimal digits right after the first occurrence of prefix
// ("VID_" or "PID_") in an upper-cased device ID.
std::optional<std::uint16_t> parse_usb_id(std::string_view device_id, std::string_view prefix);

}  // namespace quartzmon::sensors::disk::enumeration
