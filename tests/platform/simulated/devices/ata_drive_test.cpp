#include "platform/simulated/devices/ata_drive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "support/device_data.h"

namespace {

using namespace quartzmon::platform::simulated;
using namespace quartzmon::test_support;

// features, count, LBA low, mid, high, device, command
constexpr AtaTaskFile SMART_READ_DATA{0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0};
constexpr AtaResult DATA_IN_512{0x50, 0x00, 512, {}, false};
constexpr AtaResult ABORTED{0x51, 0x04, 0, {}, false};

struct AtaCase {
    std::string drive;  // the drive's description object
    AtaTaskFile task;
    std::size_t buffer_size;  // filled with EEh before the command
    AtaResult expected;
    ExpectedData data_in;
    std::string rejected;  // the description error, when the description is refused
};

AtaCase answers(std::string drive, AtaTaskFile task, std::size_t buffer_size, AtaResult expected,
                ExpectedData data_in = {}) {
    return {std::move(drive), task, buffer_size, expected, std::move(data_in), ""};
}

AtaCase rejects(std::string drive, std::string rejected) {
    return {std::move(drive), {}, 0, {}, {}, std::move(rejected)};
}

class AtaDriveTest : public ::testing::TestWithParam<AtaCase> {};

TEST_P(AtaDriveTest, ExecutesTheTaskFile) {
    const AtaCase& given = GetParam();
    const auto description = nlohmann::json::parse(given.drive);
    JsonObject object(description, "/device");
    if (!given.rejected.empty()) {
        EXPECT_EQ(description_error(object, read_ata_drive), given.rejected);
        return;
    }
    std::vector<std::uint8_t> data_in(given.buffer_size, 0xEE);
    AtaDrive drive = read_ata_drive(object);
    const AtaResult result = execute(drive, given.task, data_in);
    EXPECT_EQ(
        std::tie(result.status, result.error, result.bytes_transferred),
        std::tie(given.expected.status, given.expected.error, given.expected.bytes_transferred));
    expect_data(data_in, given.data_in);
}

std::string with_attributes(int count) {
    std::string list = R"({"id": 1})";
    for (int i = 1; i < count; ++i) list += R"(, {"id": 1})";
    return R"({"smart": {"attributes": [)" + list + "]}}";
}

INSTANTIATE_TEST_SUITE_P(
    Drives, AtaDriveTest,
    ::testing::Values(
        // Revision 16, attributes 1 first and 194 (40 °C) fifth, the checksum, nothing after.
        answers("{}", SMART_READ_DATA, 600, DATA_IN_512,
                {{0, "1000 01 2F00 C8 C8 000000000000 00"},
                 {50, "C2 2200 6E 5F 280000000000 00"},
                 {511, "5E EE"}}),
        answers(R"({"smart": {"revision": 5, "attributes": [
                    {"id": 194, "flags": 34, "current": 100, "worst": 90, "raw": [45, 0, 20, 0, 50, 0]},
                    {"id": 5, "current": 98, "raw": 4294967296}]}})",
                SMART_READ_DATA, 512, DATA_IN_512,
                {{0, "0500 C2 2200 64 5A 2D0014003200 00 05 0000 62 62 000000000100 00 00"},
                 {511, "1C"}}),
        // Hex is replayed as it is, its checksum included.
        answers(R"({"smart": {"hex": ")" + counting_hex(512) + R"("}})", SMART_READ_DATA, 512,
                DATA_IN_512, {{0, "00 01"}, {300, "31"}, {510, "08 09"}}),
        answers("{}", SMART_READ_DATA, 100, {0x50, 0x00, 100, {}, false}, {{0, "1000 01"}}),
        answers("{}", {0xD1, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0}, 512, ABORTED, {{0, "EE"}}),
        answers("{}", {0xD0, 1, 1, 0x00, 0xC2, 0xA0, 0xB0}, 512, ABORTED),
        answers("{}", {0xD0, 1, 1, 0x4F, 0x00, 0xA0, 0xB0}, 512, ABORTED),
        answers("{}", {0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xEC}, 512, ABORTED),
        rejects(R"({"smart": {"hex": ")" + counting_hex(511) + R"("}})",
                "/device/smart/hex: expected 512 bytes, got 511"),
        rejects(R"({"smart": {"hex": ")" + counting_hex(512) + R"(", "revision": 1}})",
                "/device/smart/revision: not allowed with \"hex\""),
        rejects(with_attributes(31), "/device/smart/attributes: expected at most 30 elements"),
        rejects(R"({"smart": {"attributes": [{"id": 5, "raw": [1, 2, 3, 4, 5]}]}})",
                "/device/smart/attributes/0/raw: expected six raw bytes"),
        rejects(R"({"smart": {"attributes": [{"id": 5, "raw": 281474976710656}]}})",
                "/device/smart/attributes/0/raw: expected a whole number from 0 to "
                "281474976710655"),
        rejects(R"({"smrt": {}})", "/device/smrt: unknown key")));

}  // namespace
