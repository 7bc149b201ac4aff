#include "sensors/disk/enumeration/bridge_chips.h"

#include <array>

namespace quartzmon::sensors::disk::enumeration {
namespace {

struct BridgeChipRow {
    std::uint16_t vid;
    std::optional<std::uint16_t> pid;  // none: the vendor's fallback row
    BridgeChipInfo info;
};

constexpr std::optional<std::uint16_t> ANY_PRODUCT = std::nullopt;

// Every vendor has exactly one fallback row. The Realtek fallback says NVMe:
// Realtek's USB storage bridges are NVMe bridges.
constexpr std::array<BridgeChipRow, 22> BRIDGE_CHIPS{{
    {0x174C, 0x1153, {"ASMedia", "ASM1153 USB 3.0 to SATA Bridge", "SATA"}},
    {0x174C, 0x235C, {"ASMedia", "ASM235CM USB 3.1 to SATA Bridge", "SATA"}},
    {0x174C, 0x2362, {"ASMedia", "ASM2362 USB 3.1 to NVMe Bridge", "NVMe"}},
    {0x174C, 0x2364, {"ASMedia", "ASM2364 USB 3.2 Gen2x2 to NVMe Bridge", "NVMe"}},
    {0x174C, 0x55AA, {"ASMedia", "ASM1153E/1053E USB 3.0 to SATA Bridge", "SATA"}},
    {0x174C, ANY_PRODUCT, {"ASMedia", "ASMedia USB Storage Controller", "SATA"}},
    {0x152D, 0x0562, {"JMicron", "JMS562 USB 3.0 to SATA Bridge", "SATA"}},
    {0x152D, 0x0567, {"JMicron", "JMS567 USB 3.0 to SATA 6Gb/s Bridge", "SATA"}},
    {0x152D, 0x0578, {"JMicron", "JMS578 USB 3.0 to SATA 6Gb/s Bridge", "SATA"}},
    {0x152D, 0x0580, {"JMicron", "JMS580 USB 3.1 Gen2 to SATA 6Gb/s Bridge", "SATA"}},
    {0x152D, 0x0583, {"JMicron", "JMS583 USB 3.1 Gen2 to PCIe/NVMe Bridge", "NVMe"}},
    {0x152D, 0x0586, {"JMicron", "JMS586 USB 3.2 Gen2x2 to PCIe/NVMe Bridge", "NVMe"}},
    {0x152D, ANY_PRODUCT, {"JMicron", "JMicron USB Storage Controller", "SATA"}},
    {0x0BDA, 0x9210, {"Realtek", "RTL9210 USB 3.1 Gen2 to PCIe/NVMe Bridge", "NVMe"}},
    {0x0BDA, 0x9220, {"Realtek", "RTL9220DP USB 3.2 to PCIe/NVMe & SATA Dual Bridge", "NVMe"}},
    {0x0BDA, ANY_PRODUCT, {"Realtek", "Realtek USB Storage Controller", "NVMe"}},
    {0x0411, 0x032E, {"Buffalo", "Buffalo SSD-PUTC/D USB to SATA SSD", "SATA"}},
    {0x0411, 0x037F, {"Buffalo", "Buffalo SSD-PUT/N USB to SATA SSD", "SATA"}},
    {0x0411, ANY_PRODUCT, {"Buffalo", "Buffalo USB Storage Device", "SATA"}},
    {0x04FC, ANY_PRODUCT, {"Sunplus", "Sunplus USB to SATA Bridge", "SATA"}},
    {0x067B, ANY_PRODUCT, {"Prolific", "Prolific USB to SATA Bridge", "SATA"}},
    {0x04B4, ANY_PRODUCT, {"Cypress", "Cypress USB to ATA/SATA Bridge", "SATA"}},
}};

}  // namespace

std::vector<BridgeChipIds> bridge_chip_ids() {
    std::vector<BridgeChipIds> ids;
    for (const BridgeChipRow& row : BRIDGE_CHIPS) ids.push_back({row.vid, row.pid});
    return ids;
}

std::optional<BridgeChipInfo> lookup_bridge_chip(std::uint16_t vid,
                                                 std::optional<std::uint16_t> pid) {
    std::optional<BridgeChipInfo> fallback;
    for (const BridgeChipRow& row : BRIDGE_CHIPS) {
        if (row.vid != vid) continue;
        if (!row.pid)
            fallback = row.info;
        else if (pid && *row.pid == *pid)
            return row.info;
    }
    return fallback;
}

}  // namespace quartzmon::sensors::disk::enumeration
