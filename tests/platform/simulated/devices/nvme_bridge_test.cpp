#include "platform/simulated/devices/nvme_bridge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/device_data.h"

namespace {

using namespace quartzmon::platform::simulated;
using namespace quartzmon::test_support;

const std::string READ_LOG = "A1 80 00 00 02 00 02 00 00 00 00 00";

struct BridgeCase {
    std::string bridge;  // the bridge's description object
    std::string cdb;
    std::string outcome;  // status, sense, bytes, decoded, request error
    ExpectedData data = {};
};

std::string text_of(const ScsiCommandOutcome& outcome) {
    std::string sense;
    for (const std::uint8_t byte : outcome.sense) sense += std::to_string(byte) + " ";
    return "status " + std::to_string(outcome.status) + " sense [" + sense + "] bytes " +
           std::to_string(outcome.data_transferred) + " decoded \"" + outcome.decoded +
           "\" request error " + std::to_string(outcome.request_error);
}

const std::string REJECTED =
    "status 2 sense [112 0 5 0 0 0 0 10 0 0 0 0 32 0 0 0 0 0 ] bytes 0 "
    "decoded \"\" request error 0";

TEST(NvmeBridge, AnswersTheDescribedCommandBlocks) {
    const std::string reads = R"({ "health_log_commands": [ ")" + READ_LOG + R"(" ],
        "health_log": { "hex": ")" +
                              counting_hex(512) + R"(" } )";
    const std::vector<BridgeCase> cases{
        {reads + "}",
         READ_LOG,
         "status 0 sense [] bytes 512 decoded \"NVMe health log read\" "
         "request error 0",
         {{0, "00010203"}, {508, "06070809"}}},
        // The same bytes in a 16-byte block are another command.
        {reads + "}", READ_LOG + " 00 00 00 00", REJECTED, {{0, "EEEEEEEE"}}},
        {reads + R"(, "uncompleted_commands": [ { "cdb": "E6 02", "error": 121 } ] })", "E6 02",
         "status 0 sense [] bytes 0 decoded \"\" request error 121"},
        {R"({ "other_commands": { "status": 0 } })", "00 00 00 00 00 00",
         "status 0 sense [] bytes 0 decoded \"\" request error 0"},
        {R"({ "other_commands": { "asc": 36, "ascq": 1 } })", "12 00 00 00 24 00",
         "status 2 sense [112 0 5 0 0 0 0 10 0 0 0 0 36 1 0 0 0 0 ] bytes 0 decoded \"\" "
         "request error 0"},
    };
    for (const BridgeCase& given : cases) {
        const auto description = nlohmann::json::parse(given.bridge);
        JsonObject object(description, "/nvme_bridge");
        const NvmeBridge bridge = read_nvme_bridge(object);
        const std::vector<std::uint8_t> cdb = read_hex_bytes(given.cdb, "cdb");
        std::vector<std::uint8_t> data(512, 0xEE);

        EXPECT_EQ(text_of(execute(bridge, cdb, data)), given.outcome) << given.cdb;
        expect_data(data, given.data);
    }
}

TEST(NvmeBridge, CommandBlocksHoldOneToSixteenBytes) {
    const auto description = nlohmann::json::parse(
        R"({ "health_log_commands": [ "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" ] })");
    JsonObject object(description, "/nvme_bridge");
    EXPECT_EQ(description_error(object, read_nvme_bridge),
              "/nvme_bridge/health_log_commands/0: expected a command block of 1 to 16 bytes");
}

}  // namespace
