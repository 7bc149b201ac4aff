#include "platform/simulated/devices/nvme_bridge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/description/hex_text.h"

namespace {

using namespace quartzmon::platform;
using namespace quartzmon::platform::simulated;

// A JMicron command block: signature, opcode (dword 2), NSID (dword 3), CDW10
// (dword 12).
std::vector<std::uint8_t> jmicron_block(std::uint32_t signature, std::uint32_t cdw10) {
    std::vector<std::uint8_t> block(512, 0);
    put_u32(block, 0, signature);
    put_u32(block, 8, 0x02);
    put_u32(block, 12, 0xFFFFFFFF);
    put_u32(block, 48, cdw10);
    return block;
}

const std::vector<std::uint8_t> GET_HEALTH_LOG = jmicron_block(0x454D564E, 0x007F0002);
const std::vector<std::uint8_t> GET_LOG_03 = jmicron_block(0x454D564E, 0x007F0003);
const std::vector<std::uint8_t> UNSIGNED = jmicron_block(0, 0x007F0002);

// One command: its block, and for data out what it sends (otherwise it reads
// 512 bytes).
struct Sent {
    std::string cdb;
    std::vector<std::uint8_t> data_out = {};
};

const std::string COMMAND_PHASE = "A1 80 00 00 02 00 00 00 00 00 00 00";
const Sent SEND_COMMAND{COMMAND_PHASE, GET_HEALTH_LOG};
const Sent DATA_PHASE{"A1 82 00 00 02 00 00 00 00 00 00 00"};
const Sent RESPONSE_PHASE{"A1 8F 00 00 02 00 00 00 00 00 00 00"};

struct FamilyCase {
    std::string family;
    std::vector<Sent> commands;  // the last one's answer is checked
    // Status, sense key/ASC, bytes moved, what the firmware understood, then
    // data bytes 0-3 and 20-23 (a page starts 00 3E 01 at 318 K; a JMicron
    // response has the signature, and the Status Field in bits 17-31 of
    // bytes 20-23, the phase tag in bit 16).
    std::string expected;
};

std::string outcome_text(const ScsiCommandOutcome& outcome, std::span<const std::uint8_t> data) {
    std::string text = std::to_string(outcome.status);
    if (outcome.sense.size() > 12)
        text += " " + description::hex_text(std::vector{outcome.sense[2], outcome.sense[12]});
    text += ", " + std::to_string(outcome.data_transferred) + ", " + outcome.decoded;
    if (data.size() == 512 && outcome.data_transferred > 0)
        text += " | " + description::hex_text(data.first(4)) + " / " +
                description::hex_text(data.subspan(20, 4));
    return text;
}

const std::string INVALID_FIELD = "2 05 24, 0, ";
const std::string UNKNOWN_OPCODE = "2 05 20, 0, ";

// Each family's published read, the three blocks an earlier guess at the
// layouts sent, and the malformed variants.
const std::vector<FamilyCase> CASES{
    {"asmedia",
     {{"E6 02 00 02 00 00 00 7F 00 00 00 00 00 00 00 00"}},
     "0, 512, ASMedia E6h: opcode 02h, CDW10 0x7F0002 | 00 3E 01 64 / 00 00 00 00"},
    {"asmedia",
     {{"E6 02 00 00 80 01 02 00 7F 00 00 00 00 00 00 00"}},
     INVALID_FIELD + "ASMedia E6h: invalid field"},
    {"asmedia",
     {{"E6 02 00 03 00 00 00 7F 00 00 00 00 00 00 00 00"}},
     INVALID_FIELD + "ASMedia E6h: invalid field"},
    {"asmedia",
     {{"E6 02 00 02 00 00 00 3F 00 00 00 00 00 00 00 00"}},
     INVALID_FIELD + "ASMedia E6h: invalid field"},
    {"realtek",
     {{"E4 00 02 02 02 00 00 00 00 00 00 00 00 00 00 00"}},
     "0, 512, Realtek E4h: opcode 02h, CDW10 0x7F0002 | 00 3E 01 64 / 00 00 00 00"},
    {"realtek", {{"FC 02 00 02 00 00 02 00 00 00 00 00 00 00 00 00"}}, UNKNOWN_OPCODE},
    {"realtek",
     {{"E4 00 01 02 02 00 00 00 00 00 00 00 00 00 00 00"}},
     INVALID_FIELD + "Realtek E4h: invalid field"},
    {"jmicron",
     {SEND_COMMAND, DATA_PHASE},
     "0, 512, JMicron A1h: data in | 00 3E 01 64 / 00 00 00 00"},
    {"jmicron",
     {SEND_COMMAND, DATA_PHASE, RESPONSE_PHASE},
     "0, 512, JMicron A1h: response, status 0x0 | 4E 56 4D 45 / 00 00 01 00"},
    {"jmicron",
     {{COMMAND_PHASE, GET_LOG_03}, DATA_PHASE, RESPONSE_PHASE},
     "0, 512, JMicron A1h: response, status 0x109 | 4E 56 4D 45 / 00 00 13 02"},
    {"jmicron",
     {{"A1 80 00 00 02 00 02 00 00 00 00 00"}},
     INVALID_FIELD + "JMicron A1h: invalid field"},
    {"jmicron", {{COMMAND_PHASE, UNSIGNED}}, INVALID_FIELD + "JMicron A1h: invalid field"},
    {"jmicron", {DATA_PHASE}, INVALID_FIELD + "JMicron A1h: invalid field"},
    {"jmicron", {SEND_COMMAND, RESPONSE_PHASE}, INVALID_FIELD + "JMicron A1h: invalid field"},
    {"jmicron",
     {SEND_COMMAND, DATA_PHASE, DATA_PHASE},
     INVALID_FIELD + "JMicron A1h: invalid field"},
    {"jmicron",
     {SEND_COMMAND, DATA_PHASE, RESPONSE_PHASE, RESPONSE_PHASE},
     INVALID_FIELD + "JMicron A1h: invalid field"},
};

TEST(NvmeBridgeFamilies, DecodeThePublishedLayouts) {
    for (const FamilyCase& given : CASES) {
        const auto description = nlohmann::json::parse(
            R"({"family": ")" + given.family + R"(", "health_log": {"composite_kelvin": 318}})");
        JsonObject object(description, "/nvme_bridge");
        const NvmeBridge bridge = read_nvme_bridge(object);
        ScsiCommandOutcome outcome;
        std::vector<std::uint8_t> data_in;
        for (const Sent& sent : given.commands) {
            data_in.assign(sent.data_out.empty() ? 512 : 0, 0);
            outcome = execute(bridge, read_hex_bytes(sent.cdb, "cdb"), sent.data_out, data_in);
        }
        EXPECT_EQ(outcome_text(outcome, data_in), given.expected)
            << given.family << ": " << given.commands.back().cdb;
    }
}

}  // namespace
