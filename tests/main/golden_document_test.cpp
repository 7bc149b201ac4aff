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

// The document a whole run writes on one of the machines in machines/.
std::string document_of(const char* machine_file) {
    auto machine = SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / machine_file);
    EXPECT_TRUE(machine.has_value()) << machine.error();
    if (!machine) return {};
    ScratchDirectory dir;
    const std::string path = (dir.path() / "document.json").string();
    const std::vector<std::u16string> arguments{u"disk_sensor.exe", u"--ipc",
                                                platform::utf8_to_utf16(path)};
    EXPECT_EQ(run_sensor(**machine, arguments), 0);
    return read_file(path);
}

TEST(GoldenDocument, TheDefaultMachineGivesTheCheckedInDocument) {
    const std::string document = document_of("default.json");
    const std::string expected =
        read_file(std::filesystem::path(TEST_DATA_DIR) / "default_machine_document.json");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(document, expected);

    const auto parsed = nlohmann::ordered_json::parse(document);
    EXPECT_EQ(parsed["disks"].size(), 10u);
    EXPECT_EQ(parsed["logs"].size(), 2u + parsed["disks"].size());
}

TEST(SixteenDisks, EveryDiskHasARecordInADocumentThatParses) {
    const auto parsed = nlohmann::ordered_json::parse(document_of("sixteen_disks.json"));
    EXPECT_EQ(parsed["disks"].size(), 16u);
}

}  // namespace
}  // namespace quartzmon
