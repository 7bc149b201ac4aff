// The default machine is the desktop every scenario starts from: its parts
// must agree with each other (registry, device tree, volumes, PowerShell).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/utf.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::platform::simulated::SimulatedMachine;

std::unique_ptr<SimulatedMachine> default_machine() {
    auto machine =
        SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / "default.json");
    EXPECT_TRUE(machine) << machine.error();
    return machine ? std::move(*machine) : nullptr;
}

// The first ancestor's device ID that names a USB vendor, or empty.
std::string usb_ancestor(Platform& machine, std::uint32_t disk) {
    Handle key = 0;
    EXPECT_EQ(machine.reg_open_key_ex(HKEY_LOCAL_MACHINE,
                                      u"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum", 0,
                                      KEY_READ, key),
              ERROR_SUCCESS);
    std::vector<std::uint8_t> data(1024);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(
        machine.reg_query_value_ex(key, utf8_to_utf16(std::to_string(disk)), type, data, size),
        ERROR_SUCCESS);
    machine.reg_close_key(key);
    std::u16string instance_id;
    for (std::uint32_t i = 0; i + 3 < size; i += 2)
        instance_id += static_cast<char16_t>(get_u16(data, i));

    DevInst node = 0;
    EXPECT_EQ(machine.cm_locate_devnode(node, instance_id, 0), CR_SUCCESS)
        << utf16_to_utf8(instance_id);
    DevInst parent = 0;
    while (machine.cm_get_parent(parent, node, 0) == CR_SUCCESS) {
        std::vector<char16_t> id(512);
        EXPECT_EQ(machine.cm_get_device_id(parent, id, 0), CR_SUCCESS);
        const std::string text = utf16_to_utf8(text_until_zero(id));
        if (text.find("VID_") != std::string::npos) return text;
        node = parent;
    }
    return {};
}

TEST(DefaultMachineTest, UsbDisksHangBelowTheirBridgesAndInternalDisksBelowPci) {
    auto machine = default_machine();
    ASSERT_TRUE(machine);
    EXPECT_EQ(usb_ancestor(*machine, 0), "");
    EXPECT_EQ(usb_ancestor(*machine, 1), "");
    EXPECT_EQ(usb_ancestor(*machine, 2), "USB\\VID_174C&PID_55AA\\12345678901F");
    EXPECT_EQ(usb_ancestor(*machine, 3), "USB\\VID_0BDA&PID_9210\\012345678906");
    EXPECT_EQ(usb_ancestor(*machine, 4), "USB\\VID_05E3&PID_0749\\000000001532");
    EXPECT_EQ(usb_ancestor(*machine, 5), "USB\\VID_152D&PID_2338\\152D20329000");
    EXPECT_EQ(usb_ancestor(*machine, 6), "");
}

TEST(DefaultMachineTest, PowerShellListsTheSameLettersAsTheVolumes) {
    auto machine = default_machine();
    ASSERT_TRUE(machine);
    std::string from_volumes;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const Handle volume = machine->create_file(
            utf8_to_utf16(std::string("\\\\.\\") + letter + ":"), 0, 3, OPEN_EXISTING, 0x80);
        if (!is_valid_handle(volume)) continue;
        std::vector<std::uint8_t> out(1024);
        std::uint32_t bytes = 0;
        if (machine->device_io_control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, {}, out,
                                       bytes)) {
            from_volumes += std::to_string(get_u32(out, 8)) + ":" + letter + "\r\n";
        }
        machine->close_handle(volume);
    }
    EXPECT_EQ(from_volumes, "0:C\r\n1:D\r\n2:E\r\n3:F\r\n5:I\r\n6:K\r\n0:O\r\n9:T\r\n");

    ChildProcess child;
    ASSERT_TRUE(machine->create_process_with_output_pipe(
        u"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe", u"powershell",
        CREATE_NO_WINDOW, child));
    std::vector<std::uint8_t> buffer(4096);
    std::uint32_t read = 0;
    ASSERT_TRUE(machine->read_file(child.stdout_read, buffer, read));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + read),
              "0:C\r\n0:O\r\n1:D\r\n2:E\r\n3:F\r\n5:I\r\n6:K\r\n9:T\r\n");
}

TEST(DefaultMachineTest, NvmeDiskReportsItsTemperatureAndTheOthersDoNot) {
    auto machine = default_machine();
    ASSERT_TRUE(machine);
    for (std::uint32_t disk = 0; disk < 7; ++disk) {
        const Handle handle =
            machine->create_file(utf8_to_utf16("\\\\.\\PhysicalDrive" + std::to_string(disk)),
                                 GENERIC_READ, 3, OPEN_EXISTING, 0x80);
        ASSERT_TRUE(is_valid_handle(handle));
        std::vector<std::uint8_t> query(12, 0);
        put_u32(query, 0, 52);
        std::vector<std::uint8_t> out(512);
        std::uint32_t bytes = 0;
        const bool answered =
            machine->device_io_control(handle, IOCTL_STORAGE_QUERY_PROPERTY, query, out, bytes);
        EXPECT_EQ(answered, disk == 0) << disk;
        if (answered) {
            EXPECT_EQ(get_u16(out, 26), 38u);
        }
        machine->close_handle(handle);
    }
}

}  // namespace
