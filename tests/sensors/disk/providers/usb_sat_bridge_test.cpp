#include "sensors/disk/providers/usb_sat_bridge.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/call_log.h"
#include "support/machine.h"
#include "support/records.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using test_support::describe;

constexpr const char* DEVICE_PROPERTY = "StorageDeviceTemperatureProperty";
constexpr const char* ADAPTER_PROPERTY = "StorageAdapterTemperatureProperty";

ProviderDiagnostic property_failed(const char* property, std::uint32_t error,
                                   std::optional<std::uint32_t> info_count = std::nullopt) {
    ProviderDiagnostic attempt;
    attempt.provider_name = property;
    attempt.result = "FAILED";
    attempt.win32_error = error;
    attempt.info_count = info_count;
    return attempt;
}

ProviderDiagnostic property_read(const char* property, float celsius, const char* detail) {
    ProviderDiagnostic attempt = property_failed(property, 0, 1);
    attempt.result = "SUCCESS";
    attempt.temperature_c = celsius;
    attempt.detail = detail;
    return attempt;
}

// Neither property is described: the driver fails both with 50.
const std::vector<ProviderDiagnostic> NO_PROPERTIES{property_failed(DEVICE_PROPERTY, 50),
                                                    property_failed(ADAPTER_PROPERTY, 50)};

ProviderDiagnostic variant(const char* name, std::uint8_t op_code, const char* result,
                           std::string detail) {
    ProviderDiagnostic attempt;
    attempt.provider_name = name;
    attempt.result = result;
    attempt.data_transfer_length = 512;
    attempt.scsi_op_code = op_code;
    attempt.ata_command = 0xB0;
    attempt.feature = 0xD0;
    attempt.scsi_status = 0;
    attempt.detail = std::move(detail);
    return attempt;
}

ProviderDiagnostic read_with(ProviderDiagnostic attempt, float celsius) {
    attempt.temperature_c = celsius;
    attempt.raw_value = static_cast<std::uint64_t>(celsius);
    attempt.attribute_id = 194;
    return attempt;
}

// Refused with CHECK CONDITION and the given sense values.
ProviderDiagnostic refused(const char* name, std::uint8_t op_code,
                           std::optional<std::uint8_t> asc = 0x20) {
    ProviderDiagnostic attempt =
        variant(name, op_code, "FAILED",
                std::string(name) + " pass-through failed (ScsiStatus: 0x02, SenseKey: " +
                    (asc ? "Some(5), ASC: Some(" + std::to_string(*asc) + "), ASCQ: Some(0)"
                         : "None, ASC: None, ASCQ: None") +
                    ", Win32Error: 0)");
    attempt.scsi_status = 2;
    if (asc) attempt.sense_key = 5, attempt.asc = asc, attempt.ascq = 0;
    return attempt;
}

// CHECK CONDITION with fixed-format sense 70h, ILLEGAL REQUEST, INVALID
// COMMAND OPERATION CODE: a bridge that does not know the 16-byte block.
const ProviderDiagnostic SAT16_REJECTED = [] {
    ProviderDiagnostic attempt =
        variant("SAT16", 0x85, "FAILED",
                "SAT16 pass-through failed (ScsiStatus: 0x02, SenseKey: Some(5), ASC: Some(32), "
                "ASCQ: Some(0), Win32Error: 0)");
    attempt.scsi_status = 2;
    attempt.sense_key = 5;
    attempt.asc = 32;
    attempt.ascq = 0;
    return attempt;
}();

std::vector<std::string> record(const char* provider_name, HealthStatus status,
                                std::optional<float> celsius,
                                std::vector<ProviderDiagnostic> attempts) {
    DiskHealthRecord r = provider::record_for(test_support::usb_disk("SATA"));
    r.provider_name = provider_name;
    r.health_status = status;
    r.temperature_celsius = celsius;
    if (celsius) r.temperature_sensors = {*celsius};
    if (celsius) r.raw_temperature = static_cast<std::uint32_t>(*celsius);
    r.provider_diagnostics = std::move(attempts);
    r.timestamp = "10:20:30";
    return describe(r);
}

std::vector<ProviderDiagnostic> with(std::vector<ProviderDiagnostic> first,
                                     std::initializer_list<ProviderDiagnostic> then) {
    first.insert(first.end(), then);
    return first;
}

struct SatCase {
    const char* name;
    std::string disk;  // disk 0's description besides its USB descriptor
    std::vector<std::string> expected;
    std::vector<std::string> requests;
    std::optional<std::uint8_t> mishandled_op_code = std::nullopt;
};

class UsbSatBridge : public ::testing::TestWithParam<SatCase> {};

TEST_P(UsbSatBridge, SearchesUntilSomethingAnswers) {
    auto machine = test_support::make_machine(
        R"({"clock": {"local_time": "2024-05-14T10:20:30.000"}, "disks": [{)"
        R"("properties": {"StorageDeviceProperty": {"bus_type": 7})" +
        GetParam().disk + "}]}");
    const UsbSatBridgeProvider provider(*machine);
    enumeration::DiskIdentity disk = test_support::usb_disk("SATA");
    disk.mishandled_op_code = GetParam().mishandled_op_code;
    const auto result = provider.query(disk);
    ASSERT_TRUE(result) << "the provider never fails";
    EXPECT_EQ(describe(*result), GetParam().expected);
    EXPECT_EQ(test_support::pass_through_requests(machine->call_log()), GetParam().requests);
}

const std::vector<std::string> EVERY_ROW_TWICE{
    "direct 85 -> status 2",   "buffered 85 -> status 2", "direct A1 -> status 2",
    "buffered A1 -> status 2", "direct A1 -> status 2",   "buffered A1 -> status 2",
    "direct DF -> status 2",   "buffered DF -> status 2", "direct F8 -> status 2",
    "buffered F8 -> status 2", "direct D8 -> status 2",   "buffered D8 -> status 2",
    "direct 24 -> status 2",   "buffered 24 -> status 2"};

INSTANTIATE_TEST_SUITE_P(
    Bridges, UsbSatBridge,
    ::testing::Values(
        SatCase{
            "DeviceProperty",
            R"(, "StorageDeviceTemperatureProperty": {"sensors": [{"temperature": 38}]}}, "sat_bridge": {})",
            record(DEVICE_PROPERTY, HealthStatus::Healthy, 38.0f,
                   {property_read(DEVICE_PROPERTY, 38.0f, "Temperature: 38.0°C, InfoCount: 1")}),
            {}},
        // 100 and 0 lie outside the window; 40 bytes are needed for a reading.
        SatCase{
            "PropertiesOutsideTheWindow",
            R"(, "StorageDeviceTemperatureProperty": {"sensors": [{"temperature": 100}]},
                     "StorageAdapterTemperatureProperty": {"sensors": [{"temperature": 0}]}},
                   "sat_bridge": {})",
            record("SAT16", HealthStatus::Healthy, 40.0f,
                   {property_failed(DEVICE_PROPERTY, 0, 1), property_failed(ADAPTER_PROPERTY, 0, 1),
                    read_with(variant("SAT16", 0x85, "SUCCESS",
                                      "SAT16 SMART READ DATA success. Temp: 40.0°C"),
                              40.0f)}),
            {"direct 85 -> status 0"}},
        SatCase{
            "AdapterPropertyAtTheTopOfTheWindow",
            R"(, "StorageDeviceTemperatureProperty": {"sensors": [], "info_count": 1},
                     "StorageAdapterTemperatureProperty": {"sensors": [{"temperature": 99}]}})",
            record(ADAPTER_PROPERTY, HealthStatus::Healthy, 99.0f,
                   {property_failed(DEVICE_PROPERTY, 0, 1),
                    property_read(ADAPTER_PROPERTY, 99.0f, "Temperature: 99.0°C, InfoCount: 1")}),
            {}},
        SatCase{"Sat16RejectedThenSat12",
                R"(}, "sat_bridge": {"dialects": ["sat12"]})",
                record("SAT12", HealthStatus::Healthy, 40.0f,
                       with(NO_PROPERTIES,
                            {SAT16_REJECTED,
                             read_with(variant("SAT12", 0xA1, "SUCCESS",
                                               "SAT12 SMART READ DATA success. Temp: 40.0°C"),
                                       40.0f)})),
                {"direct 85 -> status 2", "buffered 85 -> status 2", "direct A1 -> status 0"}},
        SatCase{"DirectLeavesTheDataZero",
                R"(}, "sat_bridge": {}, "scsi_pass_through": {"direct_data_zero": true})",
                record("SAT16", HealthStatus::Healthy, 40.0f,
                       with(NO_PROPERTIES,
                            {read_with(variant("SAT16", 0x85, "SUCCESS",
                                               "SAT16 SMART READ DATA success. Temp: 40.0°C"),
                                       40.0f)})),
                {"direct 85 -> status 0", "buffered 85 -> status 0"}},
        // Descriptor-format sense is read at its own positions.
        SatCase{"NothingAnswersWithDescriptorSense",
                R"(}, "sat_bridge": {"dialects": [], "rejection": {"sense_format": "descriptor"}})",
                record("USB SAT (Failed)", HealthStatus::Unavailable, std::nullopt,
                       with(NO_PROPERTIES, {refused("SAT16", 0x85), refused("SAT12", 0xA1),
                                            refused("ASMedia ASM1352R", 0xA1),
                                            refused("JMicron", 0xDF), refused("Sunplus", 0xF8),
                                            refused("Prolific", 0xD8), refused("Cypress", 0x24)})),
                EVERY_ROW_TWICE},
        SatCase{
            "RejectionsWithoutSense",
            R"(}, "sat_bridge": {"dialects": ["jmicron"], "rejection": {"sense_format": "none"}})",
            record("JMicron", HealthStatus::Healthy, 40.0f,
                   with(NO_PROPERTIES,
                        {refused("SAT16", 0x85, std::nullopt), refused("SAT12", 0xA1, std::nullopt),
                         refused("ASMedia ASM1352R", 0xA1, std::nullopt),
                         read_with(variant("JMicron", 0xDF, "SUCCESS",
                                           "JMicron SMART READ DATA success. Temp: 40.0°C"),
                                   40.0f)})),
            {"direct 85 -> status 2", "buffered 85 -> status 2", "direct A1 -> status 2",
             "buffered A1 -> status 2", "direct A1 -> status 2", "buffered A1 -> status 2",
             "direct DF -> status 0"}},
        SatCase{"NotSentWhatTheDeviceMishandles",
                R"(}, "sat_bridge": {"dialects": ["jmicron"], "rejection": {"sense_format": "none"}})",
                record("USB SAT (Failed)", HealthStatus::Unavailable, std::nullopt,
                       with(NO_PROPERTIES,
                            {refused("SAT16", 0x85, std::nullopt),
                             refused("SAT12", 0xA1, std::nullopt),
                             refused("ASMedia ASM1352R", 0xA1, std::nullopt),
                             [] {
                                 ProviderDiagnostic attempt = variant(
                                     "JMicron", 0xDF, "FAILED",
                                     "Not sent: this USB device is known to hang or disconnect "
                                     "on SCSI operation code 0xDF");
                                 attempt.scsi_status = std::nullopt;
                                 return attempt;
                             }(),
                             refused("Sunplus", 0xF8, std::nullopt),
                             refused("Prolific", 0xD8, std::nullopt),
                             refused("Cypress", 0x24, std::nullopt)})),
                {"direct 85 -> status 2", "buffered 85 -> status 2", "direct A1 -> status 2",
                 "buffered A1 -> status 2", "direct A1 -> status 2", "buffered A1 -> status 2",
                 "direct F8 -> status 2", "buffered F8 -> status 2", "direct D8 -> status 2",
                 "buffered D8 -> status 2", "direct 24 -> status 2", "buffered 24 -> status 2"},
                0xDF},
        SatCase{
            "TemperatureFrom190",
            R"(}, "sat_bridge": {}, "ata": {"smart": {"attributes": [{"id": 190, "raw": [38, 0, 0, 0, 0, 0]}]}})",
            record("SAT16", HealthStatus::Healthy, 38.0f,
                   with(NO_PROPERTIES,
                        {read_with(variant("SAT16", 0x85, "SUCCESS",
                                           "SAT16 SMART READ DATA success. Temp: 38.0°C"),
                                   38.0f)})),
            {"direct 85 -> status 0"}},
        SatCase{
            "NoTemperatureEndsTheSearch",
            R"(}, "sat_bridge": {"dialects": ["sat12"]}, "ata": {"smart": {"attributes": [{"id": 5, "raw": 1}]}})",
            record("SAT12", HealthStatus::Caution, std::nullopt,
                   with(NO_PROPERTIES,
                        {SAT16_REJECTED,
                         variant("SAT12", 0xA1,
                                 "SMART_READ_SUCCESS (TEMPERATURE_ATTRIBUTE_NOT_FOUND)",
                                 "SAT12 SMART read succeeded, but attribute 194/190 was not "
                                 "found")})),
            {"direct 85 -> status 2", "buffered 85 -> status 2", "direct A1 -> status 0"}},
        SatCase{"Unopenable",
                R"(}, "open": {"other": 2})",
                record("USB SAT (Failed)", HealthStatus::Unavailable, std::nullopt, {[] {
                           ProviderDiagnostic attempt = property_failed("USB SAT", 2);
                           attempt.detail =
                               "Failed to open handle to USB drive \\\\.\\PhysicalDrive0 "
                               "(Win32Error: 2)";
                           return attempt;
                       }()}),
                {}}),
    [](const ::testing::TestParamInfo<SatCase>& test) { return test.param.name; });

TEST(UsbSatBridge, SupportsUsbAndRemovableDisks) {
    auto machine = test_support::make_machine("{}");
    const UsbSatBridgeProvider provider(*machine);
    const auto disk = [](const char* bus_type, std::uint32_t code, bool removable) {
        enumeration::DiskIdentity identity = test_support::sata_disk();
        identity.bus_type = bus_type;
        identity.bus_type_code = code;
        identity.removable_media = removable;
        return identity;
    };
    EXPECT_TRUE(provider.supports(disk("usb", 0, false)));
    EXPECT_TRUE(provider.supports(disk("Unknown", 7, false)));
    EXPECT_TRUE(provider.supports(disk("SATA", 11, true)));
    EXPECT_FALSE(provider.supports(disk("SATA", 11, false)));
    EXPECT_EQ(provider.name(), "USB SAT / Bridge Provider");
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
