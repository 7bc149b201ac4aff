#include "platform/simulated/ioctl/storage_query_property.h"

#include <array>
#include <string_view>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/simulated/devices/storage_device_descriptor.h"
#include "platform/simulated/devices/storage_temperature_descriptor.h"
#include "platform/simulated/win32_codes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

namespace query_layout = layout::STORAGE_PROPERTY_QUERY;
using layout::PropertyExistsQuery;
using layout::PropertyStandardQuery;
using layout::StorageAdapterTemperatureProperty;
using layout::StorageDeviceProperty;
using layout::StorageDeviceTemperatureProperty;

struct PropertyKind {
    std::uint32_t id;
    std::string_view name;
    std::vector<std::uint8_t> (*build_from_fields)(JsonObject&);
};

// The properties a description can state, by the SDK's names.
constexpr std::array PROPERTY_KINDS{
    PropertyKind{StorageDeviceProperty, "StorageDeviceProperty", build_storage_device_descriptor},
    PropertyKind{StorageAdapterTemperatureProperty, "StorageAdapterTemperatureProperty",
                 build_storage_temperature_descriptor},
    PropertyKind{StorageDeviceTemperatureProperty, "StorageDeviceTemperatureProperty",
                 build_storage_temperature_descriptor},
};

}  // namespace

StorageProperties read_storage_properties(JsonObject* described) {
    StorageProperties properties;
    properties[StorageDeviceProperty] = DeviceReply{0, default_storage_device_descriptor(), {}};
    if (described == nullptr) return properties;
    for (const PropertyKind& kind : PROPERTY_KINDS) {
        const nlohmann::json* value = described->find(kind.name);
        if (value == nullptr) continue;
        JsonObject object(*value, described->place_of(kind.name));
        properties[kind.id] = read_device_reply(object, kind.build_from_fields);
    }
    described->reject_unknown_keys("unknown property");
    return properties;
}

IoctlOutcome answer_storage_query_property(const StorageProperties& properties,
                                           std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out) {
    if (in.size() < query_layout::size) return failed_ioctl(ERROR_BAD_LENGTH);
    const std::uint32_t property_id = get_u32(in, query_layout::PropertyId);
    const std::uint32_t query_type = get_u32(in, query_layout::QueryType);
    if (query_type != PropertyStandardQuery && query_type != PropertyExistsQuery) {
        return failed_ioctl(ERROR_INVALID_PARAMETER);
    }

    const auto property = properties.find(property_id);
    if (property == properties.end()) return failed_ioctl(ERROR_NOT_SUPPORTED);
    if (query_type == PropertyExistsQuery) return failed_ioctl(property->second.error);
    return deliver_truncated(property->second, out);
}

}  // namespace quartzmon::platform::simulated
