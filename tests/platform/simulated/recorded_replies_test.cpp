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

// Two data-out requests with one CDB are told apart by what they sent, the
// second as a capture written before kept it, beside the request.
TEST(RecordedReplies, KeyADataOutRequestByWhatItSent) {
    auto machine = make_machine(R"({ "disks": [ { "replay": [
      { "request": { "ioctl": "IOCTL_SCSI_PASS_THROUGH", "cdb": "A1 80", "data_in": 0,
                     "data_transfer_length": 4, "data_out": "06 00 00 00" }, "error": 6 },
      { "request": { "ioctl": "IOCTL_SCSI_PASS_THROUGH", "cdb": "A1 80", "data_in": 0,
                     "data_transfer_length": 4 }, "data_out": "02", "error": 2 } ] } ] })");
    const Handle disk = machine->create_file(u"\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE,
                                             0, OPEN_EXISTING, 0);
    for (const std::uint8_t opcode : {std::uint8_t{2}, std::uint8_t{6}, std::uint8_t{7}}) {
        std::array<std::uint8_t, layout::SCSI_PASS_THROUGH::size + 4> request{};
        put_u8(request, layout::SCSI_PASS_THROUGH::CdbLength, 2);
        put_u8(request, layout::SCSI_PASS_THROUGH::Cdb, 0xA1);
        put_u8(request, layout::SCSI_PASS_THROUGH::Cdb + 1, 0x80);
        put_u32(request, layout::SCSI_PASS_THROUGH::DataTransferLength, 4);
        put_u64(request, layout::SCSI_PASS_THROUGH::DataBufferOffset,
                layout::SCSI_PASS_THROUGH::size);
        put_u8(request, layout::SCSI_PASS_THROUGH::size, opcode);
        std::uint32_t bytes = 0;
        machine->device_io_control(disk, IOCTL_SCSI_PASS_THROUGH, request, request, bytes);
    }
    EXPECT_EQ(calls_to(machine->call_log(), {"DeviceIoControl"}),
              (std::vector<std::string>{
                  "DeviceIoControl(0x100, IOCTL_SCSI_PASS_THROUGH, in 60, out 60) -> FALSE, 0 "
                  "bytes, recorded reply 1, error 2",
                  "DeviceIoControl(0x100, IOCTL_SCSI_PASS_THROUGH, in 60, out 60) -> FALSE, 0 "
                  "bytes, recorded reply 0, error 6",
                  "DeviceIoControl(0x100, IOCTL_SCSI_PASS_THROUGH, in 60, out 60) -> FALSE, 0 "
                  "bytes, error 87"}));
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
