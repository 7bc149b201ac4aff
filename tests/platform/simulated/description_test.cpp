#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/simulated/simulated_machine.h"

namespace {

using quartzmon::platform::simulated::SimulatedMachine;

struct BadDescription {
    const char* description;
    const char* error;
};

class DescriptionErrorTest : public ::testing::TestWithParam<BadDescription> {};

TEST_P(DescriptionErrorTest, NamesTheSourceAndThePlace) {
    const auto machine = SimulatedMachine::from_json(GetParam().description, "machines/x.json");
    ASSERT_FALSE(machine);
    EXPECT_EQ(machine.error(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, DescriptionErrorTest,
    ::testing::Values(
        BadDescription{"[]", "machines/x.json: at the top level: expected an object"},
        BadDescription{R"({"disks": [{"number": 1e309}]})",
                       "machines/x.json: malformed JSON: number overflow parsing '1e309'"},
        BadDescription{R"({"disks": [{"replay": [{"request": {"ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "propery_id": 0}}]}]})",
                       "machines/x.json: at /disks/0/replay/0/request/propery_id: unknown key"},
        BadDescription{R"({"volumes": {"C": {"replay": [{"out": "28"}]}}})",
                       "machines/x.json: at /volumes/C/replay/0/request: missing"},
        BadDescription{R"({"clock": {"tick_counts": [1, "2"]}})",
                       "machines/x.json: at /clock/tick_counts/1: expected a whole number from 0 to 9223372036854775807"},
        BadDescription{R"({"disks": [{"open": 5}]})",
                       "machines/x.json: at /disks/0/open: expected an object"},
        BadDescription{R"({"disks": [{}, {"opne": {}}]})",
                       "machines/x.json: at /disks/1/opne: unknown key"},
        BadDescription{R"({"disk": []})", "machines/x.json: at /disk: unknown key"},
        BadDescription{R"({"disks": [{"open": {"GENERIC_READ": 5}}]})",
                       "machines/x.json: at /disks/0/open/GENERIC_READ: expected a number such as "
                       "0x80000000 or 0"},
        BadDescription{
            R"({"disks": [{"open": {"0x0": -1}}]})",
            "machines/x.json: at /disks/0/open/0x0: expected a whole number from 0 to 4294967295"},
        BadDescription{R"({"disks": [{"number": 1}, {}]})",
                       "machines/x.json: at /disks/1: drive number 1 described twice"},
        BadDescription{
            R"({"disks": [{"properties": {"StorageDeviceProperty": {"bus_type": "NVMe"}}}]})",
            "machines/x.json: at /disks/0/properties/StorageDeviceProperty/bus_type: expected a "
            "whole number from 0 to 4294967295"},
        BadDescription{R"({"disks": [{"properties": {"StorageDeviceProperty": {"raw": "0x12"}}}]})",
                       "machines/x.json: at /disks/0/properties/StorageDeviceProperty/raw: "
                       "expected hex bytes (pairs of hexadecimal digits) at character 0"},
        BadDescription{
            R"({"disks": [{"properties": {"StorageDeviceProperty": {"raw": "00", "bus_type": 7}}}]})",
            "machines/x.json: at /disks/0/properties/StorageDeviceProperty/bus_type: not allowed "
            "with \"raw\""},
        BadDescription{
            R"({"disks": [{"properties": {"StorageDeviceProperty": {"error": 1, "bytes_returned": 4}}}]})",
            "machines/x.json: at /disks/0/properties/StorageDeviceProperty/bytes_returned: not "
            "allowed with \"error\""},
        BadDescription{
            R"({"disks": [{"properties": {"StorageTemperatureProperty": {}}}]})",
            "machines/x.json: at /disks/0/properties/StorageTemperatureProperty: unknown property"},
        BadDescription{
            R"({"disks": [{"properties": {"StorageDeviceTemperatureProperty": {"sensors": [{"index": 1}]}}}]})",
            "machines/x.json: at "
            "/disks/0/properties/StorageDeviceTemperatureProperty/sensors/0/temperature: missing"},
        BadDescription{
            R"({"disks": [{"nvme": {"refused_queries": [{"property_id": 0, "error": 1}]}}]})",
            "machines/x.json: at /disks/0/nvme/refused_queries/0/property_id: expected a whole "
            "number from 49 to 50"},
        BadDescription{R"({"disks": [{"nvme_bridge": {"health_log_commands": [""]}}]})",
                       "machines/x.json: at /disks/0/nvme_bridge/health_log_commands/0: expected a "
                       "command block of 1 to 16 bytes"},
        BadDescription{R"({"disks": [{"sat_bridge": {}, "nvme_bridge": {}}]})",
                       "machines/x.json: at /disks/0/nvme_bridge: a disk has one bridge"},
        BadDescription{R"({"volumes": {"CD": {}}})",
                       "machines/x.json: at /volumes/CD: expected a drive letter A to Z"},
        BadDescription{
            R"({"volumes": {"C": {"drive_type": "FIXED"}}})",
            "machines/x.json: at /volumes/C/drive_type: expected a DRIVE_ name or a number"},
        BadDescription{R"({"volumes": {"C": {"disk_extents": {"extents": [{}]}}}})",
                       "machines/x.json: at /volumes/C/disk_extents/extents/0/disk: missing"},
        BadDescription{R"({"registry": {"SOFTWARE/X": {"v": 5}}})",
                       "machines/x.json: at /registry/SOFTWARE~1X/v: expected an object"},
        BadDescription{R"({"registry": {"K": {"v": {"type": 4}}}})",
                       "machines/x.json: at /registry/K/v: expected \"text\" or \"hex\""},
        BadDescription{R"({"device_tree": [{"id": "A", "parent": "B"}]})",
                       "machines/x.json: at /device_tree/0/parent: no device with this id"},
        BadDescription{
            R"({"device_tree": [{"id": "A", "parent": "B"}, {"id": "B", "parent": "A"}]})",
            "machines/x.json: at /device_tree/0/parent: parents form a loop"},
        BadDescription{R"({"device_tree": [{"id": "A"}, {"id": "a"}]})",
                       "machines/x.json: at /device_tree/1/id: device listed twice"},
        BadDescription{R"({"programs": {"C:\\p.exe": {"never_exits": true, "exits_after_ms": 5}}})",
                       "machines/x.json: at /programs/C:\\p.exe/exits_after_ms: not allowed with "
                       "\"never_exits\""},
        BadDescription{R"({"clock": {"local_time": "2024-02-30T10:00:00"}})",
                       "machines/x.json: at /clock/local_time: expected a local time such as "
                       "2024-05-14T09:05:03.250"},
        BadDescription{R"({"token": {"elevated": 1}})",
                       "machines/x.json: at /token/elevated: expected true or false"}));

TEST(DescriptionTest, MalformedJsonNamesTheFileAndTheLine) {
    const auto machine = SimulatedMachine::from_json("{\n  \"disks\": [\n}", "machines/x.json");
    ASSERT_FALSE(machine);
    EXPECT_EQ(machine.error().rfind(
                  "machines/x.json: malformed JSON: parse error at line 3, column 1: ", 0),
              0u)
        << machine.error();
}

TEST(DescriptionTest, UnreadableFileIsNamed) {
    const std::filesystem::path missing =
        std::filesystem::path(MACHINES_DIR) / "no_such_machine.json";
    const auto machine = SimulatedMachine::from_file(missing);
    ASSERT_FALSE(machine);
    EXPECT_EQ(machine.error(), reinterpret_cast<const char*>(missing.u8string().c_str()) +
                                   std::string(": cannot be read"));
}

TEST(DescriptionTest, DefaultMachineLoads) {
    const auto machine =
        SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / "default.json");
    EXPECT_TRUE(machine) << machine.error();
}

TEST(DescriptionTest, EmptyDescriptionIsAWorkingMachine) {
    const auto machine = SimulatedMachine::from_json("{}", "empty");
    EXPECT_TRUE(machine) << machine.error();
}

}  // namespace
