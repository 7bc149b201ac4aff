#include "sensors/disk/providers/windows_storage.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/simulated/simulated_machine.h"
#include "support/call_log.h"
#include "support/machine.h"
#include "support/records.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using enumeration::DiskIdentity;
using platform::simulated::SimulatedMachine;
using test_support::describe;
using test_support::describe_all;

constexpr const char* DEVICE_PROPERTY = "StorageDeviceTemperatureProperty";
constexpr const char* ADAPTER_PROPERTY = "StorageAdapterTemperatureProperty";

DiskIdentity disk_zero() {
    return quartzmon::test_support::nvme_disk();
}

// A machine at 10:20:30 whose disk 0 answers the two temperature properties
// as described (JSON objects; an empty text leaves the property undescribed,
// which makes the driver fail it with error 50).
std::unique_ptr<SimulatedMachine> machine_with(const std::string& device_property,
                                               const std::string& adapter_property,
                                               const std::string& open = "{}") {
    std::string properties;
    if (!device_property.empty()) {
        properties += std::string("\"") + DEVICE_PROPERTY + "\": " + device_property;
    }
    if (!adapter_property.empty()) {
        if (!properties.empty()) properties += ", ";
        properties += std::string("\"") + ADAPTER_PROPERTY + "\": " + adapter_property;
    }
    const std::string description = R"({ "clock": { "local_time": "2024-05-14T10:20:30.000" },
        "disks": [ { "number": 0, "open": )" +
                                    open + R"(, "properties": { )" + properties + " } } ] }";
    return quartzmon::test_support::make_machine(description);
}

DiskHealthRecord query(SimulatedMachine& machine) {
    const WindowsStorageTempProvider provider(machine);
    auto record = provider.query(disk_zero());
    EXPECT_TRUE(record) << "the provider never fails";
    return record ? *record : DiskHealthRecord{};
}

std::vector<std::string> device_calls(const SimulatedMachine& machine) {
    return quartzmon::test_support::calls_to(machine.call_log(),
                                        {"CreateFileW", "DeviceIoControl", "CloseHandle"});
}

ProviderDiagnostic failed(const char* property, std::uint32_t error, std::string detail) {
    ProviderDiagnostic attempt;
    attempt.provider_name = property;
    attempt.result = "FAILED";
    attempt.win32_error = error;
    attempt.detail = std::move(detail);
    return attempt;
}

ProviderDiagnostic with_info_count(ProviderDiagnostic attempt, std::uint32_t info_count) {
    attempt.info_count = info_count;
    return attempt;
}

ProviderDiagnostic succeeded(const char* property, std::int16_t celsius, std::string detail,
                             std::uint32_t info_count) {
    ProviderDiagnostic attempt;
    attempt.provider_name = property;
    attempt.result = "SUCCESS";
    attempt.info_count = info_count;
    attempt.temperature_c = static_cast<float>(celsius);
    attempt.raw_value = static_cast<std::uint64_t>(celsius);
    attempt.detail = std::move(detail);
    return attempt;
}

const std::string SHORT_REPLY = "DeviceIoControl failed or bytes returned too small: ";

struct ReplyCase {
    const char* name;
    std::string device_property;
    ProviderDiagnostic expected;
};

class DeviceReply : public ::testing::TestWithParam<ReplyCase> {};

// How one reply of the device property is judged; the adapter property is
// undescribed, so it fails whenever it is asked.
TEST_P(DeviceReply, IsJudgedByTheFirstMatchingRow) {
    auto machine = machine_with(GetParam().device_property, "");
    const DiskHealthRecord record = query(*machine);
    ASSERT_FALSE(record.provider_diagnostics.empty());
    EXPECT_EQ(describe(record.provider_diagnostics.front()), describe(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    WindowsStorageTemperature, DeviceReply,
    ::testing::Values(
        ReplyCase{"CallFails", R"({ "error": 1 })",
                  failed(DEVICE_PROPERTY, 1, SHORT_REPLY + "0 bytes, Win32Error: 1")},
        ReplyCase{"TwentyThreeBytes",
                  R"({ "sensors": [ { "temperature": 38 } ], "bytes_returned": 23 })",
                  failed(DEVICE_PROPERTY, 0, SHORT_REPLY + "23 bytes, Win32Error: 0")},
        ReplyCase{"InfoCountZero", R"({ "sensors": [ { "temperature": 38 } ], "info_count": 0 })",
                  with_info_count(failed(DEVICE_PROPERTY, 0,
                                         "DeviceIoControl succeeded but InfoCount == 0"),
                                  0)},
        ReplyCase{"HeaderOnlyWithoutSensors", R"({ "sensors": [] })",
                  with_info_count(failed(DEVICE_PROPERTY, 0,
                                         "DeviceIoControl succeeded but InfoCount == 0"),
                                  0)},
        ReplyCase{"TwentyFourBytes", R"({ "sensors": [], "info_count": 1 })",
                  with_info_count(failed(DEVICE_PROPERTY, 0, ""), 1)},
        ReplyCase{"ThirtyNineBytes",
                  R"({ "sensors": [ { "temperature": 38 } ], "bytes_returned": 39 })",
                  with_info_count(failed(DEVICE_PROPERTY, 0, ""), 1)},
        ReplyCase{
            "ZeroDegrees", R"({ "sensors": [ { "temperature": 0, "index": 3 } ] })",
            with_info_count(failed(DEVICE_PROPERTY, 0, "Invalid temperature value: 0 C (Index: 3)"),
                            1)},
        ReplyCase{"HundredFiftyDegrees", R"({ "sensors": [ { "temperature": 150 } ] })",
                  with_info_count(failed(DEVICE_PROPERTY, 0,
                                         "Invalid temperature value: 150 C (Index: 0)"),
                                  1)},
        ReplyCase{"BelowZero", R"({ "sensors": [ { "temperature": -5 } ] })",
                  with_info_count(
                      failed(DEVICE_PROPERTY, 0, "Invalid temperature value: -5 C (Index: 0)"), 1)},
        ReplyCase{"OneDegree", R"({ "sensors": [ { "temperature": 1 } ] })",
                  succeeded(DEVICE_PROPERTY, 1, "Temperature: 1.0°C, Index: 0, InfoCount: 1", 1)},
        ReplyCase{
            "HundredFortyNineDegrees",
            R"({ "sensors": [ { "temperature": 149, "index": 7 },
                                    { "temperature": 30 } ] })",
            succeeded(DEVICE_PROPERTY, 149, "Temperature: 149.0°C, Index: 7, InfoCount: 2", 2)},
        // Replayed bytes: Version 40, Size 40, InfoCount 1, then Index 0 at 45 degrees.
        ReplyCase{
            "RawDescriptor",
            R"({ "raw": "28000000 28000000 5500 5000 0100 0000 00000000 00000000 )"
            R"(0000 2D00 5000 0000 00 00 00 00 00000000" })",
            succeeded(DEVICE_PROPERTY, 45, "Temperature: 45.0°C, Index: 0, InfoCount: 1", 1)}),
    [](const ::testing::TestParamInfo<ReplyCase>& test) { return test.param.name; });

TEST(WindowsStorageTemperature, DevicePropertyReading) {
    auto machine = machine_with(R"({ "sensors": [ { "temperature": 38 } ] })",
                                R"({ "sensors": [ { "temperature": 99 } ] })");

    const DiskHealthRecord record = query(*machine);

    EXPECT_EQ(describe_all(record.provider_diagnostics),
              (std::vector<std::string>{describe(succeeded(
                  DEVICE_PROPERTY, 38, "Temperature: 38.0°C, Index: 0, InfoCount: 1", 1))}));
    EXPECT_EQ(record.provider_name, DEVICE_PROPERTY);
    EXPECT_EQ(record.health_status, HealthStatus::Healthy);
    EXPECT_EQ(record.temperature_celsius, 38.0f);
    EXPECT_EQ(record.temperature_sensors, (std::vector<float>{38.0f}));
    EXPECT_EQ(record.raw_temperature, 38u);
    EXPECT_FALSE(record.wear_percentage);
    EXPECT_FALSE(record.critical_warning);
    EXPECT_TRUE(record.diagnostic_log.empty());
    EXPECT_EQ(record.timestamp, "10:20:30");
    EXPECT_EQ(record.physical_drive, 0u);
    EXPECT_EQ(record.drive_letters, (std::vector<char32_t>{U'C'}));
    EXPECT_EQ(record.model, "Samsung SSD 980 PRO 1TB");
    EXPECT_EQ(record.serial_number, "S5GXNF0R123456");
    EXPECT_EQ(record.firmware_revision, "5B2QGXA7");
    EXPECT_EQ(record.bus_type, "NVMe");
    EXPECT_EQ(record.internal_protocol, "NVMe");

    // One open with query access only, one property request, one close.
    EXPECT_EQ(device_calls(*machine),
              (std::vector<std::string>{
                  R"(CreateFileW("\\.\PhysicalDrive0", 0x0, 0x3, 3, 0x80) -> handle 0x100)",
                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 512) -> TRUE, "
                  "40 bytes",
                  "CloseHandle(0x100) -> TRUE",
              }));
}

TEST(WindowsStorageTemperature, AdapterPropertyAfterAFailedDeviceProperty) {
    auto machine = machine_with(R"({ "error": 1 })", R"({ "sensors": [ { "temperature": 41 } ] })");

    const DiskHealthRecord record = query(*machine);

    EXPECT_EQ(describe_all(record.provider_diagnostics),
              (std::vector<std::string>{
                  describe(failed(DEVICE_PROPERTY, 1, SHORT_REPLY + "0 bytes, Win32Error: 1")),
                  describe(succeeded(ADAPTER_PROPERTY, 41,
                                     "Temperature: 41.0°C, Index: 0, InfoCount: 1", 1)),
              }));
    EXPECT_EQ(record.provider_name, ADAPTER_PROPERTY);
    EXPECT_EQ(record.health_status, HealthStatus::Healthy);
    EXPECT_EQ(record.temperature_celsius, 41.0f);
    EXPECT_EQ(record.temperature_sensors, (std::vector<float>{41.0f}));
    EXPECT_EQ(record.raw_temperature, 41u);
    // Both requests on the one handle opened.
    EXPECT_EQ(device_calls(*machine),
              (std::vector<std::string>{
                  R"(CreateFileW("\\.\PhysicalDrive0", 0x0, 0x3, 3, 0x80) -> handle 0x100)",
                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 512) -> FALSE, "
                  "0 bytes, error 1",
                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 512) -> TRUE, "
                  "40 bytes",
                  "CloseHandle(0x100) -> TRUE",
              }));
}

TEST(WindowsStorageTemperature, ShortDeviceReplyLetsTheAdapterAnswer) {
    auto machine = machine_with(R"({ "sensors": [ { "temperature": 38 } ], "bytes_returned": 30 })",
                                R"({ "sensors": [ { "temperature": 44 } ] })");

    const DiskHealthRecord record = query(*machine);

    EXPECT_EQ(describe_all(record.provider_diagnostics),
              (std::vector<std::string>{
                  describe(with_info_count(failed(DEVICE_PROPERTY, 0, ""), 1)),
                  describe(succeeded(ADAPTER_PROPERTY, 44,
                                     "Temperature: 44.0°C, Index: 0, InfoCount: 1", 1)),
              }));
    EXPECT_EQ(record.temperature_celsius, 44.0f);
}

TEST(WindowsStorageTemperature, ImplausibleInBothPropertiesIsUnavailable) {
    auto machine = machine_with(R"({ "sensors": [ { "temperature": 0, "index": 1 } ] })",
                                R"({ "sensors": [ { "temperature": 150, "index": 2 } ] })");

    const DiskHealthRecord record = query(*machine);

    EXPECT_EQ(
        describe_all(record.provider_diagnostics),
        (std::vector<std::string>{
            describe(with_info_count(
                failed(DEVICE_PROPERTY, 0, "Invalid temperature value: 0 C (Index: 1)"), 1)),
            describe(with_info_count(
                failed(ADAPTER_PROPERTY, 0, "Invalid temperature value: 150 C (Index: 2)"), 1)),
        }));
    EXPECT_EQ(record.provider_name, "Windows Storage Temperature (Failed)");
    EXPECT_EQ(record.health_status, HealthStatus::Unavailable);
    EXPECT_FALSE(record.temperature_celsius);
    EXPECT_TRUE(record.temperature_sensors.empty());
    EXPECT_FALSE(record.raw_temperature);
    EXPECT_EQ(record.timestamp, "10:20:30");
    EXPECT_EQ(quartzmon::test_support::calls_to(machine->call_log(), {"CloseHandle"}).size(), 1u);
}

TEST(WindowsStorageTemperature, FailedOpenMakesNoDeviceRequest) {
    auto machine = machine_with("", "", R"({ "0x0": 5 })");

    const DiskHealthRecord record = query(*machine);

    EXPECT_EQ(
        describe_all(record.provider_diagnostics),
        (std::vector<std::string>{describe(failed(
            DEVICE_PROPERTY, 5, "CreateFileW failed for \\\\.\\PhysicalDrive0 (Win32Error: 5)"))}));
    EXPECT_EQ(record.provider_name, "Windows Storage Temperature");
    EXPECT_EQ(record.health_status, HealthStatus::Unavailable);
    EXPECT_FALSE(record.temperature_celsius);
    EXPECT_TRUE(record.temperature_sensors.empty());
    EXPECT_EQ(record.timestamp, "10:20:30");
    EXPECT_EQ(device_calls(*machine),
              (std::vector<std::string>{
                  R"(CreateFileW("\\.\PhysicalDrive0", 0x0, 0x3, 3, 0x80) -> )"
                  "INVALID_HANDLE_VALUE, error 5",
              }));
}

// "LEVEL target: message" of each event raised while action runs.
std::vector<std::string> traced_while(const std::function<void()>& action) {
    static const char* const LEVELS[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR"};
    std::vector<std::string> lines;
    trace::ScopedSink sink([&](const trace::Event& event) {
        lines.push_back(std::string(LEVELS[static_cast<int>(event.level)]) + " " + event.target +
                        ": " + event.message);
    });
    action();
    return lines;
}

TEST(WindowsStorageTemperature, TraceEventsOfADeviceReading) {
    auto machine =
        machine_with(R"({ "sensors": [ { "temperature": 52 } ], "version": 32, "size": 56 })", "");

    EXPECT_EQ(traced_while([&] { query(*machine); }),
              (std::vector<std::string>{
                  "DEBUG quartzmon::sensors::disk::providers::windows_storage: PhysicalDrive0: "
                  "StorageDeviceTemp descriptor Version=32, Size=56, InfoCount=1",
                  "INFO quartzmon::sensors::disk::providers::windows_storage: PhysicalDrive0: "
                  "Windows Storage Temperature Query SUCCESS: 52.0°C via "
                  "StorageDeviceTemperatureProperty",
              }));
}

// The descriptor event belongs to the device property alone; it comes before
// the reply is judged, so an empty InfoCount still shows it.
TEST(WindowsStorageTemperature, TraceEventsOfAnAdapterReading) {
    auto machine =
        machine_with(R"({ "sensors": [] })", R"({ "sensors": [ { "temperature": 33 } ] })");

    EXPECT_EQ(traced_while([&] { query(*machine); }),
              (std::vector<std::string>{
                  "DEBUG quartzmon::sensors::disk::providers::windows_storage: PhysicalDrive0: "
                  "StorageDeviceTemp descriptor Version=40, Size=24, InfoCount=0",
                  "INFO quartzmon::sensors::disk::providers::windows_storage: PhysicalDrive0: "
                  "Windows Storage Temperature Query SUCCESS: 33.0°C via "
                  "StorageAdapterTemperatureProperty",
              }));
}

TEST(WindowsStorageTemperature, NoTraceEventsWithoutAnyAnswer) {
    auto machine = machine_with(R"({ "sensors": [ { "temperature": 38 } ], "bytes_returned": 23 })",
                                R"({ "error": 50 })");

    EXPECT_TRUE(traced_while([&] { query(*machine); }).empty());
}

TEST(WindowsStorageTemperature, AppliesToEveryDisk) {
    auto machine = machine_with("", "");
    const WindowsStorageTempProvider provider(*machine);
    DiskIdentity usb = disk_zero();
    usb.bus_type = "USB";
    usb.bus_type_code = 7;
    usb.removable_media = true;
    EXPECT_TRUE(provider.supports(disk_zero()));
    EXPECT_TRUE(provider.supports(usb));
    EXPECT_EQ(provider.name(), "Windows Storage Temperature (Device/Adapter)");
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
