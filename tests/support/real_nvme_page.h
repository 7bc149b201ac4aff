// What the sensor makes of the real NVMe SMART / Health Information log page
// in tests/data/nvme (index.tsv there names the source). The values were
// worked out from the bytes apart from the sensor's code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "sensors/disk/records.h"
#include "support/device_data.h"
#include "support/scratch_directory.h"

namespace quartzmon::test_support {

struct RealNvmePage {
    const char* file;  // under TEST_DATA_DIR/nvme
    std::span<const float> temperature_sensors;
    float temperature_celsius;  // compare bit for bit
    std::uint16_t raw_temperature_kelvin;
    sensors::disk::HealthStatus health_status;
    std::uint8_t critical_warning;
    std::uint8_t available_spare;
    std::uint8_t available_spare_threshold;
    std::uint8_t percentage_used;
};

// Composite 013Ah = 314 K, spare 98 % over a threshold of 10 %, nothing used,
// no warning; all eight sensor words are 0 (not implemented), so no sensor
// temperatures.
inline constexpr RealNvmePage REAL_NVME_PAGE = {
    .file = "ecclesia_smart_log_page_test.bin",
    .temperature_sensors = {},
    .temperature_celsius = 40.850006f,
    .raw_temperature_kelvin = 314,
    .health_status = sensors::disk::HealthStatus::Healthy,
    .critical_warning = 0,
    .available_spare = 98,
    .available_spare_threshold = 10,
    .percentage_used = 0,
};

// The page's bytes as hex text, to replay it as a device's "hex" data block.
inline std::string real_nvme_page_hex() {
    return hex_text(read_file(std::filesystem::path(TEST_DATA_DIR) / "nvme" / REAL_NVME_PAGE.file));
}

}  // namespace quartzmon::test_support
