// Recorded replies and clock readings as a captured description plays them
// back, seen in the call log.
#include <gtest/gtest.h>

#include <array>
#include <span>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon {
namespace {

using namespace quartzmon::platform;
using test_support::calls_to;
using test_support::make_machine;

// Two replies recorded for the temperature property: they are played in
// order and the last one again; a property never recorded fails with 50.
TEST(RecordedReplies, PlayInOrderThenRepeatTheLastAndLeaveTheRestToTheDisk) {
    auto machine =
        make_machine(R"({ "disks": [ { "properties": { "StorageDeviceProperty": { "error": 50 } },
        "replay": [
          { "request": { "ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "property_id": 52, "query_type": 0 },
            "out": "28 00 00 00 28", "bytes_returned": 40 },
          { "request": { "ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "property_id": 52, "query_type": 0 },
            "error": 121 } ] } ] })");
    const Handle disk =
        machine->create_file(u"\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ, OPEN_EXISTING, 0);
    for (const std::uint32_t property : {52u, 52u, 52u, 51u}) {
        std::array<std::uint8_t, layout::STORAGE_PROPERTY_QUERY::size> query{};
        put_u32(query, layout::STORAGE_PROPERTY_QUERY::PropertyId, property);
        std::array<std::uint8_t, 64> reply{};
        std::uint32_t bytes = 0;
        machine->device_io_control(disk, IOCTL_STORAGE_QUERY_PROPERTY, query, reply, bytes);
    }
    EXPECT_EQ(
        calls_to(machine->call_log(), {"DeviceIoControl"}),
        (std::vector<std::string>{"DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out "
                                  "64) -> TRUE, 40 bytes, recorded reply 0",
                                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out "
                                  "64) -> FALSE, 0 bytes, recorded reply 1, error 121",
                                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out "
                                  "64) -> FALSE, 0 bytes, recorded reply 1, error 121",
                                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out "
                                  "64) -> FALSE, 0 bytes, error 50"}));
}

// Each recorded reading sets the clock; after the last, time goes on from it.
TEST(RecordedClockReadings, AreAnsweredInOrderThenTimeGoesOnFromTheLast) {
    auto machine = make_machine(R"({ "clock": { "tick_counts": [ 500, 400 ],
        "local_times": [ "2025-01-02T03:04:05.006" ] },
        "programs": { "C:\\p.exe": { "never_exits": true } } })");
    ChildProcess child;
    machine->get_local_time();
    machine->get_tick_count64();
    machine->get_tick_count64();
    machine->create_process_with_output_pipe(u"C:\\p.exe", u"p", 0, child);
    machine->wait_for_single_object(child.process, 250);
    machine->get_tick_count64();
    machine->get_local_time();
    EXPECT_EQ(calls_to(machine->call_log(), {"GetLocalTime", "GetTickCount64"}),
              (std::vector<std::string>{"GetLocalTime() -> 2025-01-02 03:04:05.006",
                                        "GetTickCount64() -> 500", "GetTickCount64() -> 400",
                                        "GetTickCount64() -> 650",
                                        "GetLocalTime() -> 2025-01-02 03:04:05.256"}));
}

}  // namespace
}  // namespace quartzmon
