#include "sensors/disk/standby_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sensors/disk/collection.h"
#include "support/call_log.h"
#include "support/machine.h"
#include "support/records.h"

namespace quartzmon::sensors::disk {
namespace {

using test_support::describe;
enum class Bus { Sata, Usb, UsbNvme };

// One disk 0 on its bus with the given description keys; enumeration finds a
// USB disk's bridge, JMicron SATA or ASMedia NVMe, through the device tree.
std::string machine_with(Bus bus, const std::string& disk) {
    const std::string usb = std::string(R"(USB\\VID_)") +
                            (bus == Bus::Usb ? "152D&PID_0578" : "174C&PID_2362") + R"(\\1)";
    const std::string found_on_usb = R"(, "registry": {
        "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {"0": "USBSTOR\\Ext\\1&0"}},
        "device_tree": [{"id": "USBSTOR\\Ext\\1&0", "parent": ")" +
                                     usb + R"("}, {"id": ")" + usb + R"("}])";
    const std::string bus_type = bus == Bus::Sata ? "11" : "7";
    return R"({"clock": {"local_time": "2024-05-14T09:05:03.250"}, "disks": [{"properties":
        {"StorageDeviceProperty": {"product_id": "Ext", "bus_type": )" +
           bus_type + "}}" + disk + "}]" + (bus == Bus::Sata ? "" : found_on_usb) + "}";
}

// A successful attempt; the drive's carry CHECK POWER MODE, those through a
// bridge its CHECK CONDITION, RECOVERED ERROR, 00h/1Dh.
ProviderDiagnostic attempt(const char* name, std::string detail, bool to_drive = true,
                           std::optional<std::uint8_t> op_code = {}) {
    ProviderDiagnostic a;
    a.provider_name = name, a.result = "SUCCESS", a.detail = std::move(detail);
    if (to_drive) a.ata_command = 0xE5;
    if (op_code)
        a.scsi_op_code = op_code, a.scsi_status = 2, a.sense_key = 1, a.asc = 0, a.ascq = 0x1D;
    return a;
}

const ProviderDiagnostic SYSTEM_ON =
    attempt("GetDevicePowerState", "Device in its working state", false);
const std::string ASLEEP = "CHECK POWER MODE: standby (Count: 0x00), the disk was left asleep";
const std::string ASLEEP_Y = "CHECK POWER MODE: standby (Count: 0x01), the disk was left asleep";

// The record of a disk left asleep and its log, whole.
std::vector<std::string> asleep(const char* bus, std::vector<ProviderDiagnostic> attempts) {
    DiskHealthRecord r;
    r.provider_name = "None (Standby)";
    r.health_status = HealthStatus::Unavailable;
    r.internal_protocol = "SATA";
    r.timestamp = "09:05:03";
    r.provider_diagnostics = std::move(attempts);
    std::vector<std::string> lines = describe(r);
    lines.push_back(std::string("Starting acquisition for Drive #0: Ext [Bus: ") + bus + "]");
    lines.push_back("Drive is in standby and was not woken. SMART/Temperature is Unavailable.");
    return lines;
}

std::vector<std::string> whole(const DiskHealthRecord& record) {
    std::vector<std::string> lines = describe(record);
    lines.insert(lines.end(), record.diagnostic_log.begin(), record.diagnostic_log.end());
    return lines;
}

// What reached the disk besides property queries: "power TRUE, on", "ATA E5",
// "SCSI 85 (decoded), status 2"; a command that woke the drive says so.
std::vector<std::string> requests(const std::vector<std::string>& log) {
    std::vector<std::string> shown;
    for (const std::string& line :
         test_support::calls_to(log, {"GetDevicePowerState", "DeviceIoControl"})) {
        if (line.starts_with("GetDevicePowerState")) {
            shown.push_back("power " + line.substr(line.find("-> ") + 3));
        } else if (const auto at = line.find("task file "); at != std::string::npos) {
            shown.push_back("ATA " + line.substr(at + 28, 2) +
                            (line.ends_with("spun up from standby") ? " spun up" : ""));
        } else if (const auto cdb = line.find("CDB "); cdb != std::string::npos) {
            const auto rest = line.find_first_of("(,", cdb);
            shown.push_back("SCSI " + line.substr(cdb + 4, 2) + " " + line.substr(rest));
        }
    }
    return shown;
}

struct StandbyCase {
    const char* name;
    Bus bus;
    std::string disk;  // the disk's description keys
    // The whole record; empty: the record a run without the option writes.
    std::vector<std::string> record;
    // The check's requests; a disk it does not leave asleep then gets those of
    // a run without the option.
    std::vector<std::string> requests;
};

class LeavingSleepingDisks : public ::testing::TestWithParam<StandbyCase> {};

TEST_P(LeavingSleepingDisks, AsksWithoutWakingAndReadsWhatIsAwake) {
    const StandbyCase& given = GetParam();
    const std::string description = machine_with(given.bus, given.disk);
    auto machine = test_support::make_machine(description);
    const CollectionResult result = collect_disk_health(*machine, {true});
    auto without = test_support::make_machine(description);
    const CollectionResult read = collect_disk_health(*without);

    std::vector<std::string> expected_requests = given.requests;
    if (given.record.empty()) {
        EXPECT_EQ(whole(result.disks.at(0)), whole(read.disks.at(0)));
        for (const std::string& request : requests(without->call_log()))
            expected_requests.push_back(request);
    } else {
        EXPECT_EQ(whole(result.disks.at(0)), given.record);
    }
    EXPECT_EQ(requests(machine->call_log()), expected_requests);
}

const std::string STANDBY = R"(, "ata": {"power_mode": "standby"})";
const std::vector<std::string> USB_ASLEEP =
    asleep("USB", {SYSTEM_ON, attempt("SAT16 CHECK POWER MODE", ASLEEP, true, 0x85)});
const std::vector<std::string> USB_ASKED{
    "power TRUE, on", "SCSI 85 (SAT ATA PASS-THROUGH (16): E5h/00h registers returned), status 2"};

const std::string IDLE_THROUGH_SAT12 = R"(, "ata": {"power_mode": "idle"},
    "device_power_state": {"error": 1},
    "sat_bridge": {"dialects": ["sat12"], "ata_return_format": "fixed"})";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Disks, LeavingSleepingDisks, ::testing::Values(
    StandbyCase{"SataAsleepInStandbyY", Bus::Sata, R"(, "ata": {"power_mode": "standby_y"})",
                asleep("SATA", {SYSTEM_ON, attempt("ATA CHECK POWER MODE", ASLEEP_Y)}),
                {"power TRUE, on", "ATA E5"}},
    StandbyCase{"SystemReportsLowPower", Bus::Sata,
                STANDBY + R"(, "device_power_state": {"on": false})",
                asleep("SATA", {attempt("GetDevicePowerState",
                                "Device in a low-power state, the disk was left asleep", false)}),
                {"power TRUE, off"}},
    StandbyCase{"UsbAsleepDescriptorSense", Bus::Usb, STANDBY + R"(, "sat_bridge": {})",
                USB_ASLEEP, USB_ASKED},
    StandbyCase{"UsbAsleepFixedSense", Bus::Usb,
                STANDBY + R"(, "sat_bridge": {"ata_return_format": "fixed"})",
                USB_ASLEEP, USB_ASKED},
    StandbyCase{"SatRefusedReadAsUsual", Bus::Usb,
                STANDBY + R"(, "sat_bridge": {"dialects": ["jmicron"], "rejection": {"asc": 0}})",
                {},
                {"power TRUE, on", "SCSI 85 (not accepted), status 2",
                 "SCSI A1 (not accepted), status 2"}},
    StandbyCase{"SatAbortedReadAsUsual", Bus::Usb, R"(, "ata": {"power_management": false},
                "sat_bridge": {"ata_return_format": "fixed"})", {}, USB_ASKED},
    StandbyCase{"CheckPowerModeAbortedReadAsUsual", Bus::Sata,
                R"(, "ata": {"power_management": false})", {}, {"power TRUE, on", "ATA E5"}},
    StandbyCase{"IdleReadAsUsual", Bus::Usb, IDLE_THROUGH_SAT12, {},
                {"power FALSE, error 1", "SCSI 85 (not accepted), status 2",
                 "SCSI A1 (SAT ATA PASS-THROUGH (12): E5h/00h registers returned), status 2"}},
    StandbyCase{"UsbNvmeNotChecked", Bus::UsbNvme, R"(, "nvme_bridge": {"family": "asmedia"})",
                {}, {}}),
    [](const ::testing::TestParamInfo<StandbyCase>& row) { return row.param.name; });
// clang-format on

TEST(LeavingSleepingDisks, WithoutTheOptionNothingAsksAndTheReadingWakesTheDisk) {
    auto machine = test_support::make_machine(machine_with(Bus::Sata, STANDBY));
    collect_disk_health(*machine);
    EXPECT_EQ(requests(machine->call_log()), std::vector<std::string>{"ATA B0 spun up"});
    EXPECT_EQ(collect_disk_health(*machine, {true}).disks.at(0).provider_name,
              "ATA SMART (0xB0, 0xD0)");
}

}  // namespace
}  // namespace quartzmon::sensors::disk
