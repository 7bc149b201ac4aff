// Physical drive enumeration on described machines.
#include "sensors/disk/enumeration/physical_drives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/utf.h"
#include "sensors/disk/enumeration/trace_recorder.h"
#include "sensors/disk/text.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

using platform::simulated::SimulatedMachine;
using quartzmon::test_support::calls_to;
using quartzmon::test_support::make_machine;
using quartzmon::test_support::TraceRecorder;

// Every field of an identity on one line.
std::string identity_text(const DiskIdentity& disk) {
    const auto hex = [](const std::optional<std::uint16_t>& id) {
        return id ? hex4(*id) : std::string("-");
    };
    return std::to_string(disk.physical_drive) + " " + disk.device_path + " " +
           letters_debug(disk.drive_letters) + " model \"" + disk.model + "\" serial \"" +
           disk.serial_number + "\" firmware \"" + disk.firmware_revision + "\" bus " +
           disk.bus_type + " " + std::to_string(disk.bus_type_code) + " vendor \"" +
           disk.vendor_id + "\" product \"" + disk.product_id + "\" removable " +
           (disk.removable_media ? "yes" : "no") + " usb " + hex(disk.vid) + ":" + hex(disk.pid) +
           " bridge \"" + disk.bridge_vendor + "\" \"" + disk.bridge_model + "\" protocol \"" +
           disk.internal_protocol + "\"";
}

std::vector<std::string> identity_texts(const std::vector<DiskIdentity>& disks) {
    std::vector<std::string> texts;
    for (const DiskIdentity& disk : disks) texts.push_back(identity_text(disk));
    return texts;
}

std::string enumerated(const std::string& message) {
    return "INFO quartzmon::sensors::disk::enumeration: Enumerated Disk #" + message;
}

TEST(EnumeratePhysicalDisks, DefaultDesktopIsListedWithEveryIdentity) {
    auto machine =
        SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / "default.json");
    ASSERT_TRUE(machine.has_value()) << machine.error();
    TraceRecorder trace(trace::Level::Info);

    EXPECT_EQ(
        identity_texts(enumerate_physical_disks(**machine)),
        (std::vector<std::string>{
            "0 \\\\.\\PhysicalDrive0 ['C'] model \"NVMe Samsung SSD 980 PRO 1TB\" serial "
            "\"0025_3852_1190_1A3C.\" firmware \"5B2QGXA7\" bus NVMe 17 vendor \"NVMe\" product "
            "\"Samsung SSD 980 PRO 1TB\" removable no usb -:- bridge \"\" \"\" protocol \"NVMe\"",
            "1 \\\\.\\PhysicalDrive1 ['D'] model \"WDC WD40EZRZ-00GXCB0\" serial "
            "\"WD-WCC7K4ZL1234\" firmware \"80.00A80\" bus SATA 11 vendor \"\" product "
            "\"WDC WD40EZRZ-00GXCB0\" removable no usb -:- bridge \"\" \"\" protocol \"SATA\"",
            "2 \\\\.\\PhysicalDrive2 ['E'] model \"Samsung SSD 860 EVO 500G\" serial "
            "\"12345678901F\" firmware \"0\" bus USB 7 vendor \"Samsung\" product \"SSD 860 EVO "
            "500G\" removable no usb 174C:55AA bridge \"ASMedia\" \"ASM1153E/1053E USB 3.0 to "
            "SATA Bridge\" protocol \"SATA\"",
            "3 \\\\.\\PhysicalDrive3 ['F'] model \"Realtek RTL9210B-CG\" serial \"012345678906\" "
            "firmware \"1.00\" bus USB 7 vendor \"Realtek\" product \"RTL9210B-CG\" removable no "
            "usb 0BDA:9210 bridge \"Realtek\" \"RTL9210 USB 3.1 Gen2 to PCIe/NVMe Bridge\" "
            "protocol \"NVMe\"",
            "4 \\\\.\\PhysicalDrive4 [] model \"Generic STORAGE DEVICE\" serial \"000000001532\" "
            "firmware \"1532\" bus USB 7 vendor \"Generic\" product \"STORAGE DEVICE\" removable "
            "yes usb 05E3:0749 bridge \"\" \"\" protocol \"SATA\"",
            "5 \\\\.\\PhysicalDrive5 ['I'] model \"SAMSUNG HD103SJ\" serial \"152D20329000\" "
            "firmware \"1AJ1\" bus USB 7 vendor \"SAMSUNG\" product \"HD103SJ\" removable no "
            "usb 152D:2338 bridge \"JMicron\" \"JMicron USB Storage Controller\" protocol "
            "\"SATA\"",
            "6 \\\\.\\PhysicalDrive6 ['K'] model \"NVMe WD_BLACK SN770 2TB\" serial "
            "\"E823_8FA6_BF53_0001_001B_448B_4A5B_1C2D.\" firmware \"731030WD\" bus NVMe 17 "
            "vendor \"NVMe\" product \"WD_BLACK SN770 2TB\" removable no usb -:- bridge \"\" "
            "\"\" protocol \"NVMe\"",
            "7 \\\\.\\PhysicalDrive7 [] model \"ASMT ASM236X NVME\" serial \"AAAABBBBCCCC0007\" "
            "firmware \"0\" bus USB 7 vendor \"ASMT\" product \"ASM236X NVME\" removable no "
            "usb 174C:2362 bridge \"ASMedia\" \"ASM2362 USB 3.1 to NVMe Bridge\" protocol "
            "\"NVMe\"",
            "8 \\\\.\\PhysicalDrive8 [] model \"JMicron Tech\" serial \"DD564198838E4\" "
            "firmware \"0214\" bus USB 7 vendor \"JMicron\" product \"Tech\" removable no "
            "usb 152D:0583 bridge \"JMicron\" \"JMS583 USB 3.1 Gen2 to PCIe/NVMe Bridge\" "
            "protocol \"NVMe\"",
            "9 \\\\.\\PhysicalDrive9 ['T'] model \"Samsung PSSD T7\" serial \"S5SXNS0T201234A\" "
            "firmware \"0\" bus USB 7 vendor \"Samsung\" product \"PSSD T7\" removable no "
            "usb 04E8:4001 bridge \"ASMedia\" \"Samsung Portable SSD T7 (ASMedia ASM2362)\" "
            "protocol \"NVMe\"",
        }));
    EXPECT_EQ(trace.events(),
              (std::vector<std::string>{
                  enumerated("0: NVMe Samsung SSD 980 PRO 1TB | Bus: NVMe (code 17) | Bridge: "
                             "None | Proto: Some(\"NVMe\") | Letters: ['C']"),
                  enumerated("1: WDC WD40EZRZ-00GXCB0 | Bus: SATA (code 11) | Bridge: None | "
                             "Proto: Some(\"SATA\") | Letters: ['D']"),
                  enumerated("2: Samsung SSD 860 EVO 500G | Bus: USB (code 7) | Bridge: "
                             "Some(\"ASMedia\") | Proto: Some(\"SATA\") | Letters: ['E']"),
                  enumerated("3: Realtek RTL9210B-CG | Bus: USB (code 7) | Bridge: "
                             "Some(\"Realtek\") | Proto: Some(\"NVMe\") | Letters: ['F']"),
                  enumerated("4: Generic STORAGE DEVICE | Bus: USB (code 7) | Bridge: None | "
                             "Proto: Some(\"SATA\") | Letters: []"),
                  enumerated("5: SAMSUNG HD103SJ | Bus: USB (code 7) | Bridge: "
                             "Some(\"JMicron\") | Proto: Some(\"SATA\") | Letters: ['I']"),
                  enumerated("6: NVMe WD_BLACK SN770 2TB | Bus: NVMe (code 17) | Bridge: None | "
                             "Proto: Some(\"NVMe\") | Letters: ['K']"),
                  enumerated("7: ASMT ASM236X NVME | Bus: USB (code 7) | Bridge: "
                             "Some(\"ASMedia\") | Proto: Some(\"NVMe\") | Letters: []"),
                  enumerated("8: JMicron Tech | Bus: USB (code 7) | Bridge: Some(\"JMicron\") | "
                             "Proto: Some(\"NVMe\") | Letters: []"),
                  enumerated("9: Samsung PSSD T7 | Bus: USB (code 7) | Bridge: Some(\"ASMedia\") | "
                             "Proto: Some(\"NVMe\") | Letters: ['T']"),
              }));
}

TEST(EnumeratePhysicalDisks, EveryNumberFromZeroToFifteenIsTriedAndNoOther) {
    auto machine = make_machine(R"({ "disks": [ { "number": 0 }, { "number": 2 },
                                                { "number": 16 } ] })");
    const std::vector<DiskIdentity> disks = enumerate_physical_disks(*machine);
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].device_path, "\\\\.\\PhysicalDrive0");
    EXPECT_EQ(disks[1].physical_drive, 2u);
    EXPECT_EQ(disks[1].device_path, "\\\\.\\PhysicalDrive2");

    std::vector<std::string> opened;
    for (const std::string& call : calls_to(machine->call_log(), {"CreateFileW"})) {
        if (call.find("PhysicalDrive") != std::string::npos)
            opened.push_back(call.substr(0, call.find(", 0x3")));
    }
    std::vector<std::string> expected;
    for (int n = 0; n < 16; ++n) {
        const std::string path = "CreateFileW(\"\\\\.\\PhysicalDrive" + std::to_string(n) + "\"";
        expected.push_back(path + ", 0x80000000");
        if (n != 0 && n != 2) expected.push_back(path + ", 0x0");
    }
    EXPECT_EQ(opened, expected);
}

TEST(EnumeratePhysicalDisks, DriveRefusingReadIsQueriedWithoutDataAccess) {
    auto machine = make_machine(R"({ "disks": [ { "open": { "0x80000000": 5 } } ] })");
    ASSERT_EQ(enumerate_physical_disks(*machine).size(), 1u);
    const std::vector<std::string> calls =
        calls_to(machine->call_log(), {"CreateFileW", "DeviceIoControl", "CloseHandle"});
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4),
              (std::vector<std::string>{
                  "CreateFileW(\"\\\\.\\PhysicalDrive0\", 0x80000000, 0x3, 3, 0x80) -> "
                  "INVALID_HANDLE_VALUE, error 5",
                  "CreateFileW(\"\\\\.\\PhysicalDrive0\", 0x0, 0x3, 3, 0x80) -> handle 0x100",
                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 1024) -> TRUE, "
                  "77 bytes",
                  "CloseHandle(0x100) -> TRUE",
              }));
}

TEST(EnumeratePhysicalDisks, DrivesWhoseDescriptorCannotBeReadAreLeftOut) {
    auto machine = make_machine(R"({ "disks": [
        { "number": 0, "open": { "other": 5 } },
        { "number": 1, "properties": { "StorageDeviceProperty": { "error": 1 } } },
        { "number": 2, "properties": { "StorageDeviceProperty": { "bytes_returned": 35 } } },
        { "number": 3, "properties": { "StorageDeviceProperty": { "bytes_returned": 36 } } } ] })");
    const std::vector<DiskIdentity> disks = enumerate_physical_disks(*machine);
    ASSERT_EQ(disks.size(), 1u);
    EXPECT_EQ(disks[0].physical_drive, 3u);

    // Each handle is closed right after its one query, before the answer counts.
    EXPECT_EQ(calls_to(machine->call_log(), {"DeviceIoControl", "CloseHandle"}),
              (std::vector<std::string>{
                  "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 1024) -> "
                  "FALSE, 0 bytes, error 1",
                  "CloseHandle(0x100) -> TRUE",
                  "DeviceIoControl(0x104, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 1024) -> TRUE, "
                  "35 bytes",
                  "CloseHandle(0x104) -> TRUE",
                  "DeviceIoControl(0x108, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 1024) -> TRUE, "
                  "36 bytes",
                  "CloseHandle(0x108) -> TRUE",
              }));
}

// A STORAGE_DEVICE_DESCRIPTOR of the given size, with texts placed at will.
class RawDescriptor {
public:
    explicit RawDescriptor(std::size_t size) : bytes_(size, 0) {
        platform::put_u32(bytes_, 0, 40);  // Version
        platform::put_u32(bytes_, 4, static_cast<std::uint32_t>(size));
    }
    RawDescriptor& offsets(std::uint32_t vendor, std::uint32_t product, std::uint32_t revision,
                           std::uint32_t serial) {
        platform::put_u32(bytes_, 12, vendor);
        platform::put_u32(bytes_, 16, product);
        platform::put_u32(bytes_, 20, revision);
        platform::put_u32(bytes_, 24, serial);
        return *this;
    }
    RawDescriptor& bus_type(std::uint32_t code) {
        platform::put_u32(bytes_, 28, code);
        return *this;
    }
    RawDescriptor& removable() {
        bytes_[10] = 1;
        return *this;
    }
    RawDescriptor& text(std::size_t at, std::string_view bytes) {
        std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
        return *this;
    }
    std::string disk(int number) const {
        std::string hex;
        for (const std::uint8_t byte : bytes_) hex += hex2(byte);
        return "{ \"number\": " + std::to_string(number) +
               ", \"properties\": { \"StorageDeviceProperty\": { \"raw\": \"" + hex + "\" } } }";
    }

private:
    std::vector<std::uint8_t> bytes_;
};

TEST(EnumeratePhysicalDisks, DescriptorTextsAreReadWhereverTheirOffsetsPoint) {
    const std::string disks[] = {
        // Wine's dummy disk: the fixed part only, every offset 0.
        RawDescriptor(40).bus_type(1).disk(0),
        // Vendor absent, product without terminator up to the buffer's end,
        // revision past the buffer, serial with bytes that are no UTF-8.
        RawDescriptor(1024)
            .offsets(0, 1020, 5000, 40)
            .bus_type(0xFFFF)
            .removable()
            .text(1020, "ABCD")
            .text(40,
                  "\xFF\xFE"
                  "AB\xE3\x81")
            .disk(1),
        // A vendor of blanks only; the SAS bus has no protocol.
        RawDescriptor(64).offsets(40, 44, 0, 0).bus_type(10).text(40, "   ").text(44, "P").disk(2),
        // Empty texts; offsets into the zero-filled rest of the buffer.
        RawDescriptor(48).offsets(40, 41, 600, 1023).bus_type(2).disk(3),
        RawDescriptor(64)
            .offsets(40, 48, 0, 0)
            .bus_type(3)
            .text(40, " V\t")
            .text(48, "P\n")
            .disk(4),
    };
    auto machine = make_machine("{ \"disks\": [ " + disks[0] + ", " + disks[1] + ", " + disks[2] +
                                ", " + disks[3] + ", " + disks[4] + " ] }");
    EXPECT_EQ(
        identity_texts(enumerate_physical_disks(*machine)),
        (std::vector<std::string>{
            "0 \\\\.\\PhysicalDrive0 [] model \"PhysicalDrive0\" serial \"\" firmware \"\" bus "
            "SCSI 1 vendor \"\" product \"\" removable no usb -:- bridge \"\" \"\" protocol \"\"",
            "1 \\\\.\\PhysicalDrive1 [] model \"ABCD\" serial \"\xEF\xBF\xBD\xEF\xBF\xBD"
            "AB\xEF\xBF\xBD\" firmware \"\" bus Storage 65535 vendor \"\" product \"ABCD\" "
            "removable yes usb -:- bridge \"\" \"\" protocol \"\"",
            "2 \\\\.\\PhysicalDrive2 [] model \"P\" serial \"\" firmware \"\" bus Storage 10 "
            "vendor \"\" product \"P\" removable no usb -:- bridge \"\" \"\" protocol \"\"",
            "3 \\\\.\\PhysicalDrive3 [] model \"PhysicalDrive3\" serial \"\" firmware \"\" bus "
            "Storage 2 vendor \"\" product \"\" removable no usb -:- bridge \"\" \"\" protocol "
            "\"\"",
            "4 \\\\.\\PhysicalDrive4 [] model \"V P\" serial \"\" firmware \"\" bus ATAPI 3 "
            "vendor \"V\" product \"P\" removable no usb -:- bridge \"\" \"\" protocol \"\"",
        }));
}

// The bridge chip's protocol comes first; without a known bridge a USB drive's
// model decides.
TEST(EnumeratePhysicalDisks, ProtocolFollowsTheBridgeThenTheBusThenTheModel) {
    auto machine = make_machine(R"({
      "disks": [
        { "number": 0, "properties": { "StorageDeviceProperty":
            { "vendor_id": "Acme", "product_id": "Portable nvme SSD", "bus_type": 7 } } },
        { "number": 1, "properties": { "StorageDeviceProperty":
            { "vendor_id": "Acme", "product_id": "SATA SSD", "bus_type": 7 } } },
        { "number": 2, "properties": { "StorageDeviceProperty":
            { "vendor_id": "Acme", "product_id": "Fast SSD", "bus_type": 17 } } },
        { "number": 3, "properties": { "StorageDeviceProperty":
            { "vendor_id": "Acme", "product_id": "SAS HDD", "bus_type": 10 } } }
      ],
      "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {
          "0": "USBSTOR\\Disk\\0", "1": "USBSTOR\\Disk\\1", "2": "SCSI\\Disk\\2",
          "3": "SCSI\\Disk\\3" } },
      "device_tree": [
        { "id": "USB\\VID_0781&PID_5581\\0" },
        { "id": "USBSTOR\\Disk\\0", "parent": "USB\\VID_0781&PID_5581\\0" },
        { "id": "USB\\VID_0BDA&PID_1234\\1" },
        { "id": "USBSTOR\\Disk\\1", "parent": "USB\\VID_0BDA&PID_1234\\1" },
        { "id": "USB\\VID_152D&PID_0578\\2" },
        { "id": "SCSI\\Disk\\2", "parent": "USB\\VID_152D&PID_0578\\2" },
        { "id": "USB\\VID_152D&PID_0583\\3" },
        { "id": "SCSI\\Disk\\3", "parent": "USB\\VID_152D&PID_0583\\3" }
      ] })");
    std::vector<std::string> protocols;
    for (const DiskIdentity& disk : enumerate_physical_disks(*machine))
        protocols.push_back(disk.bridge_vendor + " " + disk.internal_protocol);
    EXPECT_EQ(protocols,
              (std::vector<std::string>{" NVMe", "Realtek NVMe", "JMicron SATA", "JMicron NVMe"}));
}

TEST(EnumeratePhysicalDisks, DriveLettersComeFromTheMapBeforeAnyDriveIsOpened) {
    auto machine = make_machine(R"({ "disks": [ { "number": 0 }, { "number": 1 } ],
        "volumes": { "C": { "disk_extents": { "extents": [ { "disk": 1 } ] } },
                     "E": { "disk_extents": { "extents": [ { "disk": 1 } ] } } } })");
    const std::vector<DiskIdentity> disks = enumerate_physical_disks(*machine);
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].drive_letters, std::vector<char32_t>{});
    EXPECT_EQ(disks[1].drive_letters, (std::vector<char32_t>{U'C', U'E'}));
    const std::vector<std::string>& log = machine->call_log();
    const auto first_drive_open = std::find_if(log.begin(), log.end(), [](const std::string& call) {
        return call.find("PhysicalDrive") != std::string::npos;
    });
    EXPECT_EQ(
        std::find_if(first_drive_open, log.end(),
                     [](const std::string& call) { return call.starts_with("GetDriveTypeW"); }),
        log.end());
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
