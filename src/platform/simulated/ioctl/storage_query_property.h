// IOCTL_STORAGE_QUERY_PROPERTY as a disk's driver stack decodes it: the
// STORAGE_PROPERTY_QUERY names a property and a query type, and the property's
// described reply is handed back. On an NVMe drive the Windows NVMe driver
// also answers the two protocol-specific properties with log pages read from
// the controller.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"
#include "platform/simulated/devices/nvme_controller.h"

namespace quartzmon::platform::simulated {

// Described properties by STORAGE_PROPERTY_ID. A property the device does not
// describe fails with ERROR_NOT_SUPPORTED, as most drivers (and Wine) answer.
using StorageProperties = std::map<std::uint32_t, DeviceReply>;

// Reads the "properties" object, keyed by the SDK's property names
// ("StorageDeviceProperty", ...). StorageDeviceProperty gets a default
// descriptor when the description leaves it out: every disk answers it.
StorageProperties read_storage_properties(JsonObject* properties);

// A protocol-specific query the driver fails with error before the controller
// sees it: for one property id, and one ProtocolDataRequestSubValue or any.
struct RefusedProtocolQuery {
    std::uint32_t property_id = 0;
    std::optional<std::uint32_t> sub_value;
    std::uint32_t error = 0;
};

// An NVMe drive driven by the Windows NVMe driver, described under "nvme": the
// controller's keys plus "refused_queries".
struct NvmeStorageDevice {
    NvmeController controller;
    std::vector<RefusedProtocolQuery> refused_queries;
};

NvmeStorageDevice read_nvme_storage_device(JsonObject& object);

// nvme is null for a disk that is no NVMe drive: the protocol-specific
// properties are then undescribed like any other. On a silent device every
// query but StorageDeviceProperty (which the class driver keeps from when the
// disk started) waits the class driver's default timeout and fails with
// ERROR_SEM_TIMEOUT.
IoctlOutcome answer_storage_query_property(const StorageProperties& properties,
                                           const NvmeStorageDevice* nvme, bool silent,
                                           std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
