#include "sensors/disk/collection.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "main/json_writer.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk {
namespace {

using test_support::calls_to;

// Two disks: an NVMe system disk whose driver reports its temperature and a
// SATA disk whose driver reports none.
constexpr const char* TWO_DISKS = R"({
  "token": { "elevated": false },
  "clock": { "local_time": "2024-05-14T09:05:03.250" },
  "disks": [
    { "number": 0, "properties": {
        "StorageDeviceProperty": { "vendor_id": "NVMe", "product_id": "Samsung SSD 980 PRO 1TB",
                                   "product_revision": "5B2QGXA7", "serial_number": "S5GX",
                                   "bus_type": 17 },
        "StorageDeviceTemperatureProperty": { "sensors": [ { "temperature": 36 } ] } } },
    { "number": 1, "properties": {
        "StorageDeviceProperty": { "product_id": "WDC WD40EZRZ", "product_revision": "80.00A80",
                                   "serial_number": "WD-1", "bus_type": 11 } } }
  ],
  "volumes": {
    "C": { "drive_type": "DRIVE_FIXED", "dos_device": "\\Device\\HarddiskVolume3",
           "disk_extents": { "extents": [ { "disk": 0 } ] } }
  }
})";

TEST(CollectionRun, OneRecordAndOneReportPerDiskInDriveOrder) {
    auto machine = quartzmon::test_support::make_machine(TWO_DISKS);

    const CollectionResult result = collect_disk_health(*machine);

    ASSERT_EQ(result.disks.size(), 2u);
    ASSERT_EQ(result.logs.size(), 4u);
    EXPECT_EQ(result.logs[0], "DiskSensor collection executed at 09:05:03 (Elevated: false)");
    EXPECT_EQ(result.logs[1], "Enumerated 2 physical disk(s)");
    EXPECT_EQ(result.logs[2],
              "\n"
              "================ DISK SENSOR DIAGNOSTIC ================\n"
              "PhysicalDrive: PhysicalDrive0\n"
              "Model: NVMe Samsung SSD 980 PRO 1TB\n"
              "Serial: S5GX\n"
              "Firmware: 5B2QGXA7\n"
              "BusType: NVMe\n"
              "VendorId: NVMe\n"
              "ProductId: Samsung SSD 980 PRO 1TB\n"
              "VID: N/A\n"
              "PID: N/A\n"
              "BridgeVendor: N/A\n"
              "BridgeModel: N/A\n"
              "InternalProtocol: NVMe\n"
              "Volumes: C:\n"
              "CurrentProvider: StorageDeviceTemperatureProperty\n"
              "Elevation: false\n"
              "IsAdministrator: false\n"
              "--- Provider Diagnostics (Fallback History) ---\n"
              "[Provider #1: StorageDeviceTemperatureProperty]\n"
              "  Result: SUCCESS\n"
              "  Win32Error: 0\n"
              "  InfoCount: 1\n"
              "  RawValue: 36\n"
              "  Temperature: 36.0°C\n"
              "  Detail: Temperature: 36.0°C, Index: 0, InfoCount: 1\n"
              "FinalHealth: 正常\n"
              "FinalTemperature: 36°C\n"
              "========================================================\n");
    EXPECT_NE(result.logs[3].find("PhysicalDrive: PhysicalDrive1\n"), std::string::npos);
    EXPECT_NE(result.logs[3].find("CurrentProvider: ATA SMART (0xB0, 0xD0)\n"), std::string::npos);

    const DiskHealthRecord& system_disk = result.disks[0];
    EXPECT_EQ(system_disk.diagnostic_log,
              (std::vector<std::string>{
                  "Starting acquisition for Drive #0: NVMe Samsung SSD 980 PRO 1TB [Bus: NVMe]",
                  "Provider [Windows Storage Temperature (Device/Adapter)]: ATTEMPTING...",
                  "Provider [Windows Storage Temperature (Device/Adapter)]: SUCCESS (Status: "
                  "正常, Temp: 36.0°C)",
              }));
    EXPECT_EQ(result.disks[1].physical_drive, 1u);
    // The SATA disk's drive answers SMART READ DATA after both properties failed.
    EXPECT_EQ(result.disks[1].provider_name, "ATA SMART (0xB0, 0xD0)");
    EXPECT_EQ(result.disks[1].provider_diagnostics.size(), 3u);

    // The document built from this result reads back with another parser.
    const std::vector<std::uint8_t> bytes = serialize_pretty(result);
    const auto document = nlohmann::json::parse(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(document["disks"].size(), 2u);
    EXPECT_EQ(document["disks"][0]["temperature_celsius"], 36.0);
    EXPECT_EQ(document["logs"][2], result.logs[2]);
}

std::unique_ptr<platform::simulated::SimulatedMachine> machine(nlohmann::json token,
                                                               const char* local_time) {
    const nlohmann::json description = {{"token", token}, {"clock", {{"local_time", local_time}}}};
    return test_support::make_machine(description.dump());
}

TEST(CollectionRun, Elevation) {
    struct Case {
        const char* name;
        nlohmann::json token;
        bool elevated;
        std::size_t closes;  // the token is closed whenever it was opened
    };
    const std::vector<Case> cases = {
        {"elevated token", {{"elevated", true}}, true, 1},
        {"limited token", {{"elevated", false}}, false, 1},
        {"token cannot be opened", {{"elevated", true}, {"open_error", 5}}, false, 0},
        {"elevation cannot be read", {{"elevated", true}, {"information_error", 87}}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = machine(c.token, "2024-05-14T21:30:59.000");
        const CollectionResult result = collect_disk_health(*m);
        EXPECT_EQ(result.is_elevated, c.elevated);
        EXPECT_EQ(result.logs.at(0), std::string("DiskSensor collection executed at 21:30:59 (Elevated: ") +
                                         (c.elevated ? "true" : "false") + ")");
        EXPECT_EQ(calls_to(m->call_log(), {"CloseHandle"}).size(), c.closes);
        EXPECT_EQ(calls_to(m->call_log(), {"OpenProcessToken"}).front(),
                  std::string("OpenProcessToken(0xFFFFFFFFFFFFFFFF, 0x8) -> ") +
                      (c.token.contains("open_error") ? "FALSE, error 5" : "TRUE, token 0x100"));
    }
}

TEST(CollectionRun, TheRunTimeHasLeadingZeros) {
    auto m = machine({{"elevated", true}}, "2024-05-14T09:05:03.999");
    const CollectionResult result = collect_disk_health(*m);
    EXPECT_EQ(result.timestamp, "09:05:03");
    EXPECT_EQ(result.logs.at(0), "DiskSensor collection executed at 09:05:03 (Elevated: true)");
}

}  // namespace
}  // namespace quartzmon::sensors::disk
