#include "platform/simulated/devices/ata_drive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/device_data.h"

namespace {

using namespace quartzmon::platform::simulated;
using quartzmon::test_support::counting_hex;

// features, count, LBA low, mid, high, device, command
constexpr AtaTaskFile SMART_READ_DATA{0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0};
constexpr AtaResult DATA_IN_512{0x50, 0x00, 512};
constexpr AtaResult ABORTED{0x51, 0x04, 0};

using Bytes = std::vector<std::pair<std::size_t, std::uint8_t>>;  // data_in offset, value

struct AtaCase {
    std::string drive;  // the drive's description object
    AtaTaskFile task;
    std::size_t buffer_size;  // filled with EEh before the command
    AtaResult expected;
    Bytes bytes;
    std::string rejected;  // "place: message" of a refused description
};

AtaCase answers(std::string drive, AtaTaskFile task, std::size_t buffer_size, AtaResult expected,
                Bytes bytes = {}) {
    return {std::move(drive), task, buffer_size, expected, std::move(bytes), ""};
}

AtaCase rejects(std::string drive, std::string rejected) {
    return {std::move(drive), {}, 0, {}, {}, std::move(rejected)};
}

class AtaDriveTest : public ::testing::TestWithParam<AtaCase> {};

TEST_P(AtaDriveTest, ExecutesTheTaskFile) {
    const AtaCase& given = GetParam();
    const auto description = nlohmann::json::parse(given.drive);
    JsonObject object(description, "/drive");
    if (!given.rejected.empty()) {
        try {
            read_ata_drive(object);
            ADD_FAILURE() << "accepted";
        } catch (const DescriptionError& error) {
            EXPECT_EQ(error.place + ": " + error.message, given.rejected);
        }
        return;
    }
    const AtaDrive drive = read_ata_drive(object);
    std::vector<std::uint8_t> data_in(given.buffer_size, 0xEE);
    const AtaResult result = execute(drive, given.task, data_in);
    EXPECT_EQ(result.status, given.expected.status);
    EXPECT_EQ(result.error, given.expected.error);
    EXPECT_EQ(result.bytes_transferred, given.expected.bytes_transferred);
    for (const auto& [offset, value] : given.bytes) EXPECT_EQ(data_in[offset], value) << offset;
}

std::string attributes(int count) {
    std::string list = R"({"id": 1})";
    for (int i = 1; i < count; ++i) list += R"(, {"id": 1})";
    return R"({"smart": {"attributes": [)" + list + "]}}";
}

INSTANTIATE_TEST_SUITE_P(
    Drives, AtaDriveTest,
    ::testing::Values(
        // Default: revision 16, attributes 1 first and 194 fifth at 40 °C, checksum 94.
        answers(
            "{}", SMART_READ_DATA, 600, DATA_IN_512,
            {{0, 16}, {2, 1}, {43, 0x9C}, {44, 0x01}, {50, 194}, {55, 40}, {511, 94}, {512, 0xEE}}),
        answers(R"({"smart": {"revision": 5, "attributes": [
                    {"id": 194, "flags": 34, "current": 100, "worst": 90, "raw": [45, 0, 20, 0, 50, 0]},
                    {"id": 5, "current": 98, "raw": 4294967296}]}})",
                SMART_READ_DATA, 512, DATA_IN_512,
                {{0, 5},
                 {2, 194},
                 {3, 34},
                 {4, 0},
                 {5, 100},
                 {6, 90},
                 {7, 45},
                 {9, 20},
                 {11, 50},
                 {14, 5},
                 {17, 98},
                 {18, 98},
                 {22, 0},
                 {23, 1},
                 {511, 28}}),
        // Hex is replayed as it is, its checksum included.
        answers(R"({"smart": {"hex": ")" + counting_hex(512) + R"("}})", SMART_READ_DATA, 512,
                DATA_IN_512, {{0, 0}, {300, 49}, {511, 9}}),
        answers("{}", SMART_READ_DATA, 100, {0x50, 0x00, 100}, {{2, 1}}),
        answers("{}", {0xD1, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0}, 512, ABORTED, {{0, 0xEE}}),
        answers("{}", {0xD0, 1, 1, 0x00, 0xC2, 0xA0, 0xB0}, 512, ABORTED),
        answers("{}", {0xD0, 1, 1, 0x4F, 0x00, 0xA0, 0xB0}, 512, ABORTED),
        answers("{}", {0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xEC}, 512, ABORTED),
        rejects(R"({"smart": {"hex": ")" + counting_hex(511) + R"("}})",
                "/drive/smart/hex: expected 512 bytes, got 511"),
        rejects(R"({"smart": {"hex": ")" + counting_hex(512) + R"(", "revision": 1}})",
                "/drive/smart/revision: not allowed with \"hex\""),
        rejects(attributes(31), "/drive/smart/attributes: expected at most 30 elements"),
        rejects(R"({"smart": {"attributes": [{"id": 5, "raw": [1, 2, 3, 4, 5]}]}})",
                "/drive/smart/attributes/0/raw: expected six raw bytes"),
        rejects(R"({"smart": {"attributes": [{"id": 5, "raw": 281474976710656}]}})",
                "/drive/smart/attributes/0/raw: expected a whole number from 0 to "
                "281474976710655"),
        rejects(R"({"smart": {"attributes": [{"raw": 1}]}})",
                "/drive/smart/attributes/0/id: missing"),
        rejects(R"({"smrt": {}})", "/drive/smrt: unknown key")));

}  // namespace
