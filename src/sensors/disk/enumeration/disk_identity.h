// What enumeration knows of one physical disk. Providers decide from it alone
// whether they apply, and open its device_path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sensors/disk/enumeration/bridge_family.h"

namespace quartzmon::sensors::disk::enumeration {

struct DiskIdentity {
    std::uint32_t physical_drive = 0;
    std::string device_path;              // \\.\PhysicalDrive{n}
    std::vector<char32_t> drive_letters;  // uppercase, in mapping order
    std::string model;
    std::string serial_number;
    std::string firmware_revision;
    std::string bus_type;             // name derived from bus_type_code
    std::uint32_t bus_type_code = 0;  // STORAGE_BUS_TYPE as reported
    std::string vendor_id;            // descriptor text, not the USB vendor number
    std::string product_id;           // descriptor text, not the USB product number
    bool removable_media = false;
    std::optional<std::uint16_t> vid;
    std::optional<std::uint16_t> pid;
    std::string bridge_vendor;      // empty when no bridge chip was identified
    std::string bridge_model;       // empty when none
    std::string internal_protocol;  // "NVMe", "SATA" or empty
    // The family whose published health-log read the USB NVMe provider sends
    // after its own commands; none unless the USB device is known to hold an
    // NVMe drive behind a chip of that family (a dual NVMe/SATA adapter too,
    // whatever internal_protocol says).
    std::optional<BridgeFamily> nvme_read_family;
    // A SCSI operation code the USB device is known to hang, reset or drop
    // off the bus on; no provider sends it.
    std::optional<std::uint8_t> mishandled_op_code;
};

}  // namespace quartzmon::sensors::disk::enumeration
