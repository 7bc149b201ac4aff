#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/bytes.h"
#include "platform/description/hex_text.h"
#include "platform/windows_layouts.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
namespace spt = layout::SCSI_PASS_THROUGH;
using quartzmon::platform::description::bytes_of_hex_text;
using quartzmon::platform::description::hex_text;

constexpr std::size_t DATA_AREA = 88;
constexpr std::uint32_t DATA_LENGTH = 512;

// SMART READ DATA through SAT ATA PASS-THROUGH (12), data in; the JMicron
// command phase with its block ("NVME", Get Log Page, all namespaces, log 02h),
// data out; TEST UNIT READY, which a disk with nothing behind it refuses.
const char* const SMART_READ = "A1 08 0E D0 01 01 4F C2 00 B0 00 00";
const char* const JMICRON_COMMAND = "A1 80 00 00 02 00 00 00 00 00 00 00";
const char* const TEST_UNIT_READY = "00 00 00 00 00 00";
const char* const JMICRON_BLOCK = "4E 56 4D 45 00 00 00 00 02 00 00 00 FF FF FF FF";

struct Row {
    const char* name;
    const char* disk;
    bool direct;
    const char* cdb;
    std::vector<std::pair<std::size_t, std::uint8_t>> bits_flipped;  // in the built request
    std::string answered;  // the call-log line from "->" on, then what the caller's buffers hold
};

// A request with a 32-byte sense area at 56 and 512 bytes of data at 88
// (buffered) or in an aligned buffer of its own (direct); data out sends the
// JMicron block. A row then flips bits of the request to break one rule
// (56 ^ 48 makes Length 48; 8 at DataBuffer moves the buffer 8 bytes on).
struct Sent {
    std::vector<std::uint8_t> request = std::vector<std::uint8_t>(DATA_AREA + DATA_LENGTH);
    alignas(16) std::array<std::uint8_t, DATA_LENGTH + 16> buffer{};

    explicit Sent(const Row& row) {
        const std::vector<std::uint8_t> cdb = *bytes_of_hex_text(row.cdb);
        const bool data_out = row.cdb == JMICRON_COMMAND;
        put_u16(request, spt::Length, spt::size);
        put_u8(request, spt::CdbLength, static_cast<std::uint8_t>(cdb.size()));
        put_u8(request, spt::SenseInfoLength, 32);
        put_u8(request, spt::DataIn,
               data_out ? layout::SCSI_IOCTL_DATA_OUT : layout::SCSI_IOCTL_DATA_IN);
        put_u32(request, spt::DataTransferLength, DATA_LENGTH);
        put_u32(request, spt::TimeOutValue, 3);
        put_u64(request, spt::DataBufferOffset,
                row.direct ? reinterpret_cast<std::uintptr_t>(buffer.data()) : DATA_AREA);
        put_u32(request, spt::SenseInfoOffset, spt::size);
        std::ranges::copy(cdb, request.begin() + spt::Cdb);
        if (data_out)
            std::ranges::copy(*bytes_of_hex_text(JMICRON_BLOCK), data(row.direct).begin());
        for (const auto& [offset, bits] : row.bits_flipped) request[offset] ^= bits;
    }
    std::span<std::uint8_t> data(bool direct) {
        return direct ? std::span(buffer) : std::span(request).subspan(DATA_AREA);
    }
};

class ScsiPassThroughRequest : public testing::TestWithParam<Row> {};

TEST_P(ScsiPassThroughRequest, IsAnsweredAsThePortDriverDoes) {
    const Row& row = GetParam();
    auto machine =
        quartzmon::test_support::make_machine(std::string(R"({"disks": [)") + row.disk + "]}");
    const Handle disk = machine->create_file(u"\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE,
                                             3, OPEN_EXISTING, 0);
    Sent sent(row);
    std::uint32_t bytes = 0;
    machine->device_io_control(
        disk, row.direct ? IOCTL_SCSI_PASS_THROUGH_DIRECT : IOCTL_SCSI_PASS_THROUGH, sent.request,
        sent.request, bytes);
    const std::string line =
        quartzmon::test_support::calls_to(machine->call_log(), {"DeviceIoControl"}).at(0);
    EXPECT_EQ(line.substr(line.find("-> ")) + " | sense " +
                  std::to_string(get_u8(sent.request, spt::SenseInfoLength)) + ", length " +
                  std::to_string(get_u32(sent.request, spt::DataTransferLength)) + ", data " +
                  hex_text(sent.data(row.direct).first(4)),
              row.answered);
}

// The port driver's refusal, with the caller's buffers as it sent them.
const char* const REFUSED = "-> FALSE, 0 bytes, error 87 | sense 32, length 512, data 00 00 00 00";
const char* const SAT = R"({"sat_bridge": {"dialects": ["sat12"]}})";
const char* const JMICRON = R"({"nvme_bridge": {"family": "jmicron"}})";

const char* const SMART_READ_ANSWERED =
    "CDB A1 08 0E D0 01 01 4F C2 00 B0 00 00 (SAT ATA PASS-THROUGH (12): B0h/D0h), status 0 | "
    "sense 0, length 512, data 10 00 01 2F";
const char* const JMICRON_ANSWERED =
    "-> TRUE, 56 bytes, CDB A1 80 00 00 02 00 00 00 00 00 00 00 (JMicron A1h: command opcode 02h, "
    "CDW10 0x0), status 0 | sense 0, length 512, data 4E 56 4D 45";
const char* const ALIGNED_TO_16 =
    R"({"sat_bridge": {"dialects": ["sat12"]}, "scsi_pass_through": {"alignment_mask": 15}})";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Requests, ScsiPassThroughRequest, testing::Values(
    Row{"DirectDataIn", SAT, true, SMART_READ, {}, std::string("-> TRUE, 56 bytes, ") + SMART_READ_ANSWERED},
    Row{"BufferedDataIn", SAT, false, SMART_READ, {}, std::string("-> TRUE, 600 bytes, ") + SMART_READ_ANSWERED},
    Row{"DirectDataOut", JMICRON, true, JMICRON_COMMAND, {}, JMICRON_ANSWERED},
    Row{"BufferedDataOut", JMICRON, false, JMICRON_COMMAND, {}, JMICRON_ANSWERED},
    Row{"SenseCutToItsArea", "{}", false, TEST_UNIT_READY, {{spt::SenseInfoLength, 32 ^ 8}},
        "-> TRUE, 64 bytes, CDB 00 00 00 00 00 00, status 2 | sense 8, length 0, data 00 00 00 00"},
    Row{"HeaderOfAnotherLength", "{}", false, TEST_UNIT_READY, {{spt::Length, 56 ^ 48}}, REFUSED},
    Row{"CdbLongerThanItsField", "{}", false, TEST_UNIT_READY, {{spt::CdbLength, 6 ^ 17}}, REFUSED},
    Row{"SenseOutsideTheBuffer", "{}", false, TEST_UNIT_READY, {{spt::SenseInfoOffset + 1, 3}}, REFUSED},
    Row{"DataOutsideTheBuffer", SAT, false, SMART_READ, {{spt::DataBufferOffset + 1, 2}}, REFUSED},
    Row{"DirectBufferTheAdapterCannotReach", ALIGNED_TO_16, true, SMART_READ, {{spt::DataBufferOffset, 8}}, REFUSED}),
    [](const testing::TestParamInfo<Row>& row) { return row.param.name; });
// clang-format on

}  // namespace
