// The whole document of the default machine, byte for byte. When a change to
// the sensor or the default machine is meant to change it, regenerate it with
//   build/linux/disk_sensor_sim --ipc tests/data/default_machine_document.json
// and review the difference.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "main/entry.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/utf.h"
#include "support/scratch_directory.h"

namespace quartzmon {
namespace {

using platform::simulated::SimulatedMachine;
using test_support::read_file;
using test_support::ScratchDirectory;

TEST(GoldenDocument, TheDefaultMachineGivesTheCheckedInDocument) {
    auto machine =
        SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / "default.json");
    ASSERT_TRUE(machine.has_value()) << machine.error();
    ScratchDirectory dir;
    const std::string path = (dir.path() / "document.json").string();
    const std::vector<std::u16string> arguments{u"disk_sensor.exe", u"--ipc",
                                                platform::utf8_to_utf16(path)};

    EXPECT_EQ(run_sensor(**machine, arguments), 0);

    const std::string document = read_file(path);
    const std::string expected =
        read_file(std::filesystem::path(TEST_DATA_DIR) / "default_machine_document.json");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(document, expected);

    const auto parsed = nlohmann::ordered_json::parse(document);
    EXPECT_EQ(parsed["disks"].size(), 7u);
    EXPECT_EQ(parsed["logs"].size(), 2u + parsed["disks"].size());
}

TEST(SixteenDisks, EveryDiskHasARecordInADocumentThatParses) {
    auto machine =
        SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / "sixteen_disks.json");
    ASSERT_TRUE(machine.has_value()) << machine.error();
    ScratchDirectory dir;
    const std::string path = (dir.path() / "document.json").string();
    const std::vector<std::u16string> arguments{u"disk_sensor.exe", u"--ipc",
                                                platform::utf8_to_utf16(path)};

    EXPECT_EQ(run_sensor(**machine, arguments), 0);

    const auto parsed = nlohmann::ordered_json::parse(read_file(path));
    EXPECT_EQ(parsed["disks"].size(), 16u);
}

}  // namespace
}  // namespace quartzmon
