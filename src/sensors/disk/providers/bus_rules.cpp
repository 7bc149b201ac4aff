#include "sensors/disk/providers/bus_rules.h"

#include <string>
#include <string_view>

#include "platform/windows_layouts.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::providers {
namespace {

// Bus texts that mean the disk speaks the ATA command set (BusTypeSata too).
constexpr std::string_view ATA_BUS_TEXTS[] = {"SATA", "ATA", "IDE"};

}  // namespace

bool speaks_ata(const enumeration::DiskIdentity& disk) {
    const std::string bus = ascii_upper(disk.bus_type);
    for (const std::string_view text : ATA_BUS_TEXTS) {
        if (bus.find(text) != std::string::npos) return true;
    }
    return disk.bus_type_code == platform::layout::BusTypeSata;
}

bool is_on_usb(const enumeration::DiskIdentity& disk) {
    return ascii_upper(disk.bus_type).find("USB") != std::string::npos ||
           disk.bus_type_code == platform::layout::BusTypeUsb;
}

bool mishandles(const enumeration::DiskIdentity& disk, const device::ScsiCommand& command) {
    return disk.mishandled_op_code == command.cdb[0];
}

}  // namespace quartzmon::sensors::disk::providers
