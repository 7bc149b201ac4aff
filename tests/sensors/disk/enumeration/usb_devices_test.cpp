#include "sensors/disk/enumeration/usb_devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/disk/collection.h"
#include "sensors/disk/enumeration/bridge_chips.h"
#include "sensors/disk/text.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

std::string id_text(std::uint16_t vid, std::uint16_t pid) {
    return hex4(vid) + ":" + hex4(pid);
}

TEST(UsbDeviceTable, SortedNamedSourcedAndNeverShadowingABridgeChipRow) {
    const auto table = usb_device_table();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const UsbDevice& row = table[i];
        const std::string id = id_text(row.vid, row.pid);
        if (i > 0) {
            EXPECT_LT(std::pair(table[i - 1].vid, table[i - 1].pid), std::pair(row.vid, row.pid))
                << id << " is out of order or listed twice";
        }
        EXPECT_FALSE(row.product.empty() || row.chip.empty() || row.source.empty()) << id;
        EXPECT_EQ(family_of_vendor(family_vendor_name(row.family)), row.family) << id;
        const auto own = lookup_bridge_chip(row.vid, row.pid);
        const auto fallback = lookup_bridge_chip(row.vid, std::nullopt);
        EXPECT_EQ(own.has_value(), fallback.has_value()) << id;
        if (own && fallback) {
            EXPECT_EQ(own->bridge_model, fallback->bridge_model) << id;
        }
        const auto found = lookup_usb_device(row.vid, row.pid);
        EXPECT_TRUE(found && found->product == row.product) << id << " is not found by its ID";
    }
    EXPECT_FALSE(lookup_usb_device(0x04E8, 0x4002).has_value());
}

struct KnownDeviceCase {
    const char* name;
    const char* usb_id;      // VID_xxxx&PID_yyyy
    std::string device;      // disk 0's bridge and drive
    std::string identified;  // the report's bridge vendor | bridge model | protocol
    std::string read;        // provider | final temperature | operation codes sent
};

std::string report_fields(const std::string& report, std::initializer_list<std::string> fields) {
    std::string values;
    for (const std::string& field : fields) {
        const std::size_t at = report.find("\n" + field + ": ") + field.size() + 3;
        values += (values.empty() ? "" : " | ") + report.substr(at, report.find('\n', at) - at);
    }
    return values;
}

// Disk 0 is a USB disk below the given USB device; the whole run reads it.
std::vector<std::string> run_on(const KnownDeviceCase& given) {
    auto machine = test_support::make_machine(
        R"({"disks": [{"properties": {"StorageDeviceProperty": {"product_id": "SSD", "bus_type": 7}}, )" +
        given.device + R"(}],
            "registry": {"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {"0": "USBSTOR\\Disk\\1"}},
            "device_tree": [{"id": "USBSTOR\\Disk\\1", "parent": "USB\\)" +
        given.usb_id + R"(\\1"}, {"id": "USB\\)" + given.usb_id + R"(\\1"}]})");
    const std::string report = collect_disk_health(*machine).logs.at(2);
    std::string sent;
    for (const std::string& request : test_support::pass_through_requests(machine->call_log()))
        sent += (sent.empty() ? "" : " ") + request.substr(request.find(' ') + 1, 2);
    return {report_fields(report, {"BridgeVendor", "BridgeModel", "InternalProtocol"}),
            report_fields(report, {"CurrentProvider", "FinalTemperature"}) + " | " + sent};
}

class KnownUsbDevice : public ::testing::TestWithParam<KnownDeviceCase> {};

TEST_P(KnownUsbDevice, IsReadAsItsRowSays) {
    EXPECT_EQ(run_on(GetParam()), (std::vector{GetParam().identified, GetParam().read}));
}

// A USB NVMe bridge of the family whose drive reads 318 K.
std::string firmware(const std::string& family) {
    return R"("nvme_bridge": {"family": ")" + family +
           R"(", "health_log": {"composite_kelvin": 318}})";
}

// Every SAT form refused, direct and then buffered.
const std::string SAT_REFUSED = "85 85 A1 A1 A1 A1 DF DF F8 F8 D8 D8 24 24";

INSTANTIATE_TEST_SUITE_P(
    Devices, KnownUsbDevice,
    ::testing::Values(
        KnownDeviceCase{
            "BrandedAsmedia", "VID_04E8&PID_4001", firmware("asmedia"),
            "ASMedia | Samsung Portable SSD T7 (ASMedia ASM2362) | NVMe",
            "USB NVMe (ASMedia (0xE6, Get Log Page 02h)) | 45°C | " + SAT_REFUSED + " E6 A1 FC E6"},
        KnownDeviceCase{"BrandedJmicron", "VID_21C4&PID_0003", firmware("jmicron"),
                        "JMicron | Lexar ES3 Portable SSD (JMicron) | NVMe",
                        "USB NVMe (JMicron (0xA1, three phases)) | 45°C | " + SAT_REFUSED +
                            " E6 A1 FC A1 A1 A1"},
        KnownDeviceCase{
            "BrandedRealtek", "VID_21C4&PID_B083", firmware("realtek"),
            "Realtek | Lexar E300 (Realtek) | NVMe",
            "USB NVMe (Realtek (0xE4, Get Log Page 02h)) | 45°C | " + SAT_REFUSED + " E6 A1 FC E4"},
        KnownDeviceCase{
            "UnlistedProductOfATableVendor", "VID_174C&PID_2463", firmware("asmedia"),
            "ASMedia | USB4 NVMe enclosure (ASMedia ASM2464PD) | NVMe",
            "USB NVMe (ASMedia (0xE6, Get Log Page 02h)) | 45°C | " + SAT_REFUSED + " E6 A1 FC E6"},
        KnownDeviceCase{"BridgeChipRowWins", "VID_174C&PID_55AA", firmware("asmedia"),
                        "ASMedia | ASM1153E/1053E USB 3.0 to SATA Bridge | SATA",
                        "None (Exhausted) | N/A | " + SAT_REFUSED},
        KnownDeviceCase{"RealtekCardReaderGetsNoFamilyRead", "VID_0BDA&PID_0129",
                        firmware("realtek"), "Realtek | Realtek USB Storage Controller | NVMe",
                        "None (Exhausted) | N/A | " + SAT_REFUSED + " E6 A1 FC"},
        KnownDeviceCase{"DualAdapterWithNvme", "VID_152D&PID_0581", firmware("jmicron"),
                        "JMicron | JMS581 NVMe/SATA adapter (JMicron JMS581) | SATA",
                        "USB NVMe (JMicron (0xA1, three phases)) | 45°C | " + SAT_REFUSED +
                            " E6 A1 FC A1 A1 A1"},
        KnownDeviceCase{
            "DualAdapterWithSata", "VID_152D&PID_0581", R"("sat_bridge": {"dialects": ["sat16"]})",
            "JMicron | JMS581 NVMe/SATA adapter (JMicron JMS581) | SATA", "SAT16 | 40°C | 85"},
        KnownDeviceCase{"MishandledCommandNotSent", "VID_152D&PID_0539",
                        R"("sat_bridge": {"dialects": ["jmicron"]})",
                        "JMicron | JMicron USB Storage Controller | SATA",
                        "None (Exhausted) | N/A | 85 85 A1 A1 A1 A1 F8 F8 D8 D8 24 24"}),
    [](const ::testing::TestParamInfo<KnownDeviceCase>& test) { return test.param.name; });

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
