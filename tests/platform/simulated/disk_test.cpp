#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::make_machine;

using layout::StorageAdapterTemperatureProperty;
using layout::StorageDeviceProperty;
using layout::StorageDeviceTemperatureProperty;

std::vector<std::uint8_t> property_query(std::uint32_t property_id, std::uint32_t query_type = 0) {
    std::vector<std::uint8_t> query(12, 0);
    put_u32(query, 0, property_id);
    put_u32(query, 4, query_type);
    return query;
}

struct Answer {
    bool ok = false;
    std::uint32_t error = 0;
    std::uint32_t bytes = 0;
    std::vector<std::uint8_t> out;
};

Answer query_property(Platform& machine, std::uint32_t property_id, std::size_t out_size,
                      std::vector<std::uint8_t> query = {}) {
    if (query.empty()) query = property_query(property_id);
    const Handle disk = machine.create_file(u"\\\\.\\PhysicalDrive0", 0, 3, OPEN_EXISTING, 0x80);
    Answer answer;
    answer.out.assign(out_size, 0xEE);
    answer.ok = machine.device_io_control(disk, IOCTL_STORAGE_QUERY_PROPERTY, query, answer.out,
                                          answer.bytes);
    answer.error = answer.ok ? 0 : machine.get_last_error();
    machine.close_handle(disk);
    return answer;
}

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> result;
    for (int value : values) result.push_back(static_cast<std::uint8_t>(value));
    return result;
}

TEST(DiskTest, DeviceDescriptorFromFieldsPlacesTheTextsAfterTheFixedPart) {
    auto machine = make_machine(R"({"disks": [{"properties": {"StorageDeviceProperty": {
        "vendor_id": "V", "product_id": "P1", "product_revision": "R", "serial_number": "S",
        "bus_type": 17, "removable_media": true}}}]})");
    const Answer answer = query_property(*machine, StorageDeviceProperty, 1024);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.bytes, 45u);
    const std::vector<std::uint8_t> expected =
        bytes({40,  0, 0,   0,   45, 0,   0, 0,  // Version, Size
               0,   0, 1,   0,  // DeviceType, modifier, RemovableMedia, CommandQueueing
               36,  0, 0,   0,   38, 0,   0, 0,   41, 0, 0, 0, 43, 0, 0, 0,  // the four offsets
               17,  0, 0,   0,   0,  0,   0, 0,  // BusType, RawPropertiesLength
               'V', 0, 'P', '1', 0,  'R', 0, 'S', 0});
    EXPECT_EQ(std::vector<std::uint8_t>(answer.out.begin(), answer.out.begin() + 45), expected);
    EXPECT_EQ(answer.out[45], 0xEE);
}

TEST(DiskTest, NullTextGetsOffsetZeroAndShortDescriptorsAreFortyBytes) {
    auto machine = make_machine(R"({"disks": [{"properties": {"StorageDeviceProperty": {
        "vendor_id": null, "product_id": null, "product_revision": null, "serial_number": null}}}]})");
    const Answer answer = query_property(*machine, StorageDeviceProperty, 1024);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.bytes, 40u);
    EXPECT_EQ(get_u32(answer.out, 12) | get_u32(answer.out, 16) | get_u32(answer.out, 20) |
                  get_u32(answer.out, 24),
              0u);
    EXPECT_EQ(get_u32(answer.out, 28), 11u);  // the default bus: SATA
}

TEST(DiskTest, UndescribedDiskAnswersAPlausibleDescriptor) {
    auto machine = make_machine(R"({"disks": [{}]})");
    const Answer answer = query_property(*machine, StorageDeviceProperty, 1024);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&answer.out[get_u32(answer.out, 16)])),
              "Simulated SATA SSD");
}

struct ReplyCase {
    const char* name;
    const char* property;
    std::size_t out_size;
    bool ok;
    std::uint32_t error;
    std::uint32_t bytes;
    std::vector<std::uint8_t> first_bytes;
};

class PropertyReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(PropertyReplyTest, AnswersAsTheDriverWould) {
    const ReplyCase& reply = GetParam();
    auto machine =
        make_machine(std::string(R"({"disks": [{"properties": {"StorageDeviceProperty": )") +
                     reply.property + "}}]}");
    const Answer answer = query_property(*machine, StorageDeviceProperty, reply.out_size);
    EXPECT_EQ(answer.ok, reply.ok);
    EXPECT_EQ(answer.error, reply.error);
    EXPECT_EQ(answer.bytes, reply.bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(answer.out.begin(),
                                        answer.out.begin() + reply.first_bytes.size()),
              reply.first_bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PropertyReplyTest,
    ::testing::Values(ReplyCase{"RawBytes", R"({"raw": "01 02 03 ff"})", 16, true, 0, 4,
                                bytes({1, 2, 3, 0xFF, 0xEE})},
                      ReplyCase{"RawTruncatedToTheBuffer", R"({"raw": "0102030405"})", 3, true, 0,
                                3, bytes({1, 2, 3})},
                      ReplyCase{"ByteCountOverride", R"({"raw": "0102", "bytes_returned": 36})", 16,
                                true, 0, 36, bytes({1, 2, 0xEE})},
                      ReplyCase{"FieldsTruncated", R"({"bus_type": 7})", 8, true, 0, 8,
                                bytes({40, 0, 0, 0})},
                      ReplyCase{"Win32Error", R"({"error": 1})", 1024, false, 1, 0, bytes({0xEE})}),
    [](const auto& test) { return test.param.name; });

TEST(DiskTest, TemperatureDescriptorFromFields) {
    auto machine = make_machine(R"({"disks": [{"properties": {"StorageDeviceTemperatureProperty": {
        "critical_temperature": 90, "warning_temperature": 75,
        "sensors": [{"temperature": 38, "over_threshold": 70, "event_generated": true},
                    {"index": 7, "temperature": -5, "under_threshold": -10, "over_threshold_changable": true}]}}}]})");
    const Answer answer = query_property(*machine, StorageDeviceTemperatureProperty, 512);
    ASSERT_TRUE(answer.ok);
    ASSERT_EQ(answer.bytes, 56u);
    const std::vector<std::uint8_t> expected =
        bytes({40, 0, 0,    0,    56, 0, 0,    0,  // Version, Size
               90, 0, 75,   0,                     // CriticalTemperature, WarningTemperature
               2,  0, 0,    0,                     // InfoCount, Reserved0
               0,  0, 0,    0,    0,  0, 0,    0,  // Reserved1
               0,  0, 38,   0,    70, 0, 0,    0,    0, 0, 1, 0, 0, 0, 0, 0,    // sensor 0
               7,  0, 0xFB, 0xFF, 80, 0, 0xF6, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0});  // sensor 7
    EXPECT_EQ(std::vector<std::uint8_t>(answer.out.begin(), answer.out.begin() + 56), expected);
}

TEST(DiskTest, TemperatureHeaderOverrides) {
    auto machine = make_machine(R"({"disks": [{"properties": {"StorageAdapterTemperatureProperty": {
        "version": 1, "size": 2, "info_count": 3, "sensors": []}}}]})");
    const Answer answer = query_property(*machine, StorageAdapterTemperatureProperty, 512);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.bytes, 24u);
    EXPECT_EQ(get_u32(answer.out, 0), 1u);
    EXPECT_EQ(get_u32(answer.out, 4), 2u);
    EXPECT_EQ(get_u16(answer.out, 12), 3u);
}

struct QueryCase {
    const char* name;
    std::vector<std::uint8_t> query;
    bool ok;
    std::uint32_t error;
};

class QueryDecodingTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryDecodingTest, DecodesTheStoragePropertyQuery) {
    auto machine = make_machine(
        R"({"disks": [{"properties": {"StorageDeviceTemperatureProperty": {"sensors": []}}}]})");
    const Answer answer = query_property(*machine, 0, 512, GetParam().query);
    EXPECT_EQ(answer.ok, GetParam().ok);
    EXPECT_EQ(answer.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, QueryDecodingTest,
    ::testing::Values(
        QueryCase{"DescribedProperty", property_query(52), true, 0},
        QueryCase{"UndescribedProperty", property_query(51), false, ERROR_NOT_SUPPORTED},
        QueryCase{"ExistsQueryOfADescribedProperty", property_query(52, 1), true, 0},
        QueryCase{"ExistsQueryOfAnUndescribedProperty", property_query(51, 1), false,
                  ERROR_NOT_SUPPORTED},
        QueryCase{"UnknownQueryType", property_query(52, 2), false, ERROR_INVALID_PARAMETER},
        QueryCase{"ShortQuery", bytes({52, 0, 0, 0, 0, 0, 0, 0}), false, 24}),
    [](const auto& test) { return test.param.name; });

struct OpenCase {
    const char* name;
    const char* disk;
    const char16_t* path;
    std::uint32_t access;
    std::uint32_t error;  // 0: opens
};

class DiskOpenTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(DiskOpenTest, AcceptsTheDescribedAccessMasks) {
    auto machine = make_machine(std::string(R"({"disks": [)") + GetParam().disk + "]}");
    const Handle handle =
        machine->create_file(GetParam().path, GetParam().access, 3, OPEN_EXISTING, 0x80);
    EXPECT_EQ(is_valid_handle(handle), GetParam().error == 0);
    EXPECT_EQ(machine->get_last_error(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Opens, DiskOpenTest,
    ::testing::Values(OpenCase{"AnyMaskByDefault", "{}", u"\\\\.\\PhysicalDrive0",
                               GENERIC_READ | GENERIC_WRITE, 0},
                      OpenCase{"RefusedMask", R"({"open": {"0x80000000": 5}})",
                               u"\\\\.\\PhysicalDrive0", GENERIC_READ, 5},
                      OpenCase{"OtherMaskStillOpens", R"({"open": {"0x80000000": 5}})",
                               u"\\\\.\\PhysicalDrive0", 0, 0},
                      OpenCase{"OtherRuleRefusesUnlisted", R"({"open": {"0": 0, "other": 5}})",
                               u"\\\\.\\PhysicalDrive0", GENERIC_READ, 5},
                      OpenCase{"ListedMaskUnderOtherRule", R"({"open": {"0": 0, "other": 5}})",
                               u"\\\\.\\PhysicalDrive0", 0, 0},
                      OpenCase{"NameInAnyCase", "{}", u"\\\\.\\physicaldrive0", GENERIC_READ, 0},
                      OpenCase{"MissingDrive", "{}", u"\\\\.\\PhysicalDrive1", GENERIC_READ,
                               ERROR_FILE_NOT_FOUND},
                      OpenCase{"LeadingZeroIsAnotherName", "{}", u"\\\\.\\PhysicalDrive00",
                               GENERIC_READ, ERROR_FILE_NOT_FOUND},
                      OpenCase{"DescribedNumber", R"({"number": 2})", u"\\\\.\\PhysicalDrive2",
                               GENERIC_READ, 0}),
    [](const auto& test) { return test.param.name; });

TEST(DiskTest, OtherIoctlsAreNotUnderstood) {
    auto machine = make_machine(R"({"disks": [{}]})");
    const Handle disk = machine->create_file(u"\\\\.\\PhysicalDrive0", 0, 3, OPEN_EXISTING, 0x80);
    std::vector<std::uint8_t> out(64);
    std::uint32_t bytes_returned = 99;
    EXPECT_FALSE(machine->device_io_control(disk, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, out, out,
                                            bytes_returned));
    EXPECT_EQ(machine->get_last_error(), 1u);
    EXPECT_EQ(bytes_returned, 0u);
}

TEST(DiskTest, HandlesAreOpaqueAndCloseOnce) {
    auto machine = make_machine(R"({"disks": [{}]})");
    const Handle disk = machine->create_file(u"\\\\.\\PhysicalDrive0", 0, 3, OPEN_EXISTING, 0x80);
    EXPECT_TRUE(machine->close_handle(disk));
    EXPECT_FALSE(machine->close_handle(disk));
    EXPECT_EQ(machine->get_last_error(), ERROR_INVALID_HANDLE);
    std::uint32_t bytes_returned = 0;
    std::vector<std::uint8_t> out(64);
    EXPECT_FALSE(machine->device_io_control(disk, IOCTL_STORAGE_QUERY_PROPERTY, property_query(0),
                                            out, bytes_returned));
    EXPECT_EQ(machine->get_last_error(), ERROR_INVALID_HANDLE);
}

}  // namespace
