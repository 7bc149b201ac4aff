#include "platform/simulated/storage_temperature_descriptor.h"

#include <limits>

#include "platform/bytes.h"

namespace quartzmon::platform::simulated {
namespace {

// STORAGE_TEMPERATURE_DATA_DESCRIPTOR
constexpr std::size_t VERSION = 0;
constexpr std::size_t SIZE = 4;
constexpr std::size_t CRITICAL_TEMPERATURE = 8;
constexpr std::size_t WARNING_TEMPERATURE = 10;
constexpr std::size_t INFO_COUNT = 12;
constexpr std::size_t TEMPERATURE_INFO = 24;
constexpr std::size_t SIZEOF_STORAGE_TEMPERATURE_DATA_DESCRIPTOR = 40;

// STORAGE_TEMPERATURE_INFO, 16 bytes each
constexpr std::size_t INFO_INDEX = 0;
constexpr std::size_t INFO_TEMPERATURE = 2;
constexpr std::size_t INFO_OVER_THRESHOLD = 4;
constexpr std::size_t INFO_UNDER_THRESHOLD = 6;
constexpr std::size_t INFO_OVER_THRESHOLD_CHANGABLE = 8;
constexpr std::size_t INFO_UNDER_THRESHOLD_CHANGABLE = 9;
constexpr std::size_t INFO_EVENT_GENERATED = 10;
constexpr std::size_t SIZEOF_STORAGE_TEMPERATURE_INFO = 16;

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

void put_sensor(std::span<std::uint8_t> info, std::size_t position, JsonObject& sensor) {
    put_u16(info, INFO_INDEX, read_u16(sensor, "index", static_cast<std::uint16_t>(position)));
    sensor.required("temperature");
    put_i16(info, INFO_TEMPERATURE, *read_i16(sensor, "temperature"));
    put_i16(info, INFO_OVER_THRESHOLD,
            read_i16(sensor, "over_threshold").value_or(DEFAULT_WARNING_TEMPERATURE));
    put_i16(info, INFO_UNDER_THRESHOLD, read_i16(sensor, "under_threshold").value_or(0));
    put_u8(info, INFO_OVER_THRESHOLD_CHANGABLE,
           sensor.boolean("over_threshold_changable").value_or(false) ? 1 : 0);
    put_u8(info, INFO_UNDER_THRESHOLD_CHANGABLE,
           sensor.boolean("under_threshold_changable").value_or(false) ? 1 : 0);
    put_u8(info, INFO_EVENT_GENERATED, sensor.boolean("event_generated").value_or(false) ? 1 : 0);
    sensor.reject_unknown_keys();
}

}  // namespace

std::vector<std::uint8_t> build_storage_temperature_descriptor(JsonObject& fields) {
    nlohmann::json::array_t no_sensors;
    const nlohmann::json* sensors_value = fields.find("sensors");
    const nlohmann::json::array_t& sensors =
        sensors_value ? read_array(*sensors_value, fields.place_of("sensors")) : no_sensors;

    std::vector<std::uint8_t> descriptor(
        TEMPERATURE_INFO + sensors.size() * SIZEOF_STORAGE_TEMPERATURE_INFO, 0);
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        JsonObject sensor(sensors[i], element_place(fields.place_of("sensors"), i));
        put_sensor(std::span(descriptor)
                       .subspan(TEMPERATURE_INFO + i * SIZEOF_STORAGE_TEMPERATURE_INFO,
                                SIZEOF_STORAGE_TEMPERATURE_INFO),
                   i, sensor);
    }

    put_u32(descriptor, VERSION,
            fields.u32("version").value_or(SIZEOF_STORAGE_TEMPERATURE_DATA_DESCRIPTOR));
    put_u32(descriptor, SIZE,
            fields.u32("size").value_or(static_cast<std::uint32_t>(descriptor.size())));
    put_i16(descriptor, CRITICAL_TEMPERATURE,
            read_i16(fields, "critical_temperature").value_or(DEFAULT_CRITICAL_TEMPERATURE));
    put_i16(descriptor, WARNING_TEMPERATURE,
            read_i16(fields, "warning_temperature").value_or(DEFAULT_WARNING_TEMPERATURE));
    put_u16(descriptor, INFO_COUNT,
            read_u16(fields, "info_count", static_cast<std::uint16_t>(sensors.size())));
    return descriptor;
}

}  // namespace quartzmon::platform::simulated
