#include "sensors/disk/providers/smart_attributes.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/bytes.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using platform::get_u16;
using platform::get_u32;
using platform::get_u8;

// SMART READ DATA: 512 bytes, the attribute table of 30 entries of 12 bytes
// from offset 2. The offline, self-test and checksum fields after it are not read.
constexpr std::size_t ATTRIBUTE_TABLE_OFFSET = 2;
constexpr std::size_t ATTRIBUTE_ENTRY_SIZE = 12;
constexpr std::size_t ATTRIBUTE_ENTRY_COUNT = 30;

// Offsets inside one attribute entry.
constexpr std::size_t ID_OFFSET = 0;
constexpr std::size_t FLAGS_OFFSET = 1;
constexpr std::size_t CURRENT_OFFSET = 3;
constexpr std::size_t WORST_OFFSET = 4;
constexpr std::size_t RAW_OFFSET = 5;

constexpr std::uint8_t EMPTY_SLOT = 0;

// Attribute identifiers by their usual names. 231 is the remaining life on
// most SSDs, yet some drives report a temperature in its raw value.
constexpr std::uint8_t REALLOCATED_SECTOR_COUNT = 5;
constexpr std::uint8_t REMAINING_LIFE = 169;
constexpr std::uint8_t AIRFLOW_TEMPERATURE = 190;
constexpr std::uint8_t TEMPERATURE_CELSIUS = 194;
constexpr std::uint8_t CURRENT_PENDING_SECTOR_COUNT = 197;
constexpr std::uint8_t OFFLINE_UNCORRECTABLE_SECTOR_COUNT = 198;
constexpr std::uint8_t PERCENT_LIFETIME_REMAINING = 202;
constexpr std::uint8_t SSD_LIFE_LEFT = 231;
constexpr std::uint8_t ENDURANCE_REMAINING = 232;

// A temperature byte of 0 or 100 and above is a placeholder or vendor data,
// not a reading; a life value is a percentage.
constexpr std::uint8_t LOWEST_TEMPERATURE = 1;
constexpr std::uint8_t HIGHEST_TEMPERATURE = 99;
constexpr std::uint8_t LOWEST_LIFE = 1;
constexpr std::uint8_t HIGHEST_LIFE = 100;

// Seagate drives keep 100 minus the temperature in the normalised value of 190.
constexpr std::string_view SEAGATE_WORD = "SEAGATE";
constexpr std::string_view SEAGATE_MODEL_PREFIX = "ST";
constexpr std::uint8_t AIRFLOW_COMPLEMENT_BASE = 100;

// A few reallocated sectors call for caution, more than 99 mean the drive is
// failing; under 6 % of its life left a drive calls for caution too.
constexpr std::uint64_t MOST_REALLOCATED_SECTORS_BEFORE_CRITICAL = 99;
constexpr std::uint8_t LOWEST_LIFE_WITHOUT_CAUTION = 6;

std::vector<SmartAttribute> non_empty_entries(std::span<const std::uint8_t> block) {
    std::vector<SmartAttribute> attributes;
    for (std::size_t slot = 0; slot < ATTRIBUTE_ENTRY_COUNT; ++slot) {
        const auto entry = block.subspan(ATTRIBUTE_TABLE_OFFSET + slot * ATTRIBUTE_ENTRY_SIZE,
                                         ATTRIBUTE_ENTRY_SIZE);
        // An empty slot does not end the table: later slots may still be used.
        if (get_u8(entry, ID_OFFSET) == EMPTY_SLOT) continue;
        SmartAttribute attribute;
        attribute.id = get_u8(entry, ID_OFFSET);
        attribute.flags = get_u16(entry, FLAGS_OFFSET);
        attribute.current = get_u8(entry, CURRENT_OFFSET);
        attribute.worst = get_u8(entry, WORST_OFFSET);
        std::copy_n(entry.begin() + RAW_OFFSET, attribute.raw.size(), attribute.raw.begin());
        attributes.push_back(attribute);
    }
    return attributes;
}

// All six raw bytes as one little-endian 48-bit number.
std::uint64_t raw_value(const SmartAttribute& attribute) {
    return static_cast<std::uint64_t>(get_u32(attribute.raw, 0)) |
           (static_cast<std::uint64_t>(get_u16(attribute.raw, 4)) << 32);
}

bool reads_airflow_as_complement(std::string_view model) {
    return ascii_upper(model).contains(SEAGATE_WORD) || model.starts_with(SEAGATE_MODEL_PREFIX);
}

bool is_temperature(std::uint8_t value) {
    return value >= LOWEST_TEMPERATURE && value <= HIGHEST_TEMPERATURE;
}

bool is_life(std::uint8_t value) {
    return value >= LOWEST_LIFE && value <= HIGHEST_LIFE;
}

void take_temperature(AtaSmartSummary& summary, std::uint8_t value, std::uint8_t source) {
    summary.temperature_c = static_cast<float>(value);
    summary.raw_temperature = value;
    summary.temperature_attribute_id = source;
}

void take_airflow_temperature(AtaSmartSummary& summary, const SmartAttribute& attribute,
                              bool complement) {
    if (is_temperature(attribute.raw[0])) {
        take_temperature(summary, attribute.raw[0], attribute.id);
    } else if (is_temperature(attribute.current)) {
        const std::uint8_t value =
            complement ? static_cast<std::uint8_t>(AIRFLOW_COMPLEMENT_BASE - attribute.current)
                       : attribute.current;
        take_temperature(summary, value, attribute.id);
    }
}

// 194 is the most trusted source, so it replaces whatever 190 or 231 gave.
void take_celsius_temperature(AtaSmartSummary& summary, const SmartAttribute& attribute) {
    if (is_temperature(attribute.raw[0])) {
        take_temperature(summary, attribute.raw[0], attribute.id);
    } else if (is_temperature(attribute.raw[1])) {
        take_temperature(summary, attribute.raw[1], attribute.id);
    }
}

void evaluate(AtaSmartSummary& summary, const SmartAttribute& attribute,
              bool airflow_as_complement) {
    switch (attribute.id) {
        case REALLOCATED_SECTOR_COUNT:
            summary.reallocated_sectors = raw_value(attribute);
            break;
        case CURRENT_PENDING_SECTOR_COUNT:
            summary.pending_sectors = raw_value(attribute);
            break;
        case OFFLINE_UNCORRECTABLE_SECTOR_COUNT:
            summary.uncorrectable_sectors = raw_value(attribute);
            break;
        case REMAINING_LIFE:
        case PERCENT_LIFETIME_REMAINING:
        case ENDURANCE_REMAINING:
            if (!summary.life_remaining && is_life(attribute.current)) {
                summary.life_remaining = attribute.current;
            }
            break;
        case SSD_LIFE_LEFT:
            if (!summary.temperature_c && is_temperature(attribute.raw[0])) {
                take_temperature(summary, attribute.raw[0], attribute.id);
            }
            // The life left of 231 outranks the other life attributes.
            if (is_life(attribute.current)) summary.life_remaining = attribute.current;
            break;
        case AIRFLOW_TEMPERATURE:
            if (!summary.temperature_c) {
                take_airflow_temperature(summary, attribute, airflow_as_complement);
            }
            break;
        case TEMPERATURE_CELSIUS:
            take_celsius_temperature(summary, attribute);
            break;
        default:
            break;
    }
}

HealthStatus verdict(const AtaSmartSummary& summary) {
    if (summary.uncorrectable_sectors > 0 ||
        summary.reallocated_sectors > MOST_REALLOCATED_SECTORS_BEFORE_CRITICAL) {
        return HealthStatus::Critical;
    }
    if (summary.reallocated_sectors > 0 || summary.pending_sectors > 0 ||
        (summary.life_remaining && *summary.life_remaining < LOWEST_LIFE_WITHOUT_CAUTION)) {
        return HealthStatus::Caution;
    }
    return HealthStatus::Healthy;
}

provider::ProviderError parse_error(std::string message) {
    return {provider::ProviderError::Kind::ParseError, std::move(message)};
}

}  // namespace

std::expected<AtaSmartSummary, provider::ProviderError> parse_ata_smart_attributes(
    std::span<const std::uint8_t> data, std::string_view model) {
    if (data.size() < SMART_READ_DATA_SIZE) {
        return std::unexpected(
            parse_error("ATA SMART buffer too small: " + std::to_string(data.size()) +
                        " bytes (required " + std::to_string(SMART_READ_DATA_SIZE) + ")"));
    }
    AtaSmartSummary summary;
    summary.attributes = non_empty_entries(data);
    if (summary.attributes.empty()) {
        return std::unexpected(parse_error("No valid SMART attributes found in ATA table"));
    }
    const bool airflow_as_complement = reads_airflow_as_complement(model);
    for (const SmartAttribute& attribute : summary.attributes) {
        evaluate(summary, attribute, airflow_as_complement);
    }
    summary.health = verdict(summary);
    return summary;
}

}  // namespace quartzmon::sensors::disk::providers
