#include "sensors/disk/enumeration/bridge_chips.h"

#include <gtest/gtest.h>

#include <string>

#include "sensors/disk/enumeration/usb_identity.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

struct BridgeCase {
    std::uint16_t vid;
    std::optional<std::uint16_t> pid;
    std::string expected;  // "vendor|model|protocol", or empty for no row
};

std::string row_text(const std::optional<BridgeChipInfo>& row) {
    if (!row) return "";
    return std::string(row->bridge_vendor) + "|" + std::string(row->bridge_model) + "|" +
           std::string(row->protocol);
}

TEST(LookupBridgeChip, SelectsByVendorThenProduct) {
    const BridgeCase cases[] = {
        {0x174C, 0x1153, "ASMedia|ASM1153 USB 3.0 to SATA Bridge|SATA"},
        {0x174C, 0x235C, "ASMedia|ASM235CM USB 3.1 to SATA Bridge|SATA"},
        {0x174C, 0x2362, "ASMedia|ASM2362 USB 3.1 to NVMe Bridge|NVMe"},
        {0x174C, 0x2364, "ASMedia|ASM2364 USB 3.2 Gen2x2 to NVMe Bridge|NVMe"},
        {0x174C, 0x55AA, "ASMedia|ASM1153E/1053E USB 3.0 to SATA Bridge|SATA"},
        {0x174C, 0x1154, "ASMedia|ASMedia USB Storage Controller|SATA"},
        {0x174C, std::nullopt, "ASMedia|ASMedia USB Storage Controller|SATA"},
        {0x152D, 0x0562, "JMicron|JMS562 USB 3.0 to SATA Bridge|SATA"},
        {0x152D, 0x0567, "JMicron|JMS567 USB 3.0 to SATA 6Gb/s Bridge|SATA"},
        {0x152D, 0x0578, "JMicron|JMS578 USB 3.0 to SATA 6Gb/s Bridge|SATA"},
        {0x152D, 0x0580, "JMicron|JMS580 USB 3.1 Gen2 to SATA 6Gb/s Bridge|SATA"},
        {0x152D, 0x0583, "JMicron|JMS583 USB 3.1 Gen2 to PCIe/NVMe Bridge|NVMe"},
        {0x152D, 0x0586, "JMicron|JMS586 USB 3.2 Gen2x2 to PCIe/NVMe Bridge|NVMe"},
        {0x152D, 0x0579, "JMicron|JMicron USB Storage Controller|SATA"},
        {0x152D, std::nullopt, "JMicron|JMicron USB Storage Controller|SATA"},
        {0x0BDA, 0x9210, "Realtek|RTL9210 USB 3.1 Gen2 to PCIe/NVMe Bridge|NVMe"},
        {0x0BDA, 0x9220, "Realtek|RTL9220DP USB 3.2 to PCIe/NVMe & SATA Dual Bridge|NVMe"},
        {0x0BDA, 0x9211, "Realtek|Realtek USB Storage Controller|NVMe"},
        {0x0BDA, std::nullopt, "Realtek|Realtek USB Storage Controller|NVMe"},
        {0x0411, 0x032E, "Buffalo|Buffalo SSD-PUTC/D USB to SATA SSD|SATA"},
        {0x0411, 0x037F, "Buffalo|Buffalo SSD-PUT/N USB to SATA SSD|SATA"},
        {0x0411, 0x0001, "Buffalo|Buffalo USB Storage Device|SATA"},
        {0x04FC, 0x0C25, "Sunplus|Sunplus USB to SATA Bridge|SATA"},
        {0x04FC, std::nullopt, "Sunplus|Sunplus USB to SATA Bridge|SATA"},
        {0x067B, 0x2773, "Prolific|Prolific USB to SATA Bridge|SATA"},
        {0x04B4, 0x6830, "Cypress|Cypress USB to ATA/SATA Bridge|SATA"},
        // A product ID of another vendor's table row does not select that row.
        {0x0411, 0x55AA, "Buffalo|Buffalo USB Storage Device|SATA"},
        {0x0781, 0x5581, ""},
        {0x0000, std::nullopt, ""},
        {0x55AA, 0x174C, ""},
    };
    for (const BridgeCase& c : cases) {
        EXPECT_EQ(row_text(lookup_bridge_chip(c.vid, c.pid)), c.expected)
            << std::hex << c.vid << " " << c.pid.value_or(0);
    }
}

TEST(ParseUsbId, ReadsFourHexDigitsAfterTheFirstPrefix) {
    struct IdCase {
        std::string device_id;
        std::string prefix;
        std::optional<std::uint16_t> expected;
    };
    const IdCase cases[] = {
        {"USB\\VID_174C&PID_55AA\\0123456789AB", "VID_", 0x174C},
        {"USB\\VID_174C&PID_55AA\\0123456789AB", "PID_", 0x55AA},
        {"USB\\VID_174C", "PID_", std::nullopt},
        {"USB\\VID_174C", "VID_", 0x174C},
        {"USB\\VID_174", "VID_", std::nullopt},
        {"USB\\VID_12G4&PID_0001", "VID_", std::nullopt},
        {"USB\\VID_12G4&PID_0001", "PID_", 0x0001},
        {"USB\\VID_+12F&PID_1", "VID_", 0x012F},
        {"USB\\VID_++12&PID_1", "VID_", std::nullopt},
        {"USB\\VID_-123", "VID_", std::nullopt},
        {"USB\\VID_ 123", "VID_", std::nullopt},
        {"USB\\VID_FFFF", "VID_", 0xFFFF},
        {"USB\\VID_abcd", "VID_", 0xABCD},
        {"USB\\VID_0BDAVID_174C", "VID_", 0x0BDA},
        {"USB\\VID_0BDA9210", "VID_", 0x0BDA},
        {"USB\\VID_\xC3\xA9\xC3\xA9", "VID_", std::nullopt},
    };
    for (const IdCase& c : cases)
        EXPECT_EQ(parse_usb_id(c.device_id, c.prefix), c.expected)
            << c.device_id << " " << c.prefix;
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
