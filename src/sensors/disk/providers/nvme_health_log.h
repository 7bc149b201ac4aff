// The NVMe SMART / Health Information log page (log 02h), reduced to what the
// sensor reports: temperatures in degrees Celsius, wear, spare and a health
// verdict. Shared by the providers that fetch the page through the storage
// query and through USB bridges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "sensors/disk/chain/provider_error.h"
#include "sensors/disk/records.h"

namespace quartzmon::sensors::disk::providers {

// The log's identifier and size, as the NVMe standard defines them.
inline constexpr std::uint8_t NVME_LOG_PAGE_HEALTH_INFO = 0x02;
inline constexpr std::size_t NVME_HEALTH_INFO_LOG_SIZE = 512;

struct NvmeHealthLog {
    std::vector<float> temperature_sensors;  // the plausible ones, sensor 1 first
    float temperature_celsius = 0.0f;        // the composite temperature
    std::uint16_t raw_temperature_kelvin = 0;
    HealthStatus health_status = HealthStatus::Healthy;
    std::uint8_t critical_warning = 0;
    std::uint8_t available_spare = 0;
    std::uint8_t available_spare_threshold = 0;
    std::uint8_t percentage_used = 0;
};

// `page` starts at the log page's first byte; its size is the number of valid bytes.
std::expected<NvmeHealthLog, provider::ProviderError> parse_nvme_health_log(
    std::span<const std::uint8_t> page);

}  // namespace quartzmon::sensors::disk::providers
