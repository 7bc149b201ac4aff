#include "sensors/disk/device/scsi_pass_through.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/description/device_request.h"
#include "platform/recording/recording_platform.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk::device {
namespace {

// TEST UNIT READY: six zero bytes, no data; any target can be asked.
ScsiCommand test_unit_ready() {
    return ScsiCommand{{}, 6, 0};
}

std::string sense_text(const SenseValues& sense) {
    const auto text = [](const std::optional<std::uint8_t>& v) {
        return v ? std::to_string(*v) : std::string("None");
    };
    return text(sense.sense_key) + "/" + text(sense.asc) + "/" + text(sense.ascq);
}

struct SenseCase {
    std::vector<std::uint8_t> sense;
    std::string decoded;
};

TEST(ScsiSense, DecodesByResponseCode) {
    std::vector<std::uint8_t> fixed(32, 0), deferred(32, 0), descriptor(32, 0), none(32, 0);
    std::vector<std::uint8_t> descriptor_deferred(32, 0);
    descriptor_deferred[0] = 0x73, descriptor_deferred[1] = 0x04, descriptor_deferred[2] = 0x44;
    descriptor_deferred[12] = 0x20;
    fixed[0] = 0xF0, fixed[2] = 0x25, fixed[12] = 0x20, fixed[13] = 0x01;  // valid bit set
    deferred[0] = 0x71, deferred[2] = 0x03, deferred[12] = 0x11;
    descriptor[0] = 0x72, descriptor[1] = 0x15, descriptor[2] = 0x24, descriptor[3] = 0x02;
    descriptor[13] = 0x09;
    none[2] = 0x05;
    const std::vector<SenseCase> cases{
        {fixed, "5/32/1"},
        {deferred, "3/17/0"},
        {descriptor, "5/36/2"},
        {descriptor_deferred, "4/68/0"},
        {none, "None/None/None"},
    };
    for (const SenseCase& c : cases) {
        EXPECT_EQ(sense_text(decode_sense(c.sense)), c.decoded);
    }
}

// A disk with nothing behind it rejects the command in either form; a form
// the driver refuses fails before the device sees it, and so does a request
// on a handle without read and write access.
TEST(ScsiPassThrough, SendsBothFormsAndReadsStatusAndSense) {
    auto machine = test_support::make_machine(
        R"({ "disks": [ { "scsi_pass_through": { "buffered_error": 50 } } ] })");
    auto device = open_device(*machine, "\\\\.\\PhysicalDrive0",
                              platform::GENERIC_READ | platform::GENERIC_WRITE);
    auto read_only = open_device(*machine, "\\\\.\\PhysicalDrive0", platform::GENERIC_READ);
    ASSERT_TRUE(device && read_only);
    DirectDataBlock<512> data{};
    data.fill(0xEE);

    const ScsiReply direct = send_scsi_direct(*device, {{0x12, 0, 0, 0, 0x24}, 6, 512}, data);
    EXPECT_TRUE(direct.call.succeeded);
    EXPECT_EQ(direct.scsi_status, 2);
    EXPECT_EQ(sense_text(decode_sense(direct.sense)), "5/32/0");
    EXPECT_EQ(data, (std::array<std::uint8_t, 512>{})) << "the data buffer is zeroed first";

    const ScsiReply buffered = send_scsi_buffered(*device, test_unit_ready());
    EXPECT_FALSE(buffered.call.succeeded);
    EXPECT_EQ(buffered.call.win32_error, 50u);
    EXPECT_EQ(send_scsi_direct(*read_only, test_unit_ready(), {}).call.win32_error, 5u);

    EXPECT_EQ(test_support::calls_to(machine->call_log(), {"DeviceIoControl"}),
              (std::vector<std::string>{
                  "DeviceIoControl(0x100, IOCTL_SCSI_PASS_THROUGH_DIRECT, in 88, out 88) -> TRUE, "
                  "74 bytes, CDB 12 00 00 00 24 00, status 2",
                  "DeviceIoControl(0x100, IOCTL_SCSI_PASS_THROUGH, in 88, out 88) -> FALSE, 0 "
                  "bytes, CDB 00 00 00 00 00 00, error 50",
                  "DeviceIoControl(0x104, IOCTL_SCSI_PASS_THROUGH_DIRECT, in 88, out 88) -> FALSE, "
                  "0 bytes, error 5",
              }));
}

// What each form sends for a data-out command, and that the direct form's
// length is its block's, as the request reaches the driver; the block sits
// one byte into a struct, so only its own alignment keeps it reachable.
TEST(ScsiPassThrough, SendsDataOutAndTheDirectBlocksLength) {
    auto machine = test_support::make_machine(
        R"({ "disks": [ { "scsi_pass_through": { "alignment_mask": 15 } } ] })");
    platform::recording::RecordingPlatform recorder(*machine);
    auto device = open_device(recorder, "\\\\.\\PhysicalDrive0",
                              platform::GENERIC_READ | platform::GENERIC_WRITE);
    ASSERT_TRUE(device);
    struct {
        std::uint8_t before;
        DirectDataBlock<16> block;
    } placed{0, {{0x4E, 0x56}}};
    const ScsiCommand command{{0xA1, 0x80}, 12, 512, ScsiDataDirection::Out};
    send_scsi_direct(*device, command, placed.block);
    send_scsi_buffered(*device, command, placed.block);
    std::vector<std::string> sent;
    for (const auto& call : recorder.calls())
        if (call.function == platform::recording::Function::DeviceIoControl)
            sent.push_back(
                platform::description::device_request_key(call.code, call.input, call.direct_data)
                    .dump() +
                (call.result ? "" : " refused"));
    EXPECT_EQ(
        sent,
        (std::vector<std::string>{
            R"({"cdb":"A1 80 00 00 00 00 00 00 00 00 00 00","data_in":0,"data_out":"4E 56","data_transfer_length":16,"ioctl":"IOCTL_SCSI_PASS_THROUGH_DIRECT"})",
            R"({"cdb":"A1 80 00 00 00 00 00 00 00 00 00 00","data_in":0,"data_out":"4E 56","data_transfer_length":512,"ioctl":"IOCTL_SCSI_PASS_THROUGH"})"}));
    EXPECT_EQ(placed.block[0], 0x4E) << "a data-out block is left as it was";
}

}  // namespace
}  // namespace quartzmon::sensors::disk::device
