// The real layer's device, volume, registry and configuration-manager calls
// against what Wine provides: one dummy physical disk, drive C: on a hard disk
// volume, Z: mapped to the host, no disk driver enumeration and no device tree.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/utf.h"
#include "platform/windows/windows_platform.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/device/ata_pass_through.h"

namespace quartzmon::platform::windows {
namespace {

using layout::BusTypeScsi;
using layout::PropertyStandardQuery;
using layout::REG_SZ;
using layout::StorageAdapterTemperatureProperty;
using layout::StorageDeviceProperty;
using layout::StorageDeviceProtocolSpecificProperty;
using layout::StorageDeviceTemperatureProperty;

class DevicesTest : public testing::Test {
protected:
    Handle open_device(const char* path, std::uint32_t access = 0) {
        return platform.create_file(utf8_to_utf16(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    }

    // STORAGE_PROPERTY_QUERY: PropertyId, QueryType, AdditionalParameters.
    bool query_property(Handle device, std::uint32_t property_id, std::span<std::uint8_t> reply,
                        std::uint32_t& returned) {
        std::array<std::uint8_t, 12> query{};
        put_u32(query, 0, property_id);
        put_u32(query, 4, PropertyStandardQuery);
        return platform.device_io_control(device, IOCTL_STORAGE_QUERY_PROPERTY, query, reply,
                                          returned);
    }

    WindowsPlatform platform;
};

TEST_F(DevicesTest, PhysicalDrive0AnswersADescriptorWithoutStrings) {
    const Handle disk = open_device("\\\\.\\PhysicalDrive0");
    ASSERT_TRUE(is_valid_handle(disk)) << platform.get_last_error();

    std::vector<std::uint8_t> reply(1024);
    std::uint32_t returned = 0;
    ASSERT_TRUE(query_property(disk, StorageDeviceProperty, reply, returned));
    EXPECT_TRUE(platform.close_handle(disk));

    EXPECT_EQ(returned, 40u);
    EXPECT_EQ(get_u32(reply, 28), BusTypeScsi);
    for (const std::size_t string_offset : {12, 16, 20, 24}) {
        EXPECT_EQ(get_u32(reply, string_offset), 0u) << "offset field at " << string_offset;
    }
}

TEST_F(DevicesTest, PhysicalDrive0KnowsNoTemperatureOrProtocolProperty) {
    const Handle disk = open_device("\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE);
    ASSERT_TRUE(is_valid_handle(disk));
    for (const std::uint32_t property :
         {StorageDeviceProtocolSpecificProperty, StorageAdapterTemperatureProperty,
          StorageDeviceTemperatureProperty}) {
        std::vector<std::uint8_t> reply(1024);
        std::uint32_t returned = 0;
        EXPECT_FALSE(query_property(disk, property, reply, returned)) << property;
        EXPECT_EQ(platform.get_last_error(), ERROR_NOT_SUPPORTED) << property;
    }
    platform.close_handle(disk);
}

// The I/O manager refuses the ATA pass-through on a handle without read and
// write access (5) before any driver sees it; Wine's dummy disk then knows no
// ATA command (50).
TEST_F(DevicesTest, AtaPassThroughNeedsReadAndWriteAccess) {
    const std::array<std::pair<std::uint32_t, std::uint32_t>, 3> error_by_access{{
        {GENERIC_READ | GENERIC_WRITE, ERROR_NOT_SUPPORTED},
        {GENERIC_READ, ERROR_ACCESS_DENIED},
        {0, ERROR_ACCESS_DENIED},
    }};
    for (const auto& [access, error] : error_by_access) {
        const auto device =
            sensors::disk::device::open_device(platform, "\\\\.\\PhysicalDrive0", access);
        ASSERT_TRUE(device) << device.error();
        const auto reply = sensors::disk::device::send_ata_data_in(
            *device, {0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0}, 512);
        EXPECT_FALSE(reply.call.succeeded) << access;
        EXPECT_EQ(reply.call.win32_error, error) << access;
    }
}

// Wine's stub returns TRUE and fills nothing in: the layer reports the working state.
TEST_F(DevicesTest, PhysicalDrive0IsInItsWorkingState) {
    const Handle disk = open_device("\\\\.\\PhysicalDrive0");
    bool on = false;
    EXPECT_TRUE(platform.get_device_power_state(disk, on)) << platform.get_last_error();
    EXPECT_TRUE(on);
    platform.close_handle(disk);
}

TEST_F(DevicesTest, PhysicalDrive1DoesNotExist) {
    platform.set_last_error(ERROR_SUCCESS);
    EXPECT_EQ(open_device("\\\\.\\PhysicalDrive1"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform.get_last_error(), ERROR_FILE_NOT_FOUND);
}

TEST_F(DevicesTest, DriveTypes) {
    const struct {
        const char* root;
        std::uint32_t type;
    } cases[] = {
        {"C:\\", DRIVE_FIXED},
        {"Z:\\", DRIVE_FIXED},
        {"Q:\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform.get_drive_type(utf8_to_utf16(c.root)), c.type) << c.root;
    }
}

TEST_F(DevicesTest, VolumeInformationOfC) {
    std::vector<char16_t> label(260);
    std::vector<char16_t> file_system(260);
    ASSERT_TRUE(platform.get_volume_information(u"C:\\", label, file_system))
        << platform.get_last_error();
    EXPECT_FALSE(text_until_zero(file_system).empty());
}

TEST_F(DevicesTest, DosDeviceOfCIsAHardDiskVolume) {
    std::vector<char16_t> target(1024);
    const std::uint32_t length = platform.query_dos_device(u"C:", target);
    ASSERT_GT(length, 0u) << platform.get_last_error();
    const std::string text = utf16_to_utf8(std::u16string(target.data(), length));
    EXPECT_EQ(text.rfind("\\Device\\HarddiskVolume", 0), 0u) << text;
}

TEST_F(DevicesTest, VolumeCAnswersDiskExtentsWithoutAnyExtent) {
    const Handle volume = open_device("\\\\.\\C:");
    ASSERT_TRUE(is_valid_handle(volume)) << platform.get_last_error();
    std::vector<std::uint8_t> reply(1024);
    std::uint32_t returned = 0;
    EXPECT_TRUE(platform.device_io_control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, {}, reply,
                                           returned));
    EXPECT_EQ(returned, 32u);
    EXPECT_EQ(get_u32(reply, 0), 0u);
    platform.close_handle(volume);
}

TEST_F(DevicesTest, MissingRegistryKeyGivesFileNotFound) {
    Handle key = 0;
    EXPECT_EQ(platform.reg_open_key_ex(HKEY_LOCAL_MACHINE,
                                       u"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum", 0,
                                       KEY_READ, key),
              ERROR_FILE_NOT_FOUND);
}

// Opening an existing key below HKEY_LOCAL_MACHINE proves the predefined key
// reaches advapi32 as itself; the value then comes back whole, or as the size
// it needs.
TEST_F(DevicesTest, RegistryValueReadsBackWholeOrAsTheSizeItNeeds) {
    Handle key = 0;
    ASSERT_EQ(platform.reg_open_key_ex(HKEY_LOCAL_MACHINE,
                                       u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                       KEY_READ, key),
              ERROR_SUCCESS);

    // REG_SZ "C:\windows" with its terminating zero: 11 UTF-16 units.
    const std::u16string expected = u"C:\\windows";
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::vector<std::uint8_t> data(512);
    ASSERT_EQ(platform.reg_query_value_ex(key, u"SystemRoot", type, data, size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    ASSERT_EQ(size, 22u);
    std::u16string text;
    for (std::size_t offset = 0; offset + 2 < size; offset += 2) {
        text.push_back(static_cast<char16_t>(get_u16(data, offset)));
    }
    EXPECT_EQ(text, expected);

    std::vector<std::uint8_t> small(2);
    EXPECT_EQ(platform.reg_query_value_ex(key, u"SystemRoot", type, small, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 22u);

    EXPECT_EQ(platform.reg_close_key(key), ERROR_SUCCESS);
}

// Wine keeps no device tree for cfgmgr32: every device id is refused and no
// device instance has a parent.
TEST_F(DevicesTest, ConfigurationManagerFindsNoDevice) {
    constexpr std::uint32_t CR_FAILURE = 0x13;
    DevInst devinst = 0;
    EXPECT_EQ(platform.cm_locate_devnode(devinst, u"USBSTOR\\DISK&VEN_X&PROD_Y\\0",
                                         CM_LOCATE_DEVNODE_NORMAL),
              CR_FAILURE);
    DevInst parent = 0;
    EXPECT_EQ(platform.cm_get_parent(parent, 1, 0), CR_NO_SUCH_DEVNODE);
    std::vector<char16_t> id(200);
    EXPECT_EQ(platform.cm_get_device_id(1, id, 0), CR_NO_SUCH_DEVNODE);
}

}  // namespace
}  // namespace quartzmon::platform::windows
