// IOCTL_STORAGE_QUERY_PROPERTY as a disk's driver stack decodes it: the
// STORAGE_PROPERTY_QUERY names a property and a query type, and the property's
// described reply is handed back.
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"

namespace quartzmon::platform::simulated {

// Described properties by STORAGE_PROPERTY_ID. A property the device does not
// describe fails with ERROR_NOT_SUPPORTED, as most drivers (and Wine) answer.
using StorageProperties = std::map<std::uint32_t, DeviceReply>;

// Reads the "properties" object, keyed by the SDK's property names
// ("StorageDeviceProperty", ...). StorageDeviceProperty gets a default
// descriptor when the description leaves it out: every disk answers it.
StorageProperties read_storage_properties(JsonObject* properties);

IoctlOutcome answer_storage_query_property(const StorageProperties& properties,
                                           std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
