#include "sensors/disk/providers/ata_smart.h"

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

// What the provider gave: the whole record, or the error as the chain shows it.
std::vector<std::string> outcome_of(
    const std::expected<DiskHealthRecord, provider::ProviderError>& r) {
    return r ? describe(*r) : std::vector<std::string>{provider::shown_text(r.error())};
}

std::vector<std::string> read_record(HealthStatus status, std::optional<float> celsius,
                                     std::optional<std::uint8_t> wear, const char* detail) {
    DiskHealthRecord record = provider::record_for(test_support::sata_disk());
    record.provider_name = "ATA SMART (0xB0, 0xD0)";
    record.health_status = status;
    record.temperature_celsius = celsius;
    if (celsius) record.temperature_sensors = {*celsius};
    record.wear_percentage = wear;
    ProviderDiagnostic attempt;
    attempt.provider_name = "ATA SMART";
    attempt.result = "SUCCESS";
    attempt.detail = detail;
    if (celsius) {
        record.raw_temperature = static_cast<std::uint32_t>(*celsius);
        attempt.attribute_id = 194;
        attempt.raw_value = static_cast<std::uint64_t>(*celsius);
        attempt.temperature_c = celsius;
    }
    record.provider_diagnostics = {attempt};
    record.timestamp = "10:20:30";
    return describe(record);
}

const std::string OPEN_READ_WRITE =
    R"(CreateFileW("\\.\PhysicalDrive0", 0xC0000000, 0x3, 3, 0x80) -> handle 0x100)";
const std::string READ_WRITE_REFUSED =
    R"(CreateFileW("\\.\PhysicalDrive0", 0xC0000000, 0x3, 3, 0x80) -> INVALID_HANDLE_VALUE, error 5)";
const std::string OPEN_READ =
    R"(CreateFileW("\\.\PhysicalDrive0", 0x80000000, 0x3, 3, 0x80) -> handle 0x100)";
const std::string SMART_READ_DATA_SENT =
    "DeviceIoControl(0x100, IOCTL_ATA_PASS_THROUGH, in 560, out 560) -> TRUE, 560 bytes, flags "
    "0x3, 512 bytes at 48, timeout 3, task file D0 01 01 4F C2 A0 B0, status 50 error 00";
const std::string ACCESS_REFUSED =
    "DeviceIoControl(0x100, IOCTL_ATA_PASS_THROUGH, in 560, out 560) -> FALSE, 0 bytes, error 5";
const std::string CLOSE = "CloseHandle(0x100) -> TRUE";

struct AtaCase {
    const char* name;
    std::string disk;  // disk 0's description
    std::vector<std::string> expected;
    std::vector<std::string> calls;  // CreateFileW, DeviceIoControl, CloseHandle; empty: unchecked
};

class AtaSmart : public ::testing::TestWithParam<AtaCase> {};

TEST_P(AtaSmart, ReadsTheDrive) {
    auto machine = test_support::make_machine(
        R"({"clock": {"local_time": "2024-05-14T10:20:30.000"}, "disks": [)" + GetParam().disk +
        "]}");
    const AtaSmartProvider provider(*machine);
    EXPECT_EQ(outcome_of(provider.query(test_support::sata_disk())), GetParam().expected);
    if (!GetParam().calls.empty()) {
        EXPECT_EQ(test_support::calls_to(machine->call_log(),
                                         {"CreateFileW", "DeviceIoControl", "CloseHandle"}),
                  GetParam().calls);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Drives, AtaSmart,
    ::testing::Values(
        AtaCase{
            "Temperature",
            R"({"ata": {"smart": {"attributes": [{"id": 5}, {"id": 194, "raw": [45, 0, 0, 0, 0, 0]}]}}})",
            read_record(HealthStatus::Healthy, 45.0f, std::nullopt,
                        "ATA SMART read successful: Temp=Some(45.0), Attr=Some(194)"),
            {OPEN_READ_WRITE, SMART_READ_DATA_SENT, CLOSE}},
        AtaCase{
            "NoTemperatureAttribute",
            R"({"ata": {"smart": {"attributes": [{"id": 9, "raw": 100}, {"id": 197, "raw": 2}]}}})",
            read_record(HealthStatus::Caution, std::nullopt, std::nullopt,
                        "ATA SMART read successful: Temp=None, Attr=None"),
            {}},
        AtaCase{
            "Wear",
            R"({"ata": {"smart": {"attributes": [{"id": 194, "raw": 40}, {"id": 231, "current": 97}]}}})",
            read_record(HealthStatus::Healthy, 40.0f, 3,
                        "ATA SMART read successful: Temp=Some(40.0), Attr=Some(194)"),
            {}},
        // Windows wants read and write access for the request.
        AtaCase{"ReadOnlyHandle",
                R"({"open": {"0xC0000000": 5}})",
                {"Device IO Error: IOCTL_ATA_PASS_THROUGH failed (Win32Error: 5)"},
                {READ_WRITE_REFUSED, OPEN_READ, ACCESS_REFUSED, CLOSE}},
        AtaCase{"ReadOnlyHandleAnswered",
                R"({"open": {"0xC0000000": 5}, "ata_pass_through": {"access": {"0x80000000": 0}}})",
                read_record(HealthStatus::Healthy, 40.0f, std::nullopt,
                            "ATA SMART read successful: Temp=Some(40.0), Attr=Some(194)"),
                {READ_WRITE_REFUSED, OPEN_READ,
                 "DeviceIoControl(0x100, IOCTL_ATA_PASS_THROUGH, in 560, out 560) -> TRUE, 560 "
                 "bytes, flags 0x3, 512 bytes at 48, timeout 3, task file D0 01 01 4F C2 A0 B0, "
                 "status 50 error 00",
                 CLOSE}},
        AtaCase{
            "NoAccessHandle",
            R"({"open": {"0xC0000000": 5, "0x80000000": 5}})",
            {"Device IO Error: IOCTL_ATA_PASS_THROUGH failed (Win32Error: 5)"},
            {READ_WRITE_REFUSED,
             R"(CreateFileW("\\.\PhysicalDrive0", 0x80000000, 0x3, 3, 0x80) -> INVALID_HANDLE_VALUE, error 5)",
             R"(CreateFileW("\\.\PhysicalDrive0", 0x0, 0x3, 3, 0x80) -> handle 0x100)",
             ACCESS_REFUSED, CLOSE}},
        AtaCase{"NoOpen",
                R"({"open": {"other": 32}})",
                {"Access Denied: Failed to open handle to \\\\.\\PhysicalDrive0 (Win32Error: 32)"},
                {}},
        // A successful call that returns too little reports the thread's
        // last error, which the successful open left at 0.
        AtaCase{"OneByteShort",
                R"({"ata_pass_through": {"bytes_returned": 559}})",
                {"Device IO Error: IOCTL_ATA_PASS_THROUGH failed (Win32Error: 0)"},
                {}},
        AtaCase{"EmptyAttributeTable",
                R"({"ata": {"smart": {"attributes": []}}})",
                {"Parse Error: No valid SMART attributes found in ATA table"},
                {}}),
    [](const ::testing::TestParamInfo<AtaCase>& test) { return test.param.name; });

TEST(AtaSmart, SupportsDisksThatSpeakAta) {
    auto machine = test_support::make_machine("{}");
    const AtaSmartProvider provider(*machine);
    const auto on_bus = [](const char* bus_type, std::uint32_t code) {
        enumeration::DiskIdentity disk = test_support::sata_disk();
        disk.bus_type = bus_type;
        disk.bus_type_code = code;
        return disk;
    };
    EXPECT_TRUE(provider.supports(on_bus("SATA", 11)));
    EXPECT_TRUE(provider.supports(on_bus("ATAPI", 2)));
    EXPECT_TRUE(provider.supports(on_bus("ide", 0)));
    EXPECT_TRUE(provider.supports(on_bus("RAID", 11)));
    for (const char* other : {"USB", "NVMe", "RAID", "SCSI", "Storage"})
        EXPECT_FALSE(provider.supports(on_bus(other, 8))) << other;
    EXPECT_EQ(provider.name(), "ATA SMART Provider");
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
