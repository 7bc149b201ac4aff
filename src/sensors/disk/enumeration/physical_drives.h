// The physical drives of the machine, \\.\PhysicalDrive0 to 15, each with the
// identity the providers and the report work from.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "sensors/disk/enumeration/disk_identity.h"

namespace quartzmon::sensors::disk::enumeration {

// Every drive number that opens and answers the device descriptor query, in
// ascending order. Never fails: a drive that cannot be read is left out.
std::vector<DiskIdentity> enumerate_physical_disks(platform::Platform& platform);

// The zero-terminated byte string at offset in a STORAGE_DEVICE_DESCRIPTOR
// buffer, decoded as UTF-8 and trimmed of white space; empty for offset 0 or
// an offset outside the buffer.
std::string descriptor_text(std::span<const std::uint8_t> descriptor, std::uint32_t offset);

std::string model_text(std::string_view vendor_id, std::string_view product_id,
                       std::uint32_t physical_drive);
std::string bus_type_name(std::uint32_t bus_type_code);
// "NVMe", "SATA" or empty: the bridge chip's protocol first, then the bus.
std::string internal_protocol(const std::optional<std::string_view>& bridge_protocol,
                              std::uint32_t bus_type_code, std::string_view bus_type,
                              std::string_view model);

}  // namespace quartzmon::sensors::disk::enumeration
