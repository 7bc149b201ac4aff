#include "platform/simulated/devices/nvme_bridge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace {

using namespace quartzmon::platform;
using namespace quartzmon::platform::simulated;

// One command to the bridge: its block, and for data out the block sent
// (empty: a data-in command of 512 bytes).
struct Sent {
    std::string cdb;
    std::vector<std::uint8_t> data_out = {};
};

struct FamilyCase {
    const char* name;
    std::string family;
    std::vector<Sent> commands;  // the last one's answer is checked
    std::uint8_t status;
    std::uint8_t asc;  // of ILLEGAL REQUEST, when the status is CHECK CONDITION
    std::string decoded;
    std::uint32_t response_status_field = 0;  // what a JMicron response reports
};

// The controller's page at 318 K starts 00 3E 01; the JMicron response
// carries the signature and the completion's Status Field in bits 17-31 of
// its dword 5.
constexpr std::uint8_t PAGE_KELVIN_LOW = 0x3E;
constexpr std::uint32_t SIGNATURE = 0x454D564E;

std::vector<std::uint8_t> jmicron_block(std::uint32_t signature, std::uint8_t opcode,
                                        std::uint32_t cdw10) {
    std::vector<std::uint8_t> block(512, 0);
    put_u32(block, 0, signature);
    put_u32(block, 8, opcode);
    put_u32(block, 12, 0xFFFFFFFF);
    put_u32(block, 48, cdw10);
    return block;
}

const Sent JMICRON_COMMAND{"A1 80 00 00 02 00 00 00 00 00 00 00",
                           jmicron_block(SIGNATURE, 0x02, 0x007F0002)};
const Sent JMICRON_DATA{"A1 82 00 00 02 00 00 00 00 00 00 00"};
const Sent JMICRON_RESPONSE{"A1 8F 00 00 02 00 00 00 00 00 00 00"};

const std::string ASMEDIA_READ = "E6 02 00 02 00 00 00 7F 00 00 00 00 00 00 00 00";
const std::string REALTEK_READ = "E4 00 02 02 02 00 00 00 00 00 00 00 00 00 00 00";
// The three blocks an earlier guess at the families' layouts sent.
const std::string OLD_ASMEDIA = "E6 02 00 00 80 01 02 00 7F 00 00 00 00 00 00 00";
const std::string OLD_JMICRON = "A1 80 00 00 02 00 02 00 00 00 00 00";
const std::string OLD_REALTEK = "FC 02 00 02 00 00 02 00 00 00 00 00 00 00 00 00";

constexpr std::uint8_t INVALID_OPCODE = 0x20;
constexpr std::uint8_t INVALID_FIELD = 0x24;

class NvmeBridgeFamilyTest : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(NvmeBridgeFamilyTest, DecodesThePublishedLayout) {
    const FamilyCase& given = GetParam();
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
    EXPECT_EQ(outcome.status, given.status);
    EXPECT_EQ(outcome.decoded, given.decoded);
    if (given.status != SCSI_STATUS_GOOD) {
        EXPECT_EQ(outcome.sense, fixed_format_sense(SENSE_KEY_ILLEGAL_REQUEST, given.asc, 0));
        return;
    }
    const std::string last = given.commands.back().cdb;
    if (last == ASMEDIA_READ || last == REALTEK_READ || last == JMICRON_DATA.cdb) {
        EXPECT_EQ(outcome.data_transferred, 512u);
        EXPECT_EQ(data_in[1], PAGE_KELVIN_LOW);
    } else if (last == JMICRON_RESPONSE.cdb) {
        EXPECT_EQ(get_u32(data_in, 0), SIGNATURE);
        EXPECT_EQ(get_u32(data_in, 20), given.response_status_field << 17);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Families, NvmeBridgeFamilyTest,
    ::testing::Values(
        FamilyCase{"AsmediaRead",
                   "asmedia",
                   {{ASMEDIA_READ}},
                   0,
                   0,
                   "ASMedia E6h: opcode 02h, CDW10 0x7F0002"},
        FamilyCase{"AsmediaOldBlockNamesLog0",
                   "asmedia",
                   {{OLD_ASMEDIA}},
                   2,
                   INVALID_FIELD,
                   "ASMedia E6h: invalid field"},
        FamilyCase{"AsmediaAnotherLog",
                   "asmedia",
                   {{"E6 02 00 03 00 00 00 7F 00 00 00 00 00 00 00 00"}},
                   2,
                   INVALID_FIELD,
                   "ASMedia E6h: invalid field"},
        FamilyCase{"AsmediaAnotherOpcode",
                   "asmedia",
                   {{"E6 06 00 01 00 00 00 7F 00 00 00 00 00 00 00 00"}},
                   2,
                   INVALID_FIELD,
                   "ASMedia E6h: invalid field"},
        FamilyCase{"AsmediaWrongLength",
                   "asmedia",
                   {{"E6 02 00 02 00 00 00 3F 00 00 00 00 00 00 00 00"}},
                   2,
                   INVALID_FIELD,
                   "ASMedia E6h: invalid field"},
        FamilyCase{
            "AsmediaOtherOperationCodes", "asmedia", {{REALTEK_READ}}, 2, INVALID_OPCODE, ""},
        FamilyCase{"RealtekRead",
                   "realtek",
                   {{REALTEK_READ}},
                   0,
                   0,
                   "Realtek E4h: opcode 02h, CDW10 0x7F0002"},
        FamilyCase{"RealtekOldBlock", "realtek", {{OLD_REALTEK}}, 2, INVALID_OPCODE, ""},
        FamilyCase{"RealtekAnotherLog",
                   "realtek",
                   {{"E4 00 02 02 01 00 00 00 00 00 00 00 00 00 00 00"}},
                   2,
                   INVALID_FIELD,
                   "Realtek E4h: invalid field"},
        FamilyCase{"RealtekWrongLength",
                   "realtek",
                   {{"E4 00 01 02 02 00 00 00 00 00 00 00 00 00 00 00"}},
                   2,
                   INVALID_FIELD,
                   "Realtek E4h: invalid field"},
        FamilyCase{"JmicronCommandPhase",
                   "jmicron",
                   {JMICRON_COMMAND},
                   0,
                   0,
                   "JMicron A1h: command opcode 02h, CDW10 0x7F0002"},
        FamilyCase{"JmicronDataPhase",
                   "jmicron",
                   {JMICRON_COMMAND, JMICRON_DATA},
                   0,
                   0,
                   "JMicron A1h: data in"},
        FamilyCase{"JmicronResponse",
                   "jmicron",
                   {JMICRON_COMMAND, JMICRON_DATA, JMICRON_RESPONSE},
                   0,
                   0,
                   "JMicron A1h: response, status 0x0"},
        FamilyCase{"JmicronAnotherLogFailsInTheResponse",
                   "jmicron",
                   {{JMICRON_COMMAND.cdb, jmicron_block(SIGNATURE, 0x02, 0x007F0003)},
                    JMICRON_DATA,
                    JMICRON_RESPONSE},
                   0,
                   0,
                   "JMicron A1h: response, status 0x109",
                   0x109},
        FamilyCase{"JmicronOldBlockSendsNoCommand",
                   "jmicron",
                   {{OLD_JMICRON}},
                   2,
                   INVALID_FIELD,
                   "JMicron A1h: invalid field"},
        FamilyCase{"JmicronWithoutSignature",
                   "jmicron",
                   {{JMICRON_COMMAND.cdb, jmicron_block(0, 0x02, 0x007F0002)}},
                   2,
                   INVALID_FIELD,
                   "JMicron A1h: invalid field"},
        FamilyCase{"JmicronDataBeforeCommand",
                   "jmicron",
                   {JMICRON_DATA},
                   2,
                   INVALID_FIELD,
                   "JMicron A1h: invalid field"},
        FamilyCase{"JmicronResponseBeforeData",
                   "jmicron",
                   {JMICRON_COMMAND, JMICRON_RESPONSE},
                   2,
                   INVALID_FIELD,
                   "JMicron A1h: invalid field"},
        FamilyCase{"JmicronDataTwice",
                   "jmicron",
                   {JMICRON_COMMAND, JMICRON_DATA, JMICRON_DATA},
                   2,
                   INVALID_FIELD,
                   "JMicron A1h: invalid field"},
        FamilyCase{"JmicronSatBlock",
                   "jmicron",
                   {{"A1 08 0E D0 01 01 4F C2 00 B0 00 00"}},
                   2,
                   INVALID_FIELD,
                   "JMicron A1h: invalid field"}),
    [](const ::testing::TestParamInfo<FamilyCase>& param) { return param.param.name; });

}  // namespace
