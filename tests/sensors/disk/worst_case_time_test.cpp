// How long one run takes when a disk answers nothing: every request that
// reaches the device waits for its timeout. The expected times are the
// providers' request counts times the timeouts; machines/README.md states
// them as a table for the widget.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "sensors/disk/collection.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk {
namespace {

// A pass-through request carries its own 3-second timeout; a property query
// carries none and waits for the disk class driver's default of 10 seconds.
constexpr std::uint64_t PASS_THROUGH_MS = 3'000;
constexpr std::uint64_t PROPERTY_QUERY_MS = 10'000;
constexpr std::uint64_t POWERSHELL_BOUND_MS = 60'000;

struct SilentDisk {
    const char* kind;
    nlohmann::json disk;
    std::uint64_t property_queries;
    std::uint64_t pass_through_requests;
};

nlohmann::json default_machine() {
    std::ifstream file(std::string(MACHINES_DIR) + "/default.json");
    return nlohmann::json::parse(file);
}

nlohmann::json default_disk(std::size_t number) {
    return default_machine()["disks"][number];
}

// The default machine, whose registry and device tree tell the USB bridges'
// chips, with only the given disk, which answers nothing.
std::string machine_with_silent_disk(nlohmann::json disk) {
    nlohmann::json machine = default_machine();
    disk["silent"] = true;
    machine["disks"] = nlohmann::json::array({disk});
    return machine.dump();
}

std::uint64_t run_time_ms(platform::Platform& platform) {
    const std::uint64_t start = platform.get_tick_count64();
    collect_disk_health(platform);
    return platform.get_tick_count64() - start;
}

// No single device request waits longer than its own timeout.
void expect_each_wait_within_its_timeout(const std::vector<std::string>& log) {
    const std::regex pass_through_wait("timed out after ([0-9]+) s");
    for (const std::string& call : test_support::calls_to(log, {"DeviceIoControl"})) {
        std::smatch wait;
        if (std::regex_search(call, wait, pass_through_wait)) {
            EXPECT_LE(std::stoul(wait[1]) * 1000, PASS_THROUGH_MS) << call;
        }
    }
}

TEST(WorstCaseRunTime, EveryRequestOfASilentDiskTakesItsTimeout) {
    // Windows storage temperature: 2 properties, for every disk. NVMe
    // storage query: 2 properties and 3 log queries. ATA SMART: 1 request.
    // USB SAT, for every USB disk: 2 properties and 7 variants, direct and
    // buffered. USB NVMe, unless the bridge is known to hold a SATA drive: 3
    // variants, direct and buffered, then on an identified NVMe bridge its
    // family's read (a silent bridge fails its first command: both forms of
    // one command, or the JMicron command phase, which is not sent again).
    const std::vector<SilentDisk> disks{
        {"NVMe", default_disk(0), 2 + 5, 0},
        {"SATA", default_disk(1), 2, 1},
        {"USB SAT bridge", default_disk(2), 2 + 2, 14},
        {"USB NVMe bridge", default_disk(3), 2 + 2, 14 + 6 + 2},
        {"USB NVMe bridge in three phases", default_disk(8), 2 + 2, 14 + 6 + 1},
        // Removable media bring in the USB SAT provider on any bus.
        {"NVMe with removable media",
         {{"properties", {{"StorageDeviceProperty", {{"bus_type", 17}, {"removable_media", true}}}}}},
         2 + 5 + 2,
         14},
        // Only the temperature properties apply to a disk behind a RAID adapter.
        {"RAID", {{"properties", {{"StorageDeviceProperty", {{"bus_type", 8}}}}}}, 2, 0},
    };
    for (const SilentDisk& disk : disks) {
        SCOPED_TRACE(disk.kind);
        auto machine = test_support::make_machine(machine_with_silent_disk(disk.disk));
        EXPECT_EQ(run_time_ms(*machine), disk.property_queries * PROPERTY_QUERY_MS +
                                             disk.pass_through_requests * PASS_THROUGH_MS);
        expect_each_wait_within_its_timeout(machine->call_log());
    }
}

// With no volume to map letters from, the PowerShell child runs; one that
// never exits is given up after its bound, on top of the disks' time.
TEST(WorstCaseRunTime, APowerShellChildThatNeverExitsAddsItsBound) {
    nlohmann::json machine = default_machine();
    machine["disks"] = nlohmann::json::array({{{"silent", true}}});
    machine["volumes"] = nlohmann::json::object();
    machine["programs"] = {{"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe",
                            {{"never_exits", true}}}};
    auto silent = test_support::make_machine(machine.dump());

    // The default disk is a SATA disk: two properties and one ATA request.
    EXPECT_EQ(run_time_ms(*silent), POWERSHELL_BOUND_MS + 2 * PROPERTY_QUERY_MS + PASS_THROUGH_MS);
}

}  // namespace
}  // namespace quartzmon::sensors::disk
