// The bytes the two SMART providers send, read back from the simulated
// machine's call log: the ATA_PASS_THROUGH_EX request as the handler decoded
// it, and each of the seven command blocks in both SCSI pass-through forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/disk/providers/ata_smart.h"
#include "sensors/disk/providers/usb_sat_bridge.h"
#include "support/call_log.h"
#include "support/machine.h"
#include "support/records.h"

namespace quartzmon::sensors::disk::providers {
namespace {

// Each DeviceIoControl line from its IOCTL name on.
std::vector<std::string> requests(const std::vector<std::string>& log) {
    std::vector<std::string> lines;
    for (const std::string& line : test_support::calls_to(log, {"DeviceIoControl"}))
        lines.push_back(line.substr(line.find("IOCTL_")));
    return lines;
}

TEST(SmartRequests, AtaPassThroughRequest) {
    auto machine = test_support::make_machine(R"({"disks": [{}]})");
    ASSERT_TRUE(AtaSmartProvider(*machine).query(test_support::sata_disk()));
    EXPECT_EQ(requests(machine->call_log()),
              (std::vector<std::string>{
                  "IOCTL_ATA_PASS_THROUGH, in 560, out 560) -> TRUE, 560 bytes, flags 0x3, 512 "
                  "bytes at 48, timeout 3, task file D0 01 01 4F C2 A0 B0, status 50 error 00"}));
}

// A bridge that accepts no command block answers each with CHECK CONDITION,
// so every row goes out direct and then buffered.
TEST(SmartRequests, SevenCommandBlocksInBothForms) {
    auto machine = test_support::make_machine(
        R"({"disks": [{"properties": {"StorageDeviceProperty": {"bus_type": 7}},
                       "sat_bridge": {"dialects": []}}]})");
    const std::vector<std::string> blocks{"85 08 0E 00 D0 00 01 00 01 00 4F 00 C2 00 B0 00",
                                          "A1 08 0E D0 01 01 4F C2 00 B0 00 00",
                                          "A1 1C 0E D0 01 01 4F C2 00 B0 00 00",
                                          "DF 10 00 02 00 D0 01 01 4F C2 00 B0",
                                          "F8 00 22 10 01 D0 01 00 4F C2 00 B0",
                                          "D8 15 00 D0 06 7B 00 00 02 00 01 00 4F C2 00 B0",
                                          "24 24 00 BE 01 00 D0 00 00 4F C2 00 B0 00 00 00"};
    std::vector<std::string> expected;
    for (const std::string& cdb : blocks) {
        const std::string answer = ") -> TRUE, 74 bytes, CDB " + cdb + " (not accepted), status 2";
        expected.push_back("IOCTL_SCSI_PASS_THROUGH_DIRECT, in 88, out 88" + answer);
        expected.push_back("IOCTL_SCSI_PASS_THROUGH, in 600, out 600" + answer);
    }
    ASSERT_TRUE(UsbSatBridgeProvider(*machine).query(test_support::usb_disk("SATA")));
    const std::vector<std::string> sent = requests(machine->call_log());
    // The two temperature property queries come first.
    ASSERT_EQ(sent.size(), 2 + expected.size());
    EXPECT_EQ(std::vector(sent.begin() + 2, sent.end()), expected);
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
