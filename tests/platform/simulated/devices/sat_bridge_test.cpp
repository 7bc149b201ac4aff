#include "platform/simulated/devices/sat_bridge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/device_data.h"

namespace {

using namespace quartzmon::platform::simulated;
using namespace quartzmon::test_support;

struct BridgeCase {
    const char* name;
    std::string bridge;  // the bridge's description object
    std::string cdb;     // hex
    std::uint8_t status;
    std::string sense;  // hex of the sense bytes
    std::uint32_t transferred;
    std::string decoded;
};

class SatBridgeTest : public ::testing::TestWithParam<BridgeCase> {};

// Each dialect's fields are read at that bridge family's own positions; the
// drive is the default one, which runs SMART READ DATA only.
TEST_P(SatBridgeTest, DecodesTheCommandBlock) {
    const BridgeCase& given = GetParam();
    const auto description = nlohmann::json::parse(given.bridge);
    JsonObject object(description, "/sat_bridge");
    std::vector<std::uint8_t> data_in(512, 0);
    AtaDrive drive = default_ata_drive();
    const ScsiCommandOutcome outcome = execute_on_bridge(read_sat_bridge(object), drive,
                                                         read_hex_bytes(given.cdb, "cdb"), data_in);
    EXPECT_EQ(outcome.status, given.status);
    EXPECT_EQ(outcome.sense, read_hex_bytes(given.sense, "sense"));
    EXPECT_EQ(outcome.data_transferred, given.transferred);
    EXPECT_EQ(outcome.decoded, given.decoded);
}

const std::string ALL = R"({"dialects": ["sat16", "sat12", "asmedia", "jmicron", "sunplus",
                                         "prolific", "cypress"]})";
const std::string ILLEGAL_OPCODE = "70 00 05 00 00 00 00 0A 00 00 00 00 20 00 00 00 00 00";
const std::string INVALID_FIELD = "70 00 05 00 00 00 00 0A 00 00 00 00 24 00 00 00 00 00";

INSTANTIATE_TEST_SUITE_P(
    Dialects, SatBridgeTest,
    ::testing::Values(
        BridgeCase{"Sat16", "{}", "85 08 0E 00 D0 00 01 00 01 00 4F 00 C2 00 B0 00", 0, "", 512,
                   "SAT ATA PASS-THROUGH (16): B0h/D0h"},
        BridgeCase{"Sat12InBytes", "{}", "A1 08 0A D0 40 01 4F C2 00 B0 00 00", 0, "", 64,
                   "SAT ATA PASS-THROUGH (12): B0h/D0h"},
        BridgeCase{"Sat16NotAccepted", R"({"dialects": ["sat12"]})",
                   "85 08 0E 00 D0 00 01 00 01 00 4F 00 C2 00 B0 00", 2, ILLEGAL_OPCODE, 0,
                   "not accepted"},
        BridgeCase{"Sat12WithTheVendorByte", "{}", "A1 1C 0E D0 01 01 4F C2 00 B0 00 00", 2,
                   INVALID_FIELD, 0, "SAT ATA PASS-THROUGH (12): invalid field"},
        BridgeCase{"Sat12ToTheDevice", "{}", "A1 08 06 D0 01 01 4F C2 00 B0 00 00", 2,
                   INVALID_FIELD, 0, "SAT ATA PASS-THROUGH (12): invalid field"},
        BridgeCase{"AsMedia", ALL, "A1 1C 0E D0 01 01 4F C2 00 B0 00 00", 0, "", 512,
                   "ASMedia A1h: B0h/D0h"},
        BridgeCase{"JMicronLengthInBytes", ALL, "DF 10 00 01 00 D0 01 01 4F C2 00 B0", 0, "", 256,
                   "JMicron DFh: B0h/D0h"},
        BridgeCase{"Sunplus", ALL, "F8 00 22 10 01 D0 01 00 4F C2 00 B0", 0, "", 512,
                   "Sunplus F8h: B0h/D0h"},
        BridgeCase{"Prolific", ALL, "D8 15 00 D0 06 7B 00 00 02 00 01 00 4F C2 00 B0", 0, "", 512,
                   "Prolific D8h: B0h/D0h"},
        BridgeCase{"ProlificWithoutCheckWord", ALL,
                   "D8 15 00 D0 00 00 00 00 02 00 01 00 4F C2 00 B0", 2, INVALID_FIELD, 0,
                   "Prolific D8h: invalid field"},
        BridgeCase{"Cypress", ALL, "24 24 00 BE 01 00 D0 00 00 4F C2 00 B0 00 00 00", 0, "", 512,
                   "Cypress ATACB 24h: B0h/D0h"},
        // LBA Mid and High not selected: the drive sees no SMART signature.
        BridgeCase{"CypressWithoutTheSignature", ALL,
                   "24 24 00 86 01 00 D0 00 00 4F C2 00 B0 00 00 00", 2, "72 0B 00 1D 00 00 00 00",
                   0, "Cypress ATACB 24h: B0h/D0h aborted"},
        BridgeCase{"DescribedRejection",
                   R"({"dialects": [], "rejection": {"sense_format": "descriptor",
                       "sense_key": 4, "ascq": 3}})",
                   "A1 08 0E D0 01 01 4F C2 00 B0 00 00", 2, "72 04 20 03 00 00 00 00", 0,
                   "not accepted"},
        BridgeCase{"RejectionWithoutSense",
                   R"({"dialects": [], "rejection": {"sense_format": "none"}})",
                   "DF 10 00 02 00 D0 01 01 4F C2 00 B0", 2, "", 0, "not accepted"},
        BridgeCase{"GoodStatusWithoutData", R"({"dialects": [], "rejection": {"status": 0,
                   "sense_format": "none"}})",
                   "F8 00 22 10 01 D0 01 00 4F C2 00 B0", 0, "", 0, "not accepted"}),
    [](const ::testing::TestParamInfo<BridgeCase>& test) { return test.param.name; });

}  // namespace
