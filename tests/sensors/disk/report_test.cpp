#include "sensors/disk/report.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk {
namespace {

using enumeration::DiskIdentity;

DiskIdentity internal_disk() {
    DiskIdentity disk;
    disk.physical_drive = 1;
    disk.device_path = "\\\\.\\PhysicalDrive1";
    disk.model = "WDC WD40EZRZ-00GXCB0";
    disk.serial_number = "WD-WCC7K1234567";
    disk.firmware_revision = "80.00A80";
    disk.bus_type = "SATA";
    disk.bus_type_code = 11;
    disk.vendor_id = "";
    disk.product_id = "WDC WD40EZRZ-00GXCB0";
    disk.internal_protocol = "SATA";
    return disk;
}

// The line of the report that starts with label, whole, or "" when there is none.
std::string line_starting_with(const std::string& report, const std::string& label) {
    std::size_t start = 0;
    while (start < report.size()) {
        const std::size_t end = report.find('\n', start);
        const std::string line = report.substr(start, end - start);
        if (line.rfind(label, 0) == 0) return line;
        start = end + 1;
    }
    return "";
}

TEST(DiskReport, ExhaustedInternalDiskWithoutAttempts) {
    const DiskIdentity disk = internal_disk();
    DiskHealthRecord record = provider::record_for(disk);
    record.provider_name = "None (Exhausted)";
    record.health_status = HealthStatus::Unavailable;

    EXPECT_EQ(build_disk_report(record, disk, false),
              "\n"
              "================ DISK SENSOR DIAGNOSTIC ================\n"
              "PhysicalDrive: PhysicalDrive1\n"
              "Model: WDC WD40EZRZ-00GXCB0\n"
              "Serial: WD-WCC7K1234567\n"
              "Firmware: 80.00A80\n"
              "BusType: SATA\n"
              "VendorId: N/A\n"
              "ProductId: WDC WD40EZRZ-00GXCB0\n"
              "VID: N/A\n"
              "PID: N/A\n"
              "BridgeVendor: N/A\n"
              "BridgeModel: N/A\n"
              "InternalProtocol: SATA\n"
              "Volumes: N/A\n"
              "CurrentProvider: None (Exhausted)\n"
              "Elevation: false\n"
              "IsAdministrator: false\n"
              "--- Provider Diagnostics (Fallback History) ---\n"
              "FinalHealth: N/A\n"
              "FinalTemperature: N/A\n"
              "========================================================\n");
}

TEST(DiskReport, UsbDiskWithAttemptsInOrder) {
    DiskIdentity disk = internal_disk();
    disk.physical_drive = 3;
    disk.bus_type = "USB";
    disk.vendor_id = "Realtek";
    disk.product_id = "RTL9210B-CG";
    disk.vid = 0x0BDA;
    disk.pid = 0x9210;
    disk.bridge_vendor = "Realtek";
    disk.bridge_model = "RTL9210";
    disk.internal_protocol = "";
    disk.drive_letters = {U'C', U'E'};
    DiskHealthRecord record = provider::record_for(disk);
    record.provider_name = "StorageAdapterTemperatureProperty";
    record.health_status = HealthStatus::Healthy;
    record.temperature_celsius = 41.0f;

    ProviderDiagnostic denied;
    denied.provider_name = "StorageDeviceTemperatureProperty";
    denied.result = "FAILED";
    denied.win32_error = 5;
    ProviderDiagnostic everything;
    everything.provider_name = "SAT ATA PASS-THROUGH (12)";
    everything.result = "SUCCESS";
    everything.win32_error = 0;
    everything.info_count = 1;
    everything.attribute_id = 194;
    everything.raw_value = 0x1'0000'0029;
    everything.temperature_c = 41.0f;
    everything.scsi_op_code = 0xA1;
    everything.ata_command = 0xB0;
    everything.feature = 0xD0;
    everything.data_transfer_length = 512;
    everything.scsi_status = 2;
    everything.sense_key = 0x0A;
    everything.asc = 0x24;
    everything.ascq = 0;
    everything.detail = "Temperature: 41.0°C";
    record.provider_diagnostics = {denied, everything};

    EXPECT_EQ(build_disk_report(record, disk, true),
              "\n"
              "================ DISK SENSOR DIAGNOSTIC ================\n"
              "PhysicalDrive: PhysicalDrive3\n"
              "Model: WDC WD40EZRZ-00GXCB0\n"
              "Serial: WD-WCC7K1234567\n"
              "Firmware: 80.00A80\n"
              "BusType: USB\n"
              "VendorId: Realtek\n"
              "ProductId: RTL9210B-CG\n"
              "VID: 0BDA\n"
              "PID: 9210\n"
              "BridgeVendor: Realtek\n"
              "BridgeModel: RTL9210\n"
              "InternalProtocol: Unknown\n"
              "Volumes: C:, E:\n"
              "CurrentProvider: StorageAdapterTemperatureProperty\n"
              "Elevation: true\n"
              "IsAdministrator: true\n"
              "--- Provider Diagnostics (Fallback History) ---\n"
              "[Provider #1: StorageDeviceTemperatureProperty]\n"
              "  Result: FAILED\n"
              "  Win32Error: 5\n"
              "[Provider #2: SAT ATA PASS-THROUGH (12)]\n"
              "  Result: SUCCESS\n"
              "  Win32Error: 0\n"
              "  SCSIOpCode: 0xA1\n"
              "  ATACommand: 0xB0\n"
              "  Feature: 0xD0\n"
              "  DataTransferLength: 512\n"
              "  ScsiStatus: 0x02\n"
              "  SenseKey: 0x0A\n"
              "  ASC: 0x24\n"
              "  ASCQ: 0x00\n"
              "  InfoCount: 1\n"
              "  AttributeID: 194\n"
              "  RawValue: 4294967337\n"
              "  Temperature: 41.0°C\n"
              "  Detail: Temperature: 41.0°C\n"
              "FinalHealth: 正常\n"
              "FinalTemperature: 41°C\n"
              "========================================================\n");
}

struct AttemptLineCase {
    const char* name;
    std::function<void(ProviderDiagnostic&)> set;
    const char* line;
};

class AttemptLine : public testing::TestWithParam<AttemptLineCase> {};

// Each conditional line appears exactly when its field is present, on its own.
TEST_P(AttemptLine, AppearsAloneAfterTheFixedLines) {
    const DiskIdentity disk = internal_disk();
    DiskHealthRecord record = provider::record_for(disk);
    ProviderDiagnostic attempt;
    attempt.provider_name = "X";
    attempt.result = "FAILED";
    attempt.win32_error = 1117;
    GetParam().set(attempt);
    record.provider_diagnostics = {attempt};

    const std::string report = build_disk_report(record, disk, false);
    const std::string expected_block =
        "--- Provider Diagnostics (Fallback History) ---\n"
        "[Provider #1: X]\n"
        "  Result: FAILED\n"
        "  Win32Error: 1117\n" +
        std::string(GetParam().line) + "\nFinalHealth: N/A\n";
    EXPECT_NE(report.find(expected_block), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(
    DiskReport, AttemptLine,
    testing::Values(
        AttemptLineCase{"ScsiOpCode", [](auto& a) { a.scsi_op_code = 0x85; }, "  SCSIOpCode: 0x85"},
        AttemptLineCase{"AtaCommand", [](auto& a) { a.ata_command = 0xB0; }, "  ATACommand: 0xB0"},
        AttemptLineCase{"Feature", [](auto& a) { a.feature = 0x0A; }, "  Feature: 0x0A"},
        AttemptLineCase{"DataTransferLength", [](auto& a) { a.data_transfer_length = 0; },
                        "  DataTransferLength: 0"},
        AttemptLineCase{"ScsiStatus", [](auto& a) { a.scsi_status = 2; }, "  ScsiStatus: 0x02"},
        AttemptLineCase{"SenseKey", [](auto& a) { a.sense_key = 5; }, "  SenseKey: 0x05"},
        AttemptLineCase{"Asc", [](auto& a) { a.asc = 0x20; }, "  ASC: 0x20"},
        AttemptLineCase{"Ascq", [](auto& a) { a.ascq = 0xFF; }, "  ASCQ: 0xFF"},
        AttemptLineCase{"InfoCount", [](auto& a) { a.info_count = 0; }, "  InfoCount: 0"},
        AttemptLineCase{"AttributeId", [](auto& a) { a.attribute_id = 194; }, "  AttributeID: 194"},
        AttemptLineCase{"RawValue", [](auto& a) { a.raw_value = 18446744073709551615u; },
                        "  RawValue: 18446744073709551615"},
        AttemptLineCase{"Temperature", [](auto& a) { a.temperature_c = 40.0f; },
                        "  Temperature: 40.0°C"},
        AttemptLineCase{"NegativeTemperature", [](auto& a) { a.temperature_c = -5.25f; },
                        "  Temperature: -5.2°C"},
        AttemptLineCase{"Detail", [](auto& a) { a.detail = "two\twords"; },
                        "  Detail: two\twords"}),
    [](const testing::TestParamInfo<AttemptLineCase>& test) { return test.param.name; });

struct FinalTemperatureCase {
    float celsius;
    const char* line;
};

class FinalTemperature : public testing::TestWithParam<FinalTemperatureCase> {};

// Whole degrees, ties to the even neighbour.
TEST_P(FinalTemperature, IsRoundedToWholeDegrees) {
    const DiskIdentity disk = internal_disk();
    DiskHealthRecord record = provider::record_for(disk);
    record.temperature_celsius = GetParam().celsius;
    EXPECT_EQ(line_starting_with(build_disk_report(record, disk, false), "FinalTemperature:"),
              GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(DiskReport, FinalTemperature,
                         testing::Values(FinalTemperatureCase{36.4f, "FinalTemperature: 36°C"},
                                         FinalTemperatureCase{36.6f, "FinalTemperature: 37°C"},
                                         FinalTemperatureCase{36.5f, "FinalTemperature: 36°C"},
                                         FinalTemperatureCase{37.5f, "FinalTemperature: 38°C"},
                                         FinalTemperatureCase{0.0f, "FinalTemperature: 0°C"},
                                         FinalTemperatureCase{-3.5f, "FinalTemperature: -4°C"}));

TEST(DiskReport, StatusDisplayNamesOnTheFinalHealthLine) {
    const DiskIdentity disk = internal_disk();
    DiskHealthRecord record = provider::record_for(disk);
    record.health_status = HealthStatus::Caution;
    EXPECT_EQ(line_starting_with(build_disk_report(record, disk, false), "FinalHealth:"),
              "FinalHealth: 注意");
    record.health_status = HealthStatus::Critical;
    EXPECT_EQ(line_starting_with(build_disk_report(record, disk, false), "FinalHealth:"),
              "FinalHealth: 異常");
}

}  // namespace
}  // namespace quartzmon::sensors::disk
