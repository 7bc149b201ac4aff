// The NVMe SMART / Health Information log of any page; the input is the page.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "invariant.h"
#include "sensors/disk/providers/nvme_health_log.h"

using namespace quartzmon::sensors::disk;
using quartzmon::fuzz::require;

namespace {

// The Celsius range of the sensor window, 201 to 549 K, converted in 32-bit
// floats and raised to -40 as the log's temperatures are.
constexpr float LOWEST_SENSOR_CELSIUS = -40.0f;
constexpr float HIGHEST_SENSOR_CELSIUS = 549.0f + -273.15f;

std::uint16_t composite_kelvin(const std::uint8_t* page) {
    return static_cast<std::uint16_t>(page[1] | page[2] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = providers::parse_nvme_health_log(std::span(data, size));
    if (size < providers::NVME_HEALTH_INFO_LOG_SIZE) {
        require(!parsed && parsed.error().message ==
                               "NVMe log buffer size too small: " + std::to_string(size) +
                                   " bytes (required 512)",
                "a short page gives the too-small text");
        return 0;
    }
    const std::uint16_t kelvin = composite_kelvin(data);
    if (kelvin == 0 || kelvin > 550) {
        require(!parsed && parsed.error().message == "Invalid NVMe Kelvin temperature value: " +
                                                         std::to_string(kelvin) + " K",
                "an implausible composite gives the invalid-temperature text");
        return 0;
    }
    require(parsed.has_value(), "a page with a plausible composite parses");
    require(parsed->raw_temperature_kelvin == kelvin, "the composite as read");
    require(parsed->temperature_sensors.size() <= 8, "at most 8 sensors");
    for (const float celsius : parsed->temperature_sensors) {
        require(celsius >= LOWEST_SENSOR_CELSIUS && celsius <= HIGHEST_SENSOR_CELSIUS,
                "each sensor within the sensor window's Celsius range");
    }
    require(parsed->health_status != HealthStatus::Unavailable, "verdict is never Unavailable");
    return 0;
}
