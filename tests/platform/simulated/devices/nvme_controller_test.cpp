#include "platform/simulated/devices/nvme_controller.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/device_data.h"

namespace {

using namespace quartzmon::platform::simulated;
using quartzmon::test_support::counting_hex;

constexpr std::uint8_t SMART_HEALTH_INFORMATION = 0x02;
constexpr NvmeLogResult COMPLETED_512{0x0, 0x00, 512};
constexpr NvmeLogResult INVALID_FIELD{0x0, 0x02, 0};

using Bytes = std::vector<std::pair<std::size_t, std::uint8_t>>;  // data offset, value

struct NvmeCase {
    std::string controller;  // the controller's description object
    std::uint8_t log_identifier;
    std::uint64_t offset;
    std::size_t buffer_size;  // filled with EEh before the command
    NvmeLogResult expected;
    Bytes bytes;
    std::string rejected;  // "place: message" of a refused description
};

NvmeCase answers(std::string controller, std::uint8_t log_identifier, std::uint64_t offset,
                 std::size_t buffer_size, NvmeLogResult expected, Bytes bytes = {}) {
    return {
        std::move(controller), log_identifier, offset, buffer_size, expected, std::move(bytes), ""};
}

NvmeCase rejects(std::string controller, std::string rejected) {
    return {std::move(controller), 0, 0, 0, {}, {}, std::move(rejected)};
}

class NvmeControllerTest : public ::testing::TestWithParam<NvmeCase> {};

TEST_P(NvmeControllerTest, AnswersGetLogPage) {
    const NvmeCase& given = GetParam();
    const auto description = nlohmann::json::parse(given.controller);
    JsonObject object(description, "/controller");
    if (!given.rejected.empty()) {
        try {
            read_nvme_controller(object);
            ADD_FAILURE() << "accepted";
        } catch (const DescriptionError& error) {
            EXPECT_EQ(error.place + ": " + error.message, given.rejected);
        }
        return;
    }
    const NvmeController controller = read_nvme_controller(object);
    std::vector<std::uint8_t> data(given.buffer_size, 0xEE);
    const NvmeLogResult result = get_log_page(controller, given.log_identifier, given.offset, data);
    EXPECT_EQ(result.status_code_type, given.expected.status_code_type);
    EXPECT_EQ(result.status_code, given.expected.status_code);
    EXPECT_EQ(result.bytes_transferred, given.expected.bytes_transferred);
    for (const auto& [offset, value] : given.bytes) EXPECT_EQ(data[offset], value) << offset;
}

const std::string COUNTING_PAGE = R"({"health_log": {"hex": ")" + counting_hex(512) + R"("}})";

INSTANTIATE_TEST_SUITE_P(
    Controllers, NvmeControllerTest,
    ::testing::Values(
        // Default: 310 K, spare 100 over threshold 10, 2 % used, sensors 310 K and 316 K.
        answers("{}", SMART_HEALTH_INFORMATION, 0, 512, COMPLETED_512,
                {{0, 0},
                 {1, 0x36},
                 {2, 0x01},
                 {3, 100},
                 {4, 10},
                 {5, 2},
                 {200, 0x36},
                 {201, 0x01},
                 {202, 0x3C},
                 {203, 0x01},
                 {204, 0},
                 {511, 0}}),
        answers(R"({"health_log": {"critical_warning": 1, "composite_kelvin": 65535,
                    "available_spare": 5, "available_spare_threshold": 6, "percentage_used": 255,
                    "sensors_kelvin": [0, 320, 0, 0, 0, 0, 0, 549]}})",
                SMART_HEALTH_INFORMATION, 0, 512, COMPLETED_512,
                {{0, 1},
                 {1, 0xFF},
                 {2, 0xFF},
                 {3, 5},
                 {4, 6},
                 {5, 255},
                 {200, 0},
                 {202, 0x40},
                 {203, 0x01},
                 {214, 0x25},
                 {215, 0x02},
                 {216, 0}}),
        answers(R"({"health_log": {"sensors_kelvin": []}})", SMART_HEALTH_INFORMATION, 0, 512,
                COMPLETED_512, {{1, 0x36}, {200, 0}, {202, 0}}),
        // The page's last dword, then zeros past its end.
        answers(COUNTING_PAGE, SMART_HEALTH_INFORMATION, 508, 8, {0x0, 0x00, 8},
                {{0, 6}, {3, 9}, {4, 0}, {7, 0}}),
        answers(COUNTING_PAGE, SMART_HEALTH_INFORMATION, 512, 512, INVALID_FIELD, {{0, 0xEE}}),
        answers(COUNTING_PAGE, SMART_HEALTH_INFORMATION, 0x100000000, 512, INVALID_FIELD),
        answers(COUNTING_PAGE, SMART_HEALTH_INFORMATION, 2, 512, INVALID_FIELD),
        // Error Information (01h) is a log page this controller does not have.
        answers("{}", 0x01, 0, 512, {0x1, 0x09, 0}, {{0, 0xEE}}),
        rejects(R"({"health_log": {"hex": ")" + counting_hex(513) + R"("}})",
                "/controller/health_log/hex: expected 512 bytes, got 513"),
        rejects(R"({"health_log": {"sensors_kelvin": [1, 2, 3, 4, 5, 6, 7, 8, 9]}})",
                "/controller/health_log/sensors_kelvin: expected at most 8 elements"),
        rejects(R"({"health_log": {"composite_kelvin": 65536}})",
                "/controller/health_log/composite_kelvin: expected a whole number from 0 to 65535"),
        rejects(R"({"health_log": {"sensors_kelvin": [310, -1]}})",
                "/controller/health_log/sensors_kelvin/1: expected a whole number from 0 to 65535"),
        rejects(R"({"health": {}})", "/controller/health: unknown key")));

}  // namespace
