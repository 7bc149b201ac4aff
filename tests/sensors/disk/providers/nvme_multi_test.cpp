#include "sensors/disk/providers/nvme_multi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/call_log.h"
#include "support/machine.h"
#include "support/real_nvme_page.h"
#include "support/records.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using test_support::describe;

const std::string DEVICE_38 =
    R"("StorageDeviceTemperatureProperty": { "sensors": [ { "temperature": 38 } ] })";
const std::string ADAPTER_41 =
    R"("StorageAdapterTemperatureProperty": { "sensors": [ { "temperature": 41 } ] })";

const std::string OPEN = R"(CreateFileW("\\.\PhysicalDrive0", 0xC0000000, 0x3, 3, 0x80) -> )"
                         "handle 0x100";
const std::string PROPERTIES_FAIL =
    "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 512) -> FALSE, 0 bytes, "
    "error 50";
const std::string LOG_QUERY =
    "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 4144, "
    "out 4144) -> ";

ProviderDiagnostic attempt(const char* name, const char* result, std::uint32_t error,
                           std::string detail) {
    ProviderDiagnostic made;
    made.provider_name = name;
    made.result = result;
    made.win32_error = error;
    made.detail = std::move(detail);
    return made;
}

ProviderDiagnostic property(const char* name, std::uint32_t error, std::string detail) {
    return attempt(name, "FAILED", error, std::move(detail));
}

ProviderDiagnostic with_info_count(ProviderDiagnostic made, std::uint32_t info_count) {
    made.info_count = info_count;
    return made;
}

ProviderDiagnostic property_read(const char* name, float celsius, std::string detail) {
    ProviderDiagnostic made = with_info_count(attempt(name, "SUCCESS", 0, std::move(detail)), 1);
    made.temperature_c = celsius;
    return made;
}

ProviderDiagnostic log_attempt(std::uint32_t error, std::string detail) {
    return attempt("NVMe SMART Health Log", "FAILED", error, std::move(detail));
}

ProviderDiagnostic log_read(std::uint16_t kelvin, float celsius, std::string detail) {
    ProviderDiagnostic made = attempt("NVMe SMART Health Log", "SUCCESS", 0, std::move(detail));
    made.raw_value = kelvin;
    made.temperature_c = celsius;
    return made;
}

const ProviderDiagnostic DEVICE_FAILS =
    property("StorageDeviceTemperatureProperty", 50, "DeviceIoControl failed with Win32 error 50");
const ProviderDiagnostic ADAPTER_FAILS =
    property("StorageAdapterTemperatureProperty", 50, "DeviceIoControl failed with Win32 error 50");
const ProviderDiagnostic DEVICE_READS_38 =
    property_read("StorageDeviceTemperatureProperty", 38.0f, "Temperature: 38.0°C, InfoCount: 1");
const ProviderDiagnostic ADAPTER_READS_41 =
    property_read("StorageAdapterTemperatureProperty", 41.0f, "Temperature: 41.0°C, InfoCount: 1");
const ProviderDiagnostic NO_LOG = log_attempt(50, "DeviceIoControl failed with Win32 error 50");

DiskHealthRecord record(const char* provider, HealthStatus status, float celsius,
                        std::vector<float> sensors, std::vector<ProviderDiagnostic> attempts) {
    DiskHealthRecord made;
    made.internal_protocol = "NVMe";
    made.provider_name = provider;
    made.health_status = status;
    made.temperature_celsius = celsius;
    made.temperature_sensors = std::move(sensors);
    made.provider_diagnostics = std::move(attempts);
    made.timestamp = "10:20:30";
    return made;
}

DiskHealthRecord from_log(DiskHealthRecord made, std::uint8_t wear, std::uint8_t warning,
                          std::uint32_t kelvin) {
    made.wear_percentage = wear;
    made.critical_warning = warning;
    made.raw_temperature = kelvin;
    return made;
}

std::vector<std::string> outcome(
    const std::expected<DiskHealthRecord, provider::ProviderError>& result) {
    if (!result) return {"error " + provider::shown_text(result.error())};
    return describe(*result);
}

struct Scenario {
    const char* name;
    std::string disk;  // members of disk 0's description
    std::vector<std::string> expected;
    std::vector<std::string> device_calls = {};  // checked when given
};

// Disk 0 described with its temperature properties and NVMe drive; an
// undescribed property or a disk without "nvme" fails with error 50.
TEST(NvmeMultiProvider, Scenarios) {
    const auto& real = test_support::REAL_NVME_PAGE;
    const std::vector<Scenario> scenarios{
        {"device property outranks the adapter's",
         R"("properties": { )" + DEVICE_38 + ", " + ADAPTER_41 + " }",
         describe(record("StorageDeviceTemperatureProperty", HealthStatus::Healthy, 38.0f, {38.0f},
                         {DEVICE_READS_38, ADAPTER_READS_41, NO_LOG}))},
        {"adapter property when the device's fails",
         R"("properties": { "StorageDeviceTemperatureProperty": { "error": 1 }, )" + ADAPTER_41 +
             " }",
         describe(record("StorageAdapterTemperatureProperty", HealthStatus::Healthy, 41.0f, {41.0f},
                         {property("StorageDeviceTemperatureProperty", 1,
                                   "DeviceIoControl failed with Win32 error 1"),
                          ADAPTER_READS_41, NO_LOG}))},
        {"unusable properties, the default log",
         R"("properties": {
              "StorageDeviceTemperatureProperty": { "sensors": [ { "temperature": 38 } ], "info_count": 0 },
              "StorageAdapterTemperatureProperty": { "sensors": [ { "temperature": 150 } ] } },
            "nvme": {})",
         describe(from_log(
             record("NVMe SMART Health Log 0x02", HealthStatus::Healthy, 36.850006f,
                    {36.850006f, 42.850006f},
                    {with_info_count(property("StorageDeviceTemperatureProperty", 0,
                                              "InfoCount is 0 or buffer insufficient (bytes: 40)"),
                                     0),
                     with_info_count(property("StorageAdapterTemperatureProperty", 0,
                                              "Invalid temperature value: 150°C"),
                                     1),
                     log_read(310, 36.850006f,
                              "Kelvin: 310 K, Celsius: 36.9°C, CriticalWarning: 0x00, Wear: 2%")}),
             2, 0, 310))},
        {"attempt A refused, B answered",
         R"("nvme": { "refused_queries": [ { "property_id": 49, "sub_value": 0, "error": 1 } ],
                      "log_page_offset": false,
                      "health_log": { "composite_kelvin": 318, "sensors_kelvin": [ 318 ] } })",
         describe(from_log(
             record("NVMe SMART Health Log 0x02", HealthStatus::Healthy, 44.850006f, {44.850006f},
                    {DEVICE_FAILS, ADAPTER_FAILS,
                     log_read(318, 44.850006f,
                              "Kelvin: 318 K, Celsius: 44.9°C, CriticalWarning: 0x00, Wear: 2%")}),
             2, 0, 318)),
         {OPEN, PROPERTIES_FAIL, PROPERTIES_FAIL,
          LOG_QUERY + "FALSE, 0 bytes, property 49, log 02h, sub-value 0, error 1",
          LOG_QUERY + "TRUE, 4144 bytes, property 49, log 02h, sub-value 4294967295",
          "CloseHandle(0x100) -> TRUE"}},
        {"unparsable log after a property reading", R"("properties": { )" + DEVICE_38 + R"(,
              "StorageAdapterTemperatureProperty": { "sensors": [ { "temperature": 41 } ], "bytes_returned": 23 } },
            "nvme": { "health_log": { "composite_kelvin": 0 } })",
         describe(record("StorageDeviceTemperatureProperty", HealthStatus::Healthy, 38.0f, {38.0f},
                         {DEVICE_READS_38, property("StorageAdapterTemperatureProperty", 0, ""),
                          log_attempt(0, "parse_nvme_health_log returned error")}))},
        {"critical warning; the log's empty sensor list replaces the property's",
         R"("properties": { )" + DEVICE_38 + R"( },
            "nvme": { "health_log": { "critical_warning": 4, "composite_kelvin": 318,
                                      "sensors_kelvin": [] } })",
         describe(from_log(
             record("NVMe SMART Health Log 0x02", HealthStatus::Critical, 44.850006f, {},
                    {DEVICE_READS_38, ADAPTER_FAILS,
                     log_read(318, 44.850006f,
                              "Kelvin: 318 K, Celsius: 44.9°C, CriticalWarning: 0x04, Wear: 2%")}),
             2, 4, 318))},
        {"all three methods fail",
         R"("nvme": { "refused_queries": [ { "property_id": 49, "error": 1117 },
                                           { "property_id": 50, "error": 1 } ] })",
         {"error Device IO Error: All NVMe providers failed to obtain health and temperature"},
         {OPEN, PROPERTIES_FAIL, PROPERTIES_FAIL,
          LOG_QUERY + "FALSE, 0 bytes, property 49, log 02h, sub-value 0, error 1117",
          LOG_QUERY + "FALSE, 0 bytes, property 49, log 02h, sub-value 4294967295, error 1117",
          LOG_QUERY + "FALSE, 0 bytes, property 50, log 02h, sub-value 0, error 1",
          "CloseHandle(0x100) -> TRUE"}},
        {"no access mask opens the disk",
         R"("open": { "other": 5 })",
         {R"(error Access Denied: Failed to open handle to \\.\PhysicalDrive0 (Win32Error: 5))"}},
        {"the real page",
         R"("nvme": { "health_log": { "hex": ")" + test_support::real_nvme_page_hex() + R"(" } })",
         describe(from_log(
             record("NVMe SMART Health Log 0x02", real.health_status, real.temperature_celsius, {},
                    {DEVICE_FAILS, ADAPTER_FAILS,
                     log_read(real.raw_temperature_kelvin, real.temperature_celsius,
                              "Kelvin: 314 K, Celsius: 40.9°C, CriticalWarning: 0x00, Wear: 0%")}),
             real.percentage_used, real.critical_warning, real.raw_temperature_kelvin))},
    };
    for (const Scenario& scenario : scenarios) {
        auto machine = test_support::make_machine(
            R"({ "clock": { "local_time": "2024-05-14T10:20:30.000" },
                 "disks": [ { )" +
            scenario.disk + " } ] }");
        const NvmeMultiProvider provider(*machine);

        EXPECT_EQ(outcome(provider.query(test_support::nvme_disk())), scenario.expected)
            << scenario.name;
        if (scenario.device_calls.empty()) continue;
        EXPECT_EQ(test_support::calls_to(machine->call_log(),
                                         {"CreateFileW", "DeviceIoControl", "CloseHandle"}),
                  scenario.device_calls)
            << scenario.name;
    }
}

TEST(NvmeMultiProvider, SupportsDisksWindowsDrivesAsNvme) {
    const NvmeMultiProvider provider(*test_support::make_machine("{}"));
    enumeration::DiskIdentity named_only = test_support::nvme_disk();
    named_only.bus_type = "nvme";
    named_only.bus_type_code = 0;
    enumeration::DiskIdentity coded_only = test_support::nvme_disk();
    coded_only.bus_type = "Unknown";
    EXPECT_TRUE(provider.supports(named_only));
    EXPECT_TRUE(provider.supports(coded_only));
    EXPECT_FALSE(provider.supports(test_support::usb_disk("NVMe")));
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
