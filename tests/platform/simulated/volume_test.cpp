#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::make_machine;

constexpr const char* VOLUMES = R"({"volumes": {
    "C": {"label": "Windows", "dos_device": "\\Device\\HarddiskVolume3",
          "disk_extents": {"extents": [{"disk": 0}]}},
    "E": {"drive_type": "DRIVE_FIXED", "disk_extents": {"extents": [
            {"disk": 1, "starting_offset": 1048576, "extent_length": 4096},
            {"disk": 2, "starting_offset": 2097152, "extent_length": 8192}]}},
    "G": {"drive_type": "DRIVE_REMOVABLE", "volume_information_error": 21, "open_error": 21},
    "N": {"drive_type": "DRIVE_REMOTE", "dos_device_error": 2},
    "S": {"drive_type": 9, "dos_device": "\\??\\C:\\Projects"},
    "W": {"disk_extents": {"raw": "01000000 00000000 03000000", "bytes_returned": 32}}
}})";

TEST(VolumeTest, DriveTypes) {
    auto machine = make_machine(VOLUMES);
    EXPECT_EQ(machine->get_drive_type(u"C:\\"), DRIVE_FIXED);
    EXPECT_EQ(machine->get_drive_type(u"g:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(machine->get_drive_type(u"N:\\"), DRIVE_REMOTE);
    EXPECT_EQ(machine->get_drive_type(u"S:\\"), 9u);
    EXPECT_EQ(machine->get_drive_type(u"Q:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(machine->get_drive_type(u"C:"), DRIVE_NO_ROOT_DIR);
}

TEST(VolumeTest, VolumeInformationCopiesLabelAndFileSystem) {
    auto machine = make_machine(VOLUMES);
    std::vector<char16_t> label(260, u'x');
    std::vector<char16_t> file_system(260, u'x');
    ASSERT_TRUE(machine->get_volume_information(u"C:\\", label, file_system));
    EXPECT_EQ(std::u16string(label.data()), u"Windows");
    EXPECT_EQ(std::u16string(file_system.data()), u"NTFS");

    EXPECT_FALSE(machine->get_volume_information(u"G:\\", label, file_system));
    EXPECT_EQ(machine->get_last_error(), ERROR_NOT_READY);
    EXPECT_FALSE(machine->get_volume_information(u"Q:\\", label, file_system));
    EXPECT_EQ(machine->get_last_error(), ERROR_PATH_NOT_FOUND);
    std::vector<char16_t> short_label(3);
    EXPECT_FALSE(machine->get_volume_information(u"C:\\", short_label, file_system));
    EXPECT_EQ(machine->get_last_error(), 24u);
}

struct DosDeviceCase {
    const char16_t* name;
    std::size_t buffer_size;
    std::uint32_t count;
    std::u16string target;  // with both terminating zeros
    std::uint32_t error;
};

class DosDeviceTest : public ::testing::TestWithParam<DosDeviceCase> {};

TEST_P(DosDeviceTest, ReturnsTheTargetWithBothZeros) {
    auto machine = make_machine(VOLUMES);
    const DosDeviceCase& expected = GetParam();
    machine->set_last_error(0);
    std::vector<char16_t> buffer(expected.buffer_size, u'x');
    EXPECT_EQ(machine->query_dos_device(expected.name, buffer), expected.count);
    EXPECT_EQ(machine->get_last_error(), expected.error);
    EXPECT_EQ(std::u16string(buffer.data(), expected.target.size()), expected.target);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, DosDeviceTest,
    ::testing::Values(
        DosDeviceCase{u"C:", 1024, 25, std::u16string(u"\\Device\\HarddiskVolume3\0\0", 25), 0},
        DosDeviceCase{u"S:", 1024, 17, std::u16string(u"\\??\\C:\\Projects\0\0", 17), 0},
        DosDeviceCase{u"E:", 1024, 25, std::u16string(u"\\Device\\HarddiskVolume5\0\0", 25), 0},
        DosDeviceCase{u"C:", 24, 0, u"", ERROR_INSUFFICIENT_BUFFER},
        DosDeviceCase{u"N:", 1024, 0, u"", ERROR_FILE_NOT_FOUND},
        DosDeviceCase{u"Q:", 1024, 0, u"", ERROR_FILE_NOT_FOUND}));

struct ExtentsAnswer {
    bool ok = false;
    std::uint32_t error = 0;
    std::uint32_t bytes = 0;
    std::vector<std::uint8_t> out;
};

ExtentsAnswer disk_extents(Platform& machine, const char16_t* volume, std::size_t out_size) {
    ExtentsAnswer answer;
    const Handle handle = machine.create_file(volume, 0, 3, OPEN_EXISTING, 0x80);
    EXPECT_TRUE(is_valid_handle(handle));
    answer.out.assign(out_size, 0);
    answer.ok = machine.device_io_control(handle, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, {},
                                          answer.out, answer.bytes);
    answer.error = answer.ok ? 0 : machine.get_last_error();
    machine.close_handle(handle);
    return answer;
}

TEST(VolumeTest, SpannedVolumeListsEveryExtent) {
    auto machine = make_machine(VOLUMES);
    const ExtentsAnswer answer = disk_extents(*machine, u"\\\\.\\E:", 1024);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.bytes, 56u);
    EXPECT_EQ(get_u32(answer.out, 0), 2u);
    EXPECT_EQ(get_u32(answer.out, 8), 1u);
    EXPECT_EQ(get_u64(answer.out, 16), 1048576u);
    EXPECT_EQ(get_u64(answer.out, 24), 4096u);
    EXPECT_EQ(get_u32(answer.out, 32), 2u);
    EXPECT_EQ(get_u64(answer.out, 40), 2097152u);
    EXPECT_EQ(get_u64(answer.out, 48), 8192u);
}

TEST(VolumeTest, TooSmallBufferForAllExtentsGetsTheHeaderAndMoreData) {
    auto machine = make_machine(VOLUMES);
    const ExtentsAnswer answer = disk_extents(*machine, u"\\\\.\\E:", 32);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.error, ERROR_MORE_DATA);
    EXPECT_EQ(answer.bytes, 32u);
    EXPECT_EQ(get_u32(answer.out, 0), 2u);
    EXPECT_EQ(get_u32(answer.out, 8), 0u);  // no extent filled
}

TEST(VolumeTest, BufferBelowOneExtentIsRefused) {
    auto machine = make_machine(VOLUMES);
    const ExtentsAnswer answer = disk_extents(*machine, u"\\\\.\\C:", 31);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.error, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(answer.bytes, 0u);
}

TEST(VolumeTest, SingleExtentWithDefaults) {
    auto machine = make_machine(VOLUMES);
    const ExtentsAnswer answer = disk_extents(*machine, u"\\\\.\\C:", 1024);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.bytes, 32u);
    EXPECT_EQ(get_u32(answer.out, 0), 1u);
    EXPECT_EQ(get_u32(answer.out, 8), 0u);
    EXPECT_EQ(get_u64(answer.out, 16), 1048576u);
}

TEST(VolumeTest, RawExtentsWithByteCountOverride) {
    auto machine = make_machine(VOLUMES);
    const ExtentsAnswer answer = disk_extents(*machine, u"\\\\.\\W:", 1024);
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.bytes, 32u);
    EXPECT_EQ(get_u32(answer.out, 0), 1u);
    EXPECT_EQ(get_u32(answer.out, 8), 3u);
}

TEST(VolumeTest, VolumeWithoutDiskDoesNotKnowTheRequest) {
    auto machine = make_machine(VOLUMES);
    const ExtentsAnswer answer = disk_extents(*machine, u"\\\\.\\S:", 1024);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.error, 1u);
}

TEST(VolumeTest, OpeningVolumes) {
    auto machine = make_machine(VOLUMES);
    EXPECT_EQ(machine->create_file(u"\\\\.\\G:", 0, 3, OPEN_EXISTING, 0x80), INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine->get_last_error(), ERROR_NOT_READY);
    EXPECT_EQ(machine->create_file(u"\\\\.\\Q:", 0, 3, OPEN_EXISTING, 0x80), INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine->get_last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(is_valid_handle(machine->create_file(u"\\\\.\\c:", 0, 3, OPEN_EXISTING, 0x80)));
}

}  // namespace
