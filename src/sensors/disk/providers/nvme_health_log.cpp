#include "sensors/disk/providers/nvme_health_log.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/bytes.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using platform::get_u16;
using platform::get_u8;

// SMART / Health Information log page fields.
constexpr std::size_t CRITICAL_WARNING_OFFSET = 0;
constexpr std::size_t COMPOSITE_TEMPERATURE_OFFSET = 1;
constexpr std::size_t AVAILABLE_SPARE_OFFSET = 3;
constexpr std::size_t AVAILABLE_SPARE_THRESHOLD_OFFSET = 4;
constexpr std::size_t PERCENTAGE_USED_OFFSET = 5;
constexpr std::size_t TEMPERATURE_SENSOR_1_OFFSET = 200;
constexpr std::size_t TEMPERATURE_SENSOR_COUNT = 8;
constexpr std::size_t TEMPERATURE_SENSOR_SIZE = 2;

// 0 K means no reading; above 550 K (about 277 °C) no reading is real.
constexpr std::uint16_t LOWEST_COMPOSITE_KELVIN = 1;
constexpr std::uint16_t HIGHEST_COMPOSITE_KELVIN = 550;
// A sensor that is not implemented reads 0; the window is kept narrower than
// the composite one.
constexpr std::uint16_t LOWEST_SENSOR_KELVIN = 201;
constexpr std::uint16_t HIGHEST_SENSOR_KELVIN = 549;

// Computed in single precision, so 318 K gives 44.850006 °C; nothing is
// reported colder than -40 °C.
constexpr float KELVIN_TO_CELSIUS = -273.15f;
constexpr float LOWEST_CELSIUS = -40.0f;

constexpr std::uint8_t LOWEST_PERCENTAGE_USED_FOR_CAUTION = 95;

float celsius(std::uint16_t kelvin) {
    return std::max(static_cast<float>(kelvin) + KELVIN_TO_CELSIUS, LOWEST_CELSIUS);
}

std::vector<float> plausible_sensor_temperatures(std::span<const std::uint8_t> page) {
    std::vector<float> temperatures;
    for (std::size_t sensor = 0; sensor < TEMPERATURE_SENSOR_COUNT; ++sensor) {
        const std::uint16_t kelvin =
            get_u16(page, TEMPERATURE_SENSOR_1_OFFSET + TEMPERATURE_SENSOR_SIZE * sensor);
        if (kelvin >= LOWEST_SENSOR_KELVIN && kelvin <= HIGHEST_SENSOR_KELVIN) {
            temperatures.push_back(celsius(kelvin));
        }
    }
    return temperatures;
}

HealthStatus verdict(const NvmeHealthLog& log) {
    if (log.critical_warning != 0) return HealthStatus::Critical;
    if (log.available_spare <= log.available_spare_threshold ||
        log.percentage_used >= LOWEST_PERCENTAGE_USED_FOR_CAUTION) {
        return HealthStatus::Caution;
    }
    return HealthStatus::Healthy;
}

provider::ProviderError parse_error(std::string message) {
    return {provider::ProviderError::Kind::ParseError, std::move(message)};
}

}  // namespace

std::expected<NvmeHealthLog, provider::ProviderError> parse_nvme_health_log(
    std::span<const std::uint8_t> page) {
    if (page.size() < NVME_HEALTH_INFO_LOG_SIZE) {
        return std::unexpected(
            parse_error("NVMe log buffer size too small: " + std::to_string(page.size()) +
                        " bytes (required " + std::to_string(NVME_HEALTH_INFO_LOG_SIZE) + ")"));
    }
    const std::uint16_t composite = get_u16(page, COMPOSITE_TEMPERATURE_OFFSET);
    if (composite < LOWEST_COMPOSITE_KELVIN || composite > HIGHEST_COMPOSITE_KELVIN) {
        return std::unexpected(parse_error(
            "Invalid NVMe Kelvin temperature value: " + std::to_string(composite) + " K"));
    }
    NvmeHealthLog log;
    log.critical_warning = get_u8(page, CRITICAL_WARNING_OFFSET);
    log.available_spare = get_u8(page, AVAILABLE_SPARE_OFFSET);
    log.available_spare_threshold = get_u8(page, AVAILABLE_SPARE_THRESHOLD_OFFSET);
    log.percentage_used = get_u8(page, PERCENTAGE_USED_OFFSET);
    log.temperature_sensors = plausible_sensor_temperatures(page);
    log.temperature_celsius = celsius(composite);
    log.raw_temperature_kelvin = composite;
    log.health_status = verdict(log);
    return log;
}

}  // namespace quartzmon::sensors::disk::providers
