// Every real SMART block replayed on a simulated SATA disk (ATA pass-through)
// and behind a simulated USB SAT bridge: both providers must report what the
// attribute table gives. The counters show only through the verdict here;
// their values are checked against the same expectations by the parser test.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sensors/disk/providers/ata_smart.h"
#include "sensors/disk/providers/usb_sat_bridge.h"
#include "support/device_data.h"
#include "support/machine.h"
#include "support/real_smart_blocks.h"
#include "support/records.h"
#include "support/scratch_directory.h"

namespace quartzmon::sensors::disk::providers {
namespace {

// "provider: 41 from 194, wear 3, Caution"; "-" for what is absent.
std::string reading(const std::string& provider, std::optional<std::uint8_t> celsius,
                    std::optional<std::uint8_t> attribute, std::optional<std::uint8_t> wear,
                    HealthStatus health) {
    return provider + ": " + test_support::optional_text(celsius) + " from " +
           test_support::optional_text(attribute) + ", wear " + test_support::optional_text(wear) +
           ", " + std::string(json_text(health));
}

std::string reading_of(const DiskHealthRecord& record) {
    const ProviderDiagnostic& attempt = record.provider_diagnostics.back();
    std::optional<std::uint8_t> celsius;
    if (record.temperature_celsius)
        celsius = static_cast<std::uint8_t>(*record.temperature_celsius);
    EXPECT_EQ(record.raw_temperature, attempt.raw_value) << record.provider_name;
    return reading(record.provider_name, celsius, attempt.attribute_id, record.wear_percentage,
                   record.health_status);
}

TEST(RealSmartBlocks, ReadThroughBothProviders) {
    for (const test_support::RealSmartBlock& block : test_support::real_smart_blocks()) {
        SCOPED_TRACE(block.file);
        const std::string smart =
            R"({"smart": {"hex": ")" +
            test_support::hex_text(test_support::read_file(std::filesystem::path(TEST_DATA_DIR) /
                                                           "smart" / block.file)) +
            R"("}})";
        auto machine = test_support::make_machine(
            R"({"disks": [{"ata": )" + smart + R"(}, {"ata": )" + smart +
            R"(, "sat_bridge": {}, "properties": {"StorageDeviceProperty": {"bus_type": 7}}}]})");
        enumeration::DiskIdentity sata = test_support::sata_disk();
        sata.model = block.model;
        enumeration::DiskIdentity usb = test_support::usb_disk("SATA");
        usb.model = block.model;
        usb.physical_drive = 1;
        usb.device_path = "\\\\.\\PhysicalDrive1";

        const auto ata = AtaSmartProvider(*machine).query(sata);
        const auto sat = UsbSatBridgeProvider(*machine).query(usb);
        ASSERT_TRUE(ata && sat);

        const test_support::SmartExpectation& expected = block.expected;
        std::optional<std::uint8_t> wear;
        if (expected.life_remaining)
            wear = static_cast<std::uint8_t>(100 - *expected.life_remaining);
        // The USB provider's diagnostic names attribute 194 for any temperature.
        const auto sat_attribute =
            expected.temperature ? std::optional<std::uint8_t>(194) : std::nullopt;
        EXPECT_EQ(reading_of(*ata),
                  reading("ATA SMART (0xB0, 0xD0)", expected.temperature,
                          expected.temperature_attribute_id, wear, expected.health));
        EXPECT_EQ(reading_of(*sat),
                  reading("SAT16", expected.temperature, sat_attribute, wear, expected.health));
    }
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
