#include "platform/simulated/ioctl/storage_temperature_descriptor.h"

#include <limits>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

namespace descriptor = layout::STORAGE_TEMPERATURE_DATA_DESCRIPTOR;
namespace info = layout::STORAGE_TEMPERATURE_INFO;

// What an NVMe drive typically reports: warning and critical composite
// temperature thresholds.
constexpr std::int16_t DEFAULT_WARNING_TEMPERATURE = 80;
constexpr std::int16_t DEFAULT_CRITICAL_TEMPERATURE = 85;

std::optional<std::int16_t> read_i16(JsonObject& object, std::string_view key) {
    const auto value = object.integer(key, std::numeric_limits<std::int16_t>::min(),
                                      std::numeric_limits<std::int16_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

std::uint16_t read_u16(JsonObject& object, std::string_view key, std::uint16_t fallback) {
    return static_cast<std::uint16_t>(
        object.integer(key, 0, std::numeric_limits<std::uint16_t>::max()).value_or(fallback));
}

void put_i16(std::span<std::uint8_t> buffer, std::size_t offset, std::int16_t value) {
    put_u16(buffer, offset, static_cast<std::uint16_t>(value));
}

void put_sensor(std::span<std::uint8_t> entry, std::size_t position, JsonObject& sensor) {
    put_u16(entry, info::Index, read_u16(sensor, "index", static_cast<std::uint16_t>(position)));
    sensor.required("temperature");
    put_i16(entry, info::Temperature, *read_i16(sensor, "temperature"));
    put_i16(entry, info::OverThreshold,
            read_i16(sensor, "over_threshold").value_or(DEFAULT_WARNING_TEMPERATURE));
    put_i16(entry, info::UnderThreshold, read_i16(sensor, "under_threshold").value_or(0));
    put_u8(entry, info::OverThresholdChangable,
           sensor.boolean("over_threshold_changable").value_or(false) ? 1 : 0);
    put_u8(entry, info::UnderThresholdChangable,
           sensor.boolean("under_threshold_changable").value_or(false) ? 1 : 0);
    put_u8(entry, info::EventGenerated, sensor.boolean("event_generated").value_or(false) ? 1 : 0);
    sensor.reject_unknown_keys();
}

}  // namespace

std::vector<std::uint8_t> build_storage_temperature_descriptor(JsonObject& fields) {
    nlohmann::json::array_t no_sensors;
    const nlohmann::json* sensors_value = fields.find("sensors");
    const nlohmann::json::array_t& sensors =
        sensors_value ? read_array(*sensors_value, fields.place_of("sensors")) : no_sensors;

    std::vector<std::uint8_t> reply(descriptor::TemperatureInfo + sensors.size() * info::size, 0);
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        JsonObject sensor(sensors[i], element_place(fields.place_of("sensors"), i));
        put_sensor(
            std::span(reply).subspan(descriptor::TemperatureInfo + i * info::size, info::size), i,
            sensor);
    }

    put_u32(reply, descriptor::Version, fields.u32("version").value_or(descriptor::size));
    put_u32(reply, descriptor::Size,
            fields.u32("size").value_or(static_cast<std::uint32_t>(reply.size())));
    put_i16(reply, descriptor::CriticalTemperature,
            read_i16(fields, "critical_temperature").value_or(DEFAULT_CRITICAL_TEMPERATURE));
    put_i16(reply, descriptor::WarningTemperature,
            read_i16(fields, "warning_temperature").value_or(DEFAULT_WARNING_TEMPERATURE));
    put_u16(reply, descriptor::InfoCount,
            read_u16(fields, "info_count", static_cast<std::uint16_t>(sensors.size())));
    return reply;
}

}  // namespace quartzmon::platform::simulated
