// The USB devices the sensor knows beyond the bridge chip table, by USB
// vendor and product ID: the branded portable SSDs and bridge IDs that carry
// an NVMe drive behind a chip of a known family, the Realtek card readers,
// and the devices known to mishandle a command the sensor sends. The rows
// are in usb_devices.inc, with their public sources.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "sensors/disk/enumeration/bridge_family.h"

namespace quartzmon::sensors::disk::enumeration {

// What sits behind the device's USB port.
enum class BehindBridge {
    Nvme,
    NvmeOrSata,  // an adapter that takes an SSD of either kind
    Sata,
    CardReader,
};

struct UsbDevice {
    std::uint16_t vid;
    std::uint16_t pid;
    std::string_view product;
    std::string_view chip;
    BridgeFamily family;
    BehindBridge behind;
    // A command a public report says hangs, resets or disconnects the
    // device, by its SCSI operation code; the sensor never sends it there.
    std::optional<std::uint8_t> mishandled_op_code;
    std::string_view source;
};

std::span<const UsbDevice> usb_device_table();

std::optional<UsbDevice> lookup_usb_device(std::uint16_t vid, std::uint16_t pid);

}  // namespace quartzmon::sensors::disk::enumeration
