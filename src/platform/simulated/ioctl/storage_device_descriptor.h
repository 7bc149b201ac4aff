// StorageDeviceProperty: the STORAGE_DEVICE_DESCRIPTOR a disk driver answers,
// built from described fields.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

// Fields (all optional): "vendor_id", "product_id", "product_revision",
// "serial_number" (texts placed after the fixed part, each with its zero; null
// gives offset 0, as for a field the device does not report), "bus_type"
// (STORAGE_BUS_TYPE number), "removable_media" (true/false), "device_type"
// (SCSI peripheral type, 0 for a disk).
std::vector<std::uint8_t> build_storage_device_descriptor(JsonObject& fields);

// The descriptor of a disk whose description says nothing about it.
std::vector<std::uint8_t> default_storage_device_descriptor();

}  // namespace quartzmon::platform::simulated
