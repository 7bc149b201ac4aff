// Whether a physical drive hangs below a USB device, that device's vendor and
// product IDs, and the bridge chip they name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/enumeration/bridge_chips.h"
#include "sensors/disk/enumeration/bridge_family.h"

namespace quartzmon::sensors::disk::enumeration {

// The bridge as enumeration reports it.
struct UsbBridge {
    std::string vendor;
    std::string model;
    std::optional<std::string_view> protocol;  // what the bridge speaks to the drive
};

struct UsbIdentity {
    std::optional<std::uint16_t> vid;
    std::optional<std::uint16_t> pid;
    // The bridge chip table's row; for an NVMe device of the USB device
    // table, its family's vendor and its product and chip. Absent when
    // neither table knows the device.
    std::optional<UsbBridge> bridge;
    // Whose published health-log read the USB NVMe provider may send: only a
    // device known to hold an NVMe drive behind a chip of that family.
    std::optional<BridgeFamily> nvme_read_family;
    std::optional<std::uint8_t> mishandled_op_code;  // never sent to the device
};

// What the bridge chip table and the USB device table say of the IDs; a row
// of the bridge chip table with the product's own ID wins.
UsbIdentity identify_usb_ids(std::optional<std::uint16_t> vid, std::optional<std::uint16_t> pid);

// Never fails: whatever cannot be found stays absent.
UsbIdentity query_usb_identity(platform::Platform& platform, std::uint32_t physical_drive);

// The device instance ID the disk driver lists for the drive number.
std::optional<std::u16string> disk_instance_id(platform::Platform& platform,
                                               std::uint32_t physical_drive);

// The four hexadecimal digits right after the first occurrence of prefix
// ("VID_" or "PID_") in an upper-cased device ID.
std::optional<std::uint16_t> parse_usb_id(std::string_view device_id, std::string_view prefix);

}  // namespace quartzmon::sensors::disk::enumeration
