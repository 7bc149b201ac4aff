#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::calls_to;

// An ATA_PASS_THROUGH_EX request for 512 bytes at offset 48 with the given
// registers (features first, command last), followed by the data area.
std::vector<std::uint8_t> ata_request(std::vector<std::uint8_t> registers,
                                      std::uint16_t length = 48, std::uint64_t data_offset = 48) {
    std::vector<std::uint8_t> request(560, 0);
    put_u16(request, 0, length);
    put_u16(request, 2, 0x03);
    put_u32(request, 8, 512);
    put_u32(request, 12, 3);
    put_u64(request, 24, data_offset);
    for (std::size_t i = 0; i < registers.size(); ++i) request[40 + i] = registers[i];
    return request;
}

const std::vector<std::uint8_t> SMART_READ_DATA{0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0};

// The caller passes one buffer as input and output, as Windows allows: the
// reply overwrites the registers it sent, yet the log still shows what was
// sent, because the machine decodes a copy of the request.
TEST(AtaPassThrough, AnswersInTheCallersOneBuffer) {
    auto machine = quartzmon::test_support::make_machine(R"({"disks": [{}]})");
    const Handle disk =
        machine->create_file(u"\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE, 3, 3, 0x80);
    std::vector<std::uint8_t> buffer = ata_request(SMART_READ_DATA);
    std::uint32_t bytes = 0;

    EXPECT_TRUE(machine->device_io_control(disk, IOCTL_ATA_PASS_THROUGH, buffer, buffer, bytes));

    EXPECT_EQ(bytes, 560u);
    EXPECT_EQ(get_u32(buffer, 8), 512u) << "DataTransferLength: what the drive sent";
    EXPECT_EQ(buffer[40], 0x00) << "Error register";
    EXPECT_EQ(buffer[46], 0x50) << "Status register";
    EXPECT_EQ(buffer[48 + 50], 194) << "the drive's temperature attribute in the data area";
    EXPECT_EQ(calls_to(machine->call_log(), {"DeviceIoControl"}),
              (std::vector<std::string>{
                  "DeviceIoControl(0x100, IOCTL_ATA_PASS_THROUGH, in 560, out 560) -> TRUE, 560 "
                  "bytes, flags 0x3, 512 bytes at 48, timeout 3, task file D0 01 01 4F C2 A0 B0, "
                  "status 50 error 00"}));
}

struct RequestCase {
    const char* name;
    const char* disk;
    std::uint32_t access;
    std::vector<std::uint8_t> request;
    std::string logged;  // the DeviceIoControl line from "->" on
};

class AtaPassThroughRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(AtaPassThroughRequest, IsAnsweredAsWindowsDoes) {
    auto machine = quartzmon::test_support::make_machine(std::string(R"({"disks": [)") +
                                                         GetParam().disk + "]}");
    const Handle disk =
        machine->create_file(u"\\\\.\\PhysicalDrive0", GetParam().access, 3, 3, 0x80);
    std::vector<std::uint8_t> in = GetParam().request;
    std::vector<std::uint8_t> out(in.size());
    std::uint32_t bytes = 0;
    machine->device_io_control(disk, IOCTL_ATA_PASS_THROUGH, in, out, bytes);
    const std::string line = calls_to(machine->call_log(), {"DeviceIoControl"}).at(0);
    EXPECT_EQ(line.substr(line.find("-> ")), GetParam().logged);
}

constexpr std::uint32_t READ_WRITE = GENERIC_READ | GENERIC_WRITE;

INSTANTIATE_TEST_SUITE_P(
    Disks, AtaPassThroughRequest,
    ::testing::Values(
        RequestCase{"AbortedCommand", "{}", READ_WRITE,
                    ata_request({0xD1, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0}),
                    "-> TRUE, 48 bytes, flags 0x3, 512 bytes at 48, timeout 3, task file D1 01 01 "
                    "4F C2 A0 B0, status 51 error 04"},
        RequestCase{"HeaderOfAnotherLength", "{}", READ_WRITE, ata_request(SMART_READ_DATA, 40),
                    "-> FALSE, 0 bytes, error 87"},
        RequestCase{"DataOverTheHeader", "{}", READ_WRITE, ata_request(SMART_READ_DATA, 48, 8),
                    "-> FALSE, 0 bytes, error 87"},
        RequestCase{"NoAtaDrive", R"({"properties": {"StorageDeviceProperty": {"bus_type": 17}}})",
                    READ_WRITE, ata_request(SMART_READ_DATA), "-> FALSE, 0 bytes, error 1"}),
    [](const ::testing::TestParamInfo<RequestCase>& test) { return test.param.name; });

}  // namespace
