#include "sensors/disk/device/temperature_property.h"

#include "platform/bytes.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/device/storage_property_query.h"

namespace quartzmon::sensors::disk::device {

using namespace quartzmon::platform;
namespace descriptor = layout::STORAGE_TEMPERATURE_DATA_DESCRIPTOR;
namespace info = layout::STORAGE_TEMPERATURE_INFO;

bool TemperaturePropertyReply::holds_descriptor_header() const {
    return call.succeeded && call.bytes_returned >= descriptor::TemperatureInfo;
}

bool TemperaturePropertyReply::holds_first_temperature_info() const {
    return call.bytes_returned >= descriptor::TemperatureInfo + info::size;
}

std::uint32_t TemperaturePropertyReply::version() const {
    return get_u32(data, descriptor::Version);
}

std::uint32_t TemperaturePropertyReply::size() const {
    return get_u32(data, descriptor::Size);
}

std::uint16_t TemperaturePropertyReply::info_count() const {
    return get_u16(data, descriptor::InfoCount);
}

std::uint16_t TemperaturePropertyReply::first_index() const {
    return get_u16(data, descriptor::TemperatureInfo + info::Index);
}

std::int16_t TemperaturePropertyReply::first_temperature() const {
    return get_i16(data, descriptor::TemperatureInfo + info::Temperature);
}

TemperaturePropertyReply query_temperature_property(const DeviceHandle& device,
                                                    std::uint32_t property_id) {
    const StoragePropertyQuery request = standard_property_query(property_id);
    TemperaturePropertyReply reply;
    reply.call = device_io_control(device, IOCTL_STORAGE_QUERY_PROPERTY, request, reply.data);
    return reply;
}

}  // namespace quartzmon::sensors::disk::device
