#include "sensors/disk/device/device_handle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/machine.h"

namespace quartzmon::sensors::disk::device {
namespace {

using platform::GENERIC_READ;
using platform::GENERIC_WRITE;

const std::string OPEN = R"(CreateFileW("\\.\PhysicalDrive0", )";
const std::string SHARED_EXISTING = ", 0x3, 3, 0x80) -> ";

// The whole call log of opening disk 0 and letting the handle go.
std::vector<std::string> calls_of_opening(const std::string& open_rules,
                                          const std::vector<std::uint32_t>& access_in_order) {
    auto machine = test_support::make_machine(R"({ "disks": [ { "open": )" + open_rules + " } ] }");
    machine->clear_call_log();
    open_device_trying_in_order(*machine, "\\\\.\\PhysicalDrive0", access_in_order);
    return machine->call_log();
}

TEST(OpenDeviceTryingInOrder, StopsAtTheFirstAccessThatOpensAndReadsNoError) {
    struct Case {
        const char* name;
        std::string open_rules;
        std::vector<std::uint32_t> access_in_order;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"first opens",
         "{}",
         {GENERIC_READ, 0},
         {OPEN + "0x80000000" + SHARED_EXISTING + "handle 0x100", "CloseHandle(0x100) -> TRUE"}},
        {"second opens",
         R"({ "0x80000000": 5 })",
         {GENERIC_READ, 0},
         {OPEN + "0x80000000" + SHARED_EXISTING + "INVALID_HANDLE_VALUE, error 5",
          OPEN + "0x0" + SHARED_EXISTING + "handle 0x100", "CloseHandle(0x100) -> TRUE"}},
        {"none opens",
         R"({ "other": 2 })",
         {0, GENERIC_READ | GENERIC_WRITE},
         {OPEN + "0x0" + SHARED_EXISTING + "INVALID_HANDLE_VALUE, error 2",
          OPEN + "0xC0000000" + SHARED_EXISTING + "INVALID_HANDLE_VALUE, error 2"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(calls_of_opening(c.open_rules, c.access_in_order), c.calls) << c.name;
}

TEST(OpenDeviceWithBestAccess, ReportsTheErrorOfTheLastAttempt) {
    auto machine = test_support::make_machine(
        R"({ "disks": [ { "open": { "0xC0000000": 5, "0x80000000": 5, "0x0": 2 } } ] })");
    machine->clear_call_log();
    const auto device = open_device_with_best_access(*machine, "\\\\.\\PhysicalDrive0");
    ASSERT_FALSE(device);
    EXPECT_EQ(device.error(), 2u);
    EXPECT_EQ(machine->call_log().size(), 4u);
    EXPECT_EQ(machine->call_log().back(), "GetLastError() -> 2");
}

}  // namespace
}  // namespace quartzmon::sensors::disk::device
