// The attribute table of an ATA SMART READ DATA block, reduced to what the
// sensor reports: a temperature and where it came from, the remaining life,
// the three defect counters and a health verdict. Shared by the providers that
// fetch the block over the ATA pass-through and through USB bridges.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "sensors/disk/chain/provider_error.h"
#include "sensors/disk/records.h"

namespace quartzmon::sensors::disk::providers {

// The SMART READ DATA block is one 512-byte sector.
inline constexpr std::uint32_t SMART_READ_DATA_SIZE = 512;

// One non-empty entry of the table, as the drive wrote it.
struct SmartAttribute {
    std::uint8_t id = 0;
    std::uint16_t flags = 0;
    std::uint8_t current = 0;
    std::uint8_t worst = 0;
    std::array<std::uint8_t, 6> raw{};  // raw[0] is the lowest byte
};

struct AtaSmartSummary {
    std::optional<float> temperature_c;
    std::optional<std::uint32_t> raw_temperature;
    std::uint64_t reallocated_sectors = 0;
    std::uint64_t pending_sectors = 0;
    std::uint64_t uncorrectable_sectors = 0;
    std::optional<std::uint8_t> temperature_attribute_id;
    std::optional<std::uint8_t> life_remaining;
    HealthStatus health = HealthStatus::Healthy;
    std::vector<SmartAttribute> attributes;  // the non-empty entries, in table order
};

// `data` starts at the block's first byte; its size is the number of valid
// bytes. `model` is the disk's model text, which decides how attribute 190 is read.
std::expected<AtaSmartSummary, provider::ProviderError> parse_ata_smart_attributes(
    std::span<const std::uint8_t> data, std::string_view model);

}  // namespace quartzmon::sensors::disk::providers
