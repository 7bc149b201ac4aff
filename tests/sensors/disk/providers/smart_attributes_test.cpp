#include "sensors/disk/providers/smart_attributes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

#include "support/real_smart_blocks.h"
#include "support/scratch_directory.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using test_support::SmartExpectation;

constexpr std::size_t BLOCK_SIZE = 512;
constexpr std::size_t FIRST_ENTRY = 2;
constexpr std::size_t ENTRY_SIZE = 12;

struct Entry {
    std::uint8_t id;
    std::uint8_t current;
    std::array<std::uint8_t, 6> raw;
};

// A SMART READ DATA block with the entries in slots 0, 1, ...
std::vector<std::uint8_t> block(const std::vector<Entry>& entries, std::size_t size) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t slot = 0; slot < entries.size(); ++slot) {
        const auto entry =
            data.begin() + static_cast<std::ptrdiff_t>(FIRST_ENTRY + slot * ENTRY_SIZE);
        entry[0] = entries[slot].id;
        entry[3] = entries[slot].current;
        std::ranges::copy(entries[slot].raw, entry + 5);
    }
    return data;
}

std::string number(const auto& value) {
    return value ? std::to_string(*value) : "-";
}

// Every field but the kept attributes in one line; the temperature also by its bits.
std::string describe(const AtaSmartSummary& s) {
    const auto bits = s.temperature_c ? std::bit_cast<std::uint32_t>(*s.temperature_c) : 0u;
    return "temperature " + number(s.temperature_c) + " bits " + std::to_string(bits) + " raw " +
           number(s.raw_temperature) + " from " + number(s.temperature_attribute_id) +
           " | counters " + std::to_string(s.reallocated_sectors) + " " +
           std::to_string(s.pending_sectors) + " " + std::to_string(s.uncorrectable_sectors) +
           " | life " + number(s.life_remaining) + " | " + std::string(json_text(s.health));
}

std::string describe(const std::expected<AtaSmartSummary, provider::ProviderError>& result) {
    return result ? describe(*result) : provider::shown_text(result.error());
}

std::string describe(const SmartExpectation& e) {
    AtaSmartSummary s;
    if (e.temperature) {
        s.temperature_c = static_cast<float>(*e.temperature);
        s.raw_temperature = *e.temperature;
    }
    s.temperature_attribute_id = e.temperature_attribute_id;
    s.reallocated_sectors = e.reallocated_sectors;
    s.pending_sectors = e.pending_sectors;
    s.uncorrectable_sectors = e.uncorrectable_sectors;
    s.life_remaining = e.life_remaining;
    s.health = e.health;
    return describe(s);
}

struct Case {
    const char* name;
    const char* model;
    std::vector<Entry> entries;
    SmartExpectation expected{};
    std::string error{};  // as shown, when the block does not parse
    std::size_t size = BLOCK_SIZE;
};

TEST(SmartAttributes, Rules) {
    using enum HealthStatus;
    const std::string too_small =
        "Parse Error: ATA SMART buffer too small: 511 bytes (required 512)";
    const std::string no_attributes = "Parse Error: No valid SMART attributes found in ATA table";
    // clang-format off
    const Case cases[] = {
        {"194 raw[0]", "", {{194, 100, {0x2D}}}, {45, 194}},
        {"194 raw[1]", "", {{194, 100, {0, 0x28}}}, {40, 194}},
        {"194 unusable", "", {{194, 100, {100, 0}}}},
        {"194 raw[0] 1", "", {{194, 100, {1}}}, {1, 194}},
        {"194 raw[0] 99", "", {{194, 100, {99}}}, {99, 194}},
        {"194 raw[0] 0 refused", "", {{194, 100, {0}}}},
        {"194 raw[0] 100 refused", "", {{194, 100, {100, 40}}}, {40, 194}},
        {"190 then 194", "", {{190, 100, {38}}, {194, 100, {41}}}, {41, 194}},
        {"194 then 190", "", {{194, 100, {41}}, {190, 100, {38}}}, {41, 194}},
        {"unusable 194 keeps 190", "", {{190, 100, {38}}, {194, 100, {0, 100}}}, {38, 190}},
        {"231 then 190", "", {{231, 0, {35}}, {190, 100, {38}}}, {35, 231}},
        {"190 then 231", "", {{190, 100, {38}}, {231, 0, {35}}}, {38, 190}},
        {"231 then 194", "", {{231, 0, {35}}, {194, 100, {41}}}, {41, 194}},
        {"190 raw[0] first", "ST3500418AS", {{190, 62, {40}}}, {40, 190}},
        {"190 capital ST", "ST3500418AS", {{190, 62, {}}}, {38, 190}},
        {"190 lower-case st", "st3500418as", {{190, 62, {}}}, {62, 190}},
        {"190 Seagate anywhere", "External Seagate Disk", {{190, 62, {}}}, {38, 190}},
        {"190 other maker", "WDC WD10EZEX", {{190, 62, {}}}, {62, 190}},
        {"190 one letter", "S", {{190, 62, {}}}, {62, 190}},
        {"190 normalised 100", "ST3500418AS", {{190, 100, {}}}},
        {"231 then 232", "", {{231, 90, {35}}, {232, 50, {}}}, {35, 231, 0, 0, 0, 90}},
        {"232 then 231", "", {{232, 50, {}}, {231, 90, {}}}, {.life_remaining = 90}},
        {"231 life 101", "", {{232, 50, {}}, {231, 101, {}}}, {.life_remaining = 50}},
        {"169 then 202", "", {{169, 80, {}}, {202, 5, {}}}, {.life_remaining = 80}},
        {"202 life 5", "", {{202, 5, {}}}, {.life_remaining = 5, .health = Caution}},
        {"202 life 6", "", {{202, 6, {}}}, {.life_remaining = 6}},
        {"169 life 0", "", {{169, 0, {}}}},
        {"232 life 101", "", {{232, 101, {}}}},
        {"reallocated 1", "", {{5, 100, {1}}}, {.reallocated_sectors = 1, .health = Caution}},
        {"reallocated 99", "", {{5, 100, {99}}}, {.reallocated_sectors = 99, .health = Caution}},
        {"reallocated 100", "", {{5, 100, {100}}},
         {.reallocated_sectors = 100, .health = Critical}},
        {"reallocated raw[4]", "", {{5, 100, {0, 0, 0, 0, 1, 0}}},
         {.reallocated_sectors = 4294967296, .health = Critical}},
        {"later 5 overwrites", "", {{5, 100, {200}}, {5, 100, {0}}}},
        {"pending six bytes", "", {{197, 100, {1, 2, 3, 4, 5, 6}}},
         {.pending_sectors = 0x060504030201, .health = Caution}},
        {"uncorrectable raw[5]", "", {{198, 100, {0, 0, 0, 0, 0, 1}}},
         {.uncorrectable_sectors = 0x010000000000, .health = Critical}},
        {"empty slot first", "", {{0, 100, {45}}, {194, 100, {41}}}, {41, 194}},
        {"4096 bytes", "", {{194, 100, {41}}}, {41, 194}, "", 4096},
        {"511 bytes", "", {{194, 100, {41}}}, {}, too_small, 511},
        {"only empty slots", "", {{0, 100, {45}}}, {}, no_attributes},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto result = parse_ata_smart_attributes(block(c.entries, c.size), c.model);
        EXPECT_EQ(describe(result), c.error.empty() ? describe(c.expected) : c.error) << c.name;
    }
}

TEST(SmartAttributes, KeepsEveryUsedSlotWithAllItsFields) {
    std::vector<std::uint8_t> data(BLOCK_SIZE, 0xEE);
    for (std::size_t slot = 0; slot < 30; ++slot) data[FIRST_ENTRY + slot * ENTRY_SIZE] = 0;
    // id, flags, current, worst, raw[0] to raw[5], reserved; in slots 1 and 29.
    const std::uint8_t second[] = {194, 0x22, 0x00, 64, 50, 41, 0, 20, 0, 55, 0, 0xFF};
    const std::uint8_t last[] = {9, 0x32, 0x01, 98, 97, 1, 2, 3, 4, 5, 6, 0xFF};
    std::ranges::copy(second, data.begin() + FIRST_ENTRY + ENTRY_SIZE);
    std::ranges::copy(last, data.begin() + FIRST_ENTRY + 29 * ENTRY_SIZE);

    const auto summary = parse_ata_smart_attributes(data, "");
    ASSERT_TRUE(summary) << summary.error().message;
    std::vector<std::string> kept;
    for (const auto& a : summary->attributes) {
        std::string text = std::to_string(a.id) + " flags " + std::to_string(a.flags) + " " +
                           std::to_string(a.current) + "/" + std::to_string(a.worst) + " raw";
        for (const std::uint8_t byte : a.raw) text += " " + std::to_string(byte);
        kept.push_back(text);
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"194 flags 34 64/50 raw 41 0 20 0 55 0",
                                              "9 flags 306 98/97 raw 1 2 3 4 5 6"}));
}

TEST(SmartAttributes, RealDrives) {
    for (const auto& drive : test_support::real_smart_blocks()) {
        const std::string bytes =
            test_support::read_file(std::filesystem::path(TEST_DATA_DIR) / "smart" / drive.file);
        const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        EXPECT_EQ(describe(parse_ata_smart_attributes(data, drive.model)), describe(drive.expected))
            << drive.file;
    }
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
