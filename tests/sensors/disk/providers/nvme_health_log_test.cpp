#include "sensors/disk/providers/nvme_health_log.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "support/real_nvme_page.h"
#include "support/scratch_directory.h"

namespace quartzmon::sensors::disk::providers {
namespace {

// The page fields the parser reads; the defaults give a healthy drive at 300 K.
struct Page {
    std::uint16_t composite = 300;
    std::array<std::uint16_t, 8> sensors{};
    std::uint8_t critical_warning = 0;
    std::uint8_t available_spare = 100;
    std::uint8_t available_spare_threshold = 10;
    std::uint8_t percentage_used = 3;
    std::size_t size = 512;
};

std::vector<std::uint8_t> bytes(const Page& page) {
    std::vector<std::uint8_t> data(page.size, 0);
    platform::put_u8(data, 0, page.critical_warning);
    platform::put_u16(data, 1, page.composite);
    platform::put_u8(data, 3, page.available_spare);
    platform::put_u8(data, 4, page.available_spare_threshold);
    platform::put_u8(data, 5, page.percentage_used);
    for (std::size_t i = 0; i < page.sensors.size(); ++i) {
        platform::put_u16(data, 200 + 2 * i, page.sensors[i]);
    }
    return data;
}

// Temperatures by their bits, so only the exact single-precision value matches.
std::string bits(float celsius) {
    return std::to_string(celsius) + "=" + std::to_string(std::bit_cast<std::uint32_t>(celsius));
}

std::string describe(const NvmeHealthLog& log) {
    std::string text = "composite " + bits(log.temperature_celsius) + " (" +
                       std::to_string(log.raw_temperature_kelvin) + " K) sensors";
    for (const float sensor : log.temperature_sensors) text += " " + bits(sensor);
    return text + " | warning " + std::to_string(log.critical_warning) + " spare " +
           std::to_string(log.available_spare) + "/" +
           std::to_string(log.available_spare_threshold) + " used " +
           std::to_string(log.percentage_used) + " | " + std::string(json_text(log.health_status));
}

std::string describe(const std::expected<NvmeHealthLog, provider::ProviderError>& result) {
    return result ? describe(*result) : provider::shown_text(result.error());
}

// The defaults' composite temperature, 300 K.
constexpr float AT_300_K = 26.850006f;

struct Case {
    const char* name;
    Page page;
    float celsius = AT_300_K;  // of the composite temperature
    std::vector<float> sensors{};
    HealthStatus health = HealthStatus::Healthy;
    std::string error{};  // as shown, when the page does not parse
};

std::string expected(const Case& c) {
    if (!c.error.empty()) return c.error;
    return describe(NvmeHealthLog{c.sensors, c.celsius, c.page.composite, c.health,
                                  c.page.critical_warning, c.page.available_spare,
                                  c.page.available_spare_threshold, c.page.percentage_used});
}

TEST(NvmeHealthLog, Rules) {
    using enum HealthStatus;
    const std::string invalid = "Parse Error: Invalid NVMe Kelvin temperature value: ";
    // clang-format off
    const Case cases[] = {
        {"composite 0", {.composite = 0}, {}, {}, {}, invalid + "0 K"},
        {"composite 1", {.composite = 1}, -40.0f},
        {"composite 233", {.composite = 233}, -40.0f},
        {"composite 234", {.composite = 234}, -39.149994f},
        {"composite 318", {.composite = 318}, 44.850006f},
        {"composite 550", {.composite = 550}, 276.85f},
        {"composite 551", {.composite = 551}, {}, {}, {}, invalid + "551 K"},
        {"composite FFFFh", {.composite = 0xFFFF}, {}, {}, {}, invalid + "65535 K"},
        {"sensor window", {.sensors = {200, 201, 549, 550}}, AT_300_K, {-40.0f, 275.85f}},
        {"skipped sensors shift", {.sensors = {0, 310, 0, 0, 0, 0, 0, 318}}, AT_300_K,
         {36.850006f, 44.850006f}},
        {"warning bit 0", {.critical_warning = 0x01}, AT_300_K, {}, Critical},
        {"warning bit 7", {.critical_warning = 0x80}, AT_300_K, {}, Critical},
        {"spare 0 of 0", {.available_spare = 0, .available_spare_threshold = 0}, AT_300_K, {},
         Caution},
        {"spare 11 of 10, 94 used",
         {.available_spare = 11, .available_spare_threshold = 10, .percentage_used = 94}},
        {"spare 200 of 10", {.available_spare = 200, .available_spare_threshold = 10}},
        {"95 used", {.percentage_used = 95}, AT_300_K, {}, Caution},
        {"255 used", {.percentage_used = 255}, AT_300_K, {}, Caution},
        {"511 bytes", {.size = 511}, {}, {}, {},
         "Parse Error: NVMe log buffer size too small: 511 bytes (required 512)"},
        {"4096 bytes", {.size = 4096}},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(describe(parse_nvme_health_log(bytes(c.page))), expected(c)) << c.name;
    }
}

TEST(NvmeHealthLog, RealPage) {
    const auto& page = test_support::REAL_NVME_PAGE;
    const std::string text =
        test_support::read_file(std::filesystem::path(TEST_DATA_DIR) / "nvme" / page.file);
    const std::vector<std::uint8_t> data(text.begin(), text.end());
    const NvmeHealthLog expected{{page.temperature_sensors.begin(), page.temperature_sensors.end()},
                                 page.temperature_celsius,
                                 page.raw_temperature_kelvin,
                                 page.health_status,
                                 page.critical_warning,
                                 page.available_spare,
                                 page.available_spare_threshold,
                                 page.percentage_used};
    EXPECT_EQ(describe(parse_nvme_health_log(data)), describe(expected));
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
