#include "platform/simulated/devices/nvme_controller.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "support/device_data.h"

namespace {

using namespace quartzmon::platform::simulated;
using namespace quartzmon::test_support;

constexpr std::uint8_t HEALTH_INFORMATION_LOG = 0x02;
constexpr NvmeLogResult COMPLETED_512{0x0, 0x00, 512};
constexpr NvmeLogResult INVALID_FIELD{0x0, 0x02, 0};

struct NvmeCase {
    std::string controller;  // the controller's description object
    std::uint8_t log_identifier;
    std::uint64_t offset;
    std::size_t buffer_size;  // filled with EEh before the command
    NvmeLogResult expected;
    ExpectedData data;
    std::string rejected;  // the description error, when the description is refused
};

NvmeCase answers(std::string controller, std::uint8_t log_identifier, std::uint64_t offset,
                 std::size_t buffer_size, NvmeLogResult expected, ExpectedData data = {}) {
    return {
        std::move(controller), log_identifier, offset, buffer_size, expected, std::move(data), ""};
}

NvmeCase rejects(std::string controller, std::string rejected) {
    return {std::move(controller), 0, 0, 0, {}, {}, std::move(rejected)};
}

class NvmeControllerTest : public ::testing::TestWithParam<NvmeCase> {};

TEST_P(NvmeControllerTest, AnswersGetLogPage) {
    const NvmeCase& given = GetParam();
    const auto description = nlohmann::json::parse(given.controller);
    JsonObject object(description, "/device");
    if (!given.rejected.empty()) {
        EXPECT_EQ(description_error(object, read_nvme_controller), given.rejected);
        return;
    }
    std::vector<std::uint8_t> data(given.buffer_size, 0xEE);
    const NvmeLogResult result =
        get_log_page(read_nvme_controller(object), given.log_identifier, given.offset, data);
    EXPECT_EQ(std::tie(result.status_code_type, result.status_code, result.bytes_transferred),
              std::tie(given.expected.status_code_type, given.expected.status_code,
                       given.expected.bytes_transferred));
    expect_data(data, given.data);
}

const std::string COUNTING_PAGE = R"({"health_log": {"hex": ")" + counting_hex(512) + R"("}})";

INSTANTIATE_TEST_SUITE_P(
    Controllers, NvmeControllerTest,
    ::testing::Values(
        // 310 K, spare 100 over threshold 10, 2 % used; sensors 310 K and 316 K.
        answers("{}", HEALTH_INFORMATION_LOG, 0, 512, COMPLETED_512,
                {{0, "00 3601 64 0A 02 00"}, {200, "3601 3C01 0000"}, {511, "00"}}),
        answers(R"({"health_log": {"critical_warning": 1, "composite_kelvin": 65535,
                    "available_spare": 5, "available_spare_threshold": 6, "percentage_used": 255,
                    "sensors_kelvin": [0, 320, 0, 0, 0, 0, 0, 549]}})",
                HEALTH_INFORMATION_LOG, 0, 512, COMPLETED_512,
                {{0, "01 FFFF 05 06 FF"}, {200, "0000 4001 0000 0000 0000 0000 0000 2502 0000"}}),
        answers(R"({"health_log": {"sensors_kelvin": []}})", HEALTH_INFORMATION_LOG, 0, 512,
                COMPLETED_512, {{1, "3601"}, {200, "0000 0000"}}),
        // The page's last dword, then zeros past its end.
        answers(COUNTING_PAGE, HEALTH_INFORMATION_LOG, 508, 8, {0x0, 0x00, 8},
                {{0, "06070809 00000000"}}),
        answers(COUNTING_PAGE, HEALTH_INFORMATION_LOG, 512, 512, INVALID_FIELD, {{0, "EE"}}),
        answers(COUNTING_PAGE, HEALTH_INFORMATION_LOG, 0x100000000, 512, INVALID_FIELD),
        answers(COUNTING_PAGE, HEALTH_INFORMATION_LOG, 2, 512, INVALID_FIELD),
        // Without the Log Page Offset the offset is not even looked at.
        answers(R"({"log_page_offset": false, "health_log": {"hex": ")" + counting_hex(512) +
                    R"("}})",
                HEALTH_INFORMATION_LOG, 0xFFFFFFFF, 8, {0x0, 0x00, 8}, {{0, "00010203 04050607"}}),
        // Error Information (01h) is a log page this controller does not have.
        answers("{}", 0x01, 0, 512, {0x1, 0x09, 0}, {{0, "EE"}}),
        rejects(R"({"health_log": {"sensors_kelvin": [1, 2, 3, 4, 5, 6, 7, 8, 9]}})",
                "/device/health_log/sensors_kelvin: expected at most 8 elements"),
        rejects(R"({"health_log": {"sensors_kelvin": [310, 65536]}})",
                "/device/health_log/sensors_kelvin/1: expected a whole number from 0 to 65535"),
        rejects(R"({"health_log": {"composite_kelvin": -1}})",
                "/device/health_log/composite_kelvin: expected a whole number from 0 to 65535"),
        rejects(R"({"health": {}})", "/device/health: unknown key")));

}  // namespace
