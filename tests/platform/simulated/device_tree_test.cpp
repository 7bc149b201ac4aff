#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/simulated/win32_codes.h"
#include "platform/utf.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::make_machine;

using simulated::CR_BUFFER_SMALL;

constexpr const char* TREE = R"({"device_tree": [
    {"id": "USBSTOR\\Disk&Ven_X\\1&0", "parent": "USB\\VID_174C&PID_55AA\\1"},
    {"id": "USB\\VID_174C&PID_55AA\\1", "parent": "USB\\ROOT_HUB30\\4&1"},
    {"id": "USB\\ROOT_HUB30\\4&1"},
    {"id": "SCSI\\Disk\\Broken", "parent": "USB\\ROOT_HUB30\\4&1", "parent_error": 5},
    {"id": "SCSI\\Disk\\Hidden", "locate_error": 13},
    {"id": "PCI\\Unreadable", "device_id_error": 37}
]})";

std::u16string device_id(Platform& machine, DevInst devinst, std::uint32_t& status,
                         std::size_t size = 512) {
    // Filled with a non-zero unit so a missing terminator shows.
    std::vector<char16_t> buffer(size, u'x');
    status = machine.cm_get_device_id(devinst, buffer, 0);
    return text_until_zero(buffer);
}

TEST(DeviceTreeTest, WalksFromTheDiskToTheRoot) {
    auto machine = make_machine(TREE);
    DevInst node = 0;
    ASSERT_EQ(machine->cm_locate_devnode(node, u"usbstor\\DISK&VEN_X\\1&0", 0), CR_SUCCESS);

    std::vector<std::u16string> ancestors;
    DevInst parent = 0;
    while (machine->cm_get_parent(parent, node, 0) == CR_SUCCESS) {
        std::uint32_t status = 0;
        ancestors.push_back(device_id(*machine, parent, status));
        EXPECT_EQ(status, CR_SUCCESS);
        node = parent;
    }
    EXPECT_EQ(ancestors, (std::vector<std::u16string>{u"USB\\VID_174C&PID_55AA\\1",
                                                      u"USB\\ROOT_HUB30\\4&1", u"HTREE\\ROOT\\0"}));
    EXPECT_EQ(machine->cm_get_parent(parent, node, 0), CR_NO_SUCH_DEVNODE);
}

TEST(DeviceTreeTest, DescribedFailures) {
    auto machine = make_machine(TREE);
    DevInst node = 0;
    EXPECT_EQ(machine->cm_locate_devnode(node, u"SCSI\\Disk\\Missing", 0), CR_NO_SUCH_DEVNODE);
    EXPECT_EQ(machine->cm_locate_devnode(node, u"SCSI\\Disk\\Hidden", 0), 13u);

    ASSERT_EQ(machine->cm_locate_devnode(node, u"SCSI\\Disk\\Broken", 0), CR_SUCCESS);
    DevInst parent = 0;
    EXPECT_EQ(machine->cm_get_parent(parent, node, 0), 5u);

    ASSERT_EQ(machine->cm_locate_devnode(node, u"PCI\\Unreadable", 0), CR_SUCCESS);
    std::uint32_t status = 0;
    device_id(*machine, node, status);
    EXPECT_EQ(status, 37u);
    EXPECT_EQ(machine->cm_get_parent(parent, 999, 0), 5u);  // CR_INVALID_DEVNODE
}

TEST(DeviceTreeTest, DeviceIdThatDoesNotFitIsCutAndTerminated) {
    auto machine = make_machine(TREE);
    DevInst node = 0;
    ASSERT_EQ(machine->cm_locate_devnode(node, u"USB\\ROOT_HUB30\\4&1", 0), CR_SUCCESS);
    std::uint32_t status = 0;
    EXPECT_EQ(device_id(*machine, node, status, 19), u"USB\\ROOT_HUB30\\4&1");
    EXPECT_EQ(status, CR_SUCCESS);
    EXPECT_EQ(device_id(*machine, node, status, 18), u"USB\\ROOT_HUB30\\4&");
    EXPECT_EQ(status, CR_BUFFER_SMALL);
}

}  // namespace
