#include "sensors/disk/device/nvme_bridge_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/description/hex_text.h"

namespace quartzmon::sensors::disk::device {
namespace {

using platform::description::hex_text;

// The CDB as sent, its data length and direction; for data out, the payload's
// nonzero dwords as "offset: bytes".
std::string request_text(const ScsiCommand& command, std::span<const std::uint8_t> payload = {}) {
    std::string text = hex_text(std::span(command.cdb).first(command.cdb_length)) + " | " +
                       std::to_string(command.data_length) +
                       (command.direction == ScsiDataDirection::In ? " in" : " out");
    for (std::size_t at = 0; at + 4 <= payload.size(); at += 4) {
        if (platform::get_u32(payload, at) != 0)
            text += " | " + std::to_string(at) + ": " + hex_text(payload.subspan(at, 4));
    }
    return text;
}

TEST(NvmeBridgeCommands, EncodeTheHealthLogReadAsEachFamilyPublishesIt) {
    const NvmeAdminCommand log = health_log_command();
    EXPECT_EQ(request_text(asmedia_command(log)),
              "E6 02 00 02 00 00 00 7F 00 00 00 00 00 00 00 00 | 512 in");
    EXPECT_EQ(request_text(realtek_command(log)),
              "E4 00 02 02 02 00 00 00 00 00 00 00 00 00 00 00 | 512 in");
    EXPECT_EQ(request_text(jmicron_command_phase(log), jmicron_command_block(log)),
              "A1 80 00 00 02 00 00 00 00 00 00 00 | 512 out | 0: 4E 56 4D 45 | 8: 02 00 00 00 | "
              "12: FF FF FF FF | 48: 02 00 7F 00");
    EXPECT_EQ(request_text(jmicron_data_phase(log)),
              "A1 82 00 00 02 00 00 00 00 00 00 00 | 512 in");
    EXPECT_EQ(request_text(jmicron_response_phase()),
              "A1 8F 00 00 02 00 00 00 00 00 00 00 | 512 in");
}

// Completion dword 3 sits in bytes 20-23: the Status Field in bits 17-31, the
// phase tag in bit 16.
TEST(NvmeBridgeCommands, ReadTheJmicronCompletion) {
    struct Case {
        std::uint32_t signature;
        std::uint32_t dword3;
        std::size_t size;
        bool succeeded;
    };
    for (const Case& c : {Case{0x454D564E, 0, 512, true}, Case{0x454D564E, 0x00010000, 512, true},
                          Case{0x454D564E, 0x00020000, 512, false}, Case{0, 0, 512, false},
                          Case{0x454D564E, 0, 24, false}}) {
        std::vector<std::uint8_t> response(c.size, 0);
        platform::put_u32(response, 0, c.signature);
        platform::put_u32(response, 20, c.dword3);
        EXPECT_EQ(jmicron_completion_succeeded(response), c.succeeded)
            << std::hex << c.signature << " " << c.dword3 << " " << c.size;
    }
}

}  // namespace
}  // namespace quartzmon::sensors::disk::device
