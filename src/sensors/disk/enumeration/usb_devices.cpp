#include "sensors/disk/enumeration/usb_devices.h"

#include <algorithm>
#include <array>

namespace quartzmon::sensors::disk::enumeration {
namespace {

using enum BridgeFamily;
using enum BehindBridge;

constexpr std::optional<std::uint8_t> NOTHING = std::nullopt;

constexpr std::string_view DRIVEDB = "smartmontools/smartmontools drivedb/drivedb.h";
constexpr std::string_view USB_IDS = "usbids/usbids usb.ids";

constexpr UsbDevice USB_DEVICES[] = {
#include "sensors/disk/enumeration/usb_devices.inc"
};

}  // namespace

std::span<const UsbDevice> usb_device_table() {
    return USB_DEVICES;
}

// The rows are sorted, so a binary search finds the ID.
std::optional<UsbDevice> lookup_usb_device(std::uint16_t vid, std::uint16_t pid) {
    const auto id_of = [](const UsbDevice& device) { return std::pair(device.vid, device.pid); };
    const auto found = std::ranges::lower_bound(USB_DEVICES, std::pair(vid, pid), {}, id_of);
    if (found == std::end(USB_DEVICES) || id_of(*found) != std::pair(vid, pid)) return std::nullopt;
    return *found;
}

}  // namespace quartzmon::sensors::disk::enumeration
