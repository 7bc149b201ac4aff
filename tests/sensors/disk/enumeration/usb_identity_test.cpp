// The USB identity of a drive on described machines: the registry's instance
// ID, the walk up the device tree, the IDs and the bridge row they select.
#include "sensors/disk/enumeration/usb_identity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/disk/text.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

using quartzmon::test_support::calls_to;
using quartzmon::test_support::make_machine;

constexpr const char* DISK_INSTANCE = "USBSTOR\\\\Disk&Ven_X&Prod_Y\\\\1";

std::string identity_text(const UsbIdentity& identity) {
    const auto hex = [](const std::optional<std::uint16_t>& id) {
        return id ? hex4(*id) : std::string("-");
    };
    std::string text = "vid " + hex(identity.vid) + " pid " + hex(identity.pid);
    if (identity.bridge) {
        text += " " + identity.bridge->vendor + " | " + identity.bridge->model + " | " +
                std::string(identity.bridge->protocol.value_or("-"));
    }
    return text;
}

struct Ancestor {
    std::string id;     // JSON-escaped
    std::string extra;  // more JSON members of the node, such as an error
};

// A machine whose disk 0 hangs below the given ancestors, the nearest first.
std::string machine_with_ancestors(const std::vector<Ancestor>& ancestors) {
    std::string tree;
    for (std::size_t i = ancestors.size(); i-- > 0;) {
        tree += "{ \"id\": \"" + ancestors[i].id + "\"";
        if (i + 1 < ancestors.size()) tree += ", \"parent\": \"" + ancestors[i + 1].id + "\"";
        tree += ancestors[i].extra + " }, ";
    }
    tree += std::string("{ \"id\": \"") + DISK_INSTANCE + "\", \"parent\": \"" + ancestors[0].id +
            "\" }";
    return std::string(R"({ "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum":
                                 { "0": ")") +
           DISK_INSTANCE + "\" } }, \"device_tree\": [ " + tree + " ] }";
}

TEST(QueryUsbIdentity, WalksUpToTheFirstAncestorWithAUsbVendor) {
    struct WalkCase {
        const char* name;
        std::vector<Ancestor> ancestors;
        std::string expected;
        std::size_t parent_calls;
    };
    const WalkCase cases[] = {
        {"the USB device is the parent",
         {{"USB\\\\VID_174C&PID_55AA\\\\MSFT30123456789", ""}, {"USB\\\\ROOT_HUB30\\\\4&1", ""}},
         "vid 174C pid 55AA ASMedia | ASM1153E/1053E USB 3.0 to SATA Bridge | SATA",
         1},
        {"a motherboard controller's PCI ancestors",
         {{"PCI\\\\VEN_8086&DEV_A352\\\\3&1&0&B8", ""},
          {"ACPI\\\\PNP0A08\\\\0", ""},
          {"ACPI_HAL\\\\PNP0C08\\\\0", ""},
          {"ROOT\\\\ACPI_HAL\\\\0000", ""}},
         "vid - pid -",
         5},
        {"the fifth ancestor",
         {{"A\\\\1", ""},
          {"B\\\\1", ""},
          {"C\\\\1", ""},
          {"D\\\\1", ""},
          {"USB\\\\VID_152D&PID_0583\\\\1", ""}},
         "vid 152D pid 0583 JMicron | JMS583 USB 3.1 Gen2 to PCIe/NVMe Bridge | NVMe",
         5},
        {"the sixth ancestor is too far",
         {{"A\\\\1", ""},
          {"B\\\\1", ""},
          {"C\\\\1", ""},
          {"D\\\\1", ""},
          {"E\\\\1", ""},
          {"USB\\\\VID_152D&PID_0583\\\\1", ""}},
         "vid - pid -",
         5},
        {"lower case",
         {{"usb\\\\vid_174c&pid_2362\\\\1", ""}},
         "vid 174C pid 2362 ASMedia | ASM2362 USB 3.1 to NVMe Bridge | NVMe",
         1},
        {"no product ID",
         {{"USB\\\\VID_174C\\\\1", ""}},
         "vid 174C pid - ASMedia | ASMedia USB Storage Controller | SATA",
         1},
        {"a vendor ID that is no number",
         {{"USB\\\\VID_12G4&PID_9210\\\\1", ""}},
         "vid - pid 9210",
         1},
        {"an unlisted vendor", {{"USB\\\\VID_0781&PID_5581\\\\1", ""}}, "vid 0781 pid 5581", 1},
        {"an unlisted Realtek product",
         {{"USB\\\\VID_0BDA&PID_9999\\\\1", ""}},
         "vid 0BDA pid 9999 Realtek | Realtek USB Storage Controller | NVMe",
         1},
        {"an unlisted JMicron product",
         {{"USB\\\\VID_152D&PID_0579\\\\1", ""}},
         "vid 152D pid 0579 JMicron | JMicron USB Storage Controller | SATA",
         1},
        {"an ancestor whose ID cannot be read is passed over",
         {{"USB\\\\VID_174C&PID_55AA\\\\1", ", \"device_id_error\": 30"},
          {"USB\\\\VID_0BDA&PID_9210\\\\2", ""}},
         "vid 0BDA pid 9210 Realtek | RTL9210 USB 3.1 Gen2 to PCIe/NVMe Bridge | NVMe",
         2},
        {"a parent that cannot be found ends the walk",
         {{"SCSI\\\\Disk\\\\1", ", \"parent_error\": 13"}, {"USB\\\\VID_174C&PID_55AA\\\\1", ""}},
         "vid - pid -",
         2},
    };
    for (const WalkCase& c : cases) {
        auto machine = make_machine(machine_with_ancestors(c.ancestors));
        EXPECT_EQ(identity_text(query_usb_identity(*machine, 0)), c.expected) << c.name;
        EXPECT_EQ(calls_to(machine->call_log(), {"CM_Get_Parent"}).size(), c.parent_calls)
            << c.name;
    }
}

TEST(QueryUsbIdentity, ReadsTheInstanceIdAndClosesTheKeyBeforeTheWalk) {
    auto machine = make_machine(machine_with_ancestors({{"USB\\\\VID_174C&PID_55AA\\\\1", ""}}));
    query_usb_identity(*machine, 0);
    EXPECT_EQ(
        machine->call_log(),
        (std::vector<std::string>{
            "RegOpenKeyExW(HKEY_LOCAL_MACHINE, "
            "\"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum\", 0, 0x20019) -> 0, key 0x100",
            "RegQueryValueExW(0x100, \"0\", 1024) -> 0, type 1, 56 bytes",
            "RegCloseKey(0x100) -> 0",
            "CM_Locate_DevNodeW(\"USBSTOR\\Disk&Ven_X&Prod_Y\\1\", 0x0) -> 0x0, devinst 3",
            "CM_Get_Parent(3, 0x0) -> 0x0, devinst 2",
            "CM_Get_Device_IDW(2, 512, 0x0) -> 0x0",
        }));
}

TEST(QueryUsbIdentity, TheInstanceIdEndsAtItsZeroOrAtTheEndOfTheValue) {
    // "USBSTOR\X\1" in UTF-16, then what follows it in the value.
    const std::string id_hex = "55 00 53 00 42 00 53 00 54 00 4F 00 52 00 5C 00 58 00 5C 00 31 00";
    for (const std::string& after : {std::string(""), std::string(" 00 00 59 00 00 00")}) {
        auto machine = make_machine(
            R"({ "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {
                   "0": { "hex": ")" +
            id_hex + after + R"(" } } },
                 "device_tree": [ { "id": "USBSTOR\\X\\1", "parent": "USB\\VID_174C&PID_55AA\\1" },
                                  { "id": "USB\\VID_174C&PID_55AA\\1" } ] })");
        EXPECT_EQ(identity_text(query_usb_identity(*machine, 0)),
                  "vid 174C pid 55AA ASMedia | ASM1153E/1053E USB 3.0 to SATA Bridge | SATA")
            << "after the ID: \"" << after << "\"";
    }
}

TEST(QueryUsbIdentity, RegistryProblemsLeaveEverythingAbsent) {
    struct RegistryCase {
        const char* name;
        std::string registry;
        std::vector<std::string> calls;
    };
    const std::string long_id(600, 'X');  // 1202 bytes with its zero
    const RegistryCase cases[] = {
        {"no list of disks",
         "{}",
         {"RegOpenKeyExW(HKEY_LOCAL_MACHINE, \"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum\", "
          "0, 0x20019) -> 2"}},
        {"no value for the drive",
         R"({ "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": { "1": "USB\\VID_174C\\1" } })",
         {"RegOpenKeyExW(HKEY_LOCAL_MACHINE, \"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum\", "
          "0, 0x20019) -> 0, key 0x100",
          "RegQueryValueExW(0x100, \"0\", 1024) -> 2", "RegCloseKey(0x100) -> 0"}},
        {"a value longer than the buffer",
         R"({ "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": { "0": ")" + long_id + "\" } }",
         {"RegOpenKeyExW(HKEY_LOCAL_MACHINE, \"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum\", "
          "0, 0x20019) -> 0, key 0x100",
          "RegQueryValueExW(0x100, \"0\", 1024) -> 234, type 1, 1202 bytes",
          "RegCloseKey(0x100) -> 0"}},
        {"a device that no longer exists",
         R"({ "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": { "0": "USBSTOR\\Gone\\1" } })",
         {"RegOpenKeyExW(HKEY_LOCAL_MACHINE, \"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum\", "
          "0, 0x20019) -> 0, key 0x100",
          "RegQueryValueExW(0x100, \"0\", 1024) -> 0, type 1, 30 bytes", "RegCloseKey(0x100) -> 0",
          "CM_Locate_DevNodeW(\"USBSTOR\\Gone\\1\", 0x0) -> 0xD"}},
    };
    for (const RegistryCase& c : cases) {
        auto machine = make_machine(R"({ "registry": )" + c.registry +
                                    R"(, "device_tree": [ { "id": "USB\\VID_174C\\1" } ] })");
        EXPECT_EQ(identity_text(query_usb_identity(*machine, 0)), "vid - pid -") << c.name;
        EXPECT_EQ(machine->call_log(), c.calls) << c.name;
    }
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
