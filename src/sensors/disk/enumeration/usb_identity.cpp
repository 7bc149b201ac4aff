#include "sensors/disk/enumeration/usb_identity.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/utf.h"
#include "sensors/disk/enumeration/usb_devices.h"
#include "sensors/disk/enumeration/windows_text.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::enumeration {

using namespace quartzmon::platform;

namespace {

// The disk driver lists its devices here, one value per disk number holding
// the device instance ID; its numbering is the physical drive numbering.
constexpr std::u16string_view DISK_ENUM_KEY = u"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum";
constexpr std::size_t INSTANCE_ID_BUFFER_BYTES = 1024;
constexpr std::size_t DEVICE_ID_BUFFER_UNITS = 512;
// A USB bridge is normally the disk's parent; hubs and controllers lie above.
constexpr int MAX_ANCESTORS = 5;

// Walks up from the disk's node to the first ancestor whose device ID names a
// USB vendor; returns that ID upper-cased.
std::optional<std::string> find_usb_device_id(Platform& platform, DevInst disk_node) {
    DevInst current = disk_node;
    for (int step = 0; step < MAX_ANCESTORS; ++step) {
        DevInst parent = 0;
        if (platform.cm_get_parent(parent, current, 0) != CR_SUCCESS) return std::nullopt;
        std::array<char16_t, DEVICE_ID_BUFFER_UNITS> buffer{};
        if (platform.cm_get_device_id(parent, buffer, 0) == CR_SUCCESS) {
            std::string device_id = ascii_upper(text_without_outer_zeros(buffer));
            if (device_id.find("VID_") != std::string::npos) return device_id;
        }
        current = parent;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> parse_hex4(std::string_view digits) {
    if (digits.starts_with('+')) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    std::uint16_t value = 0;
    for (const char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

constexpr std::string_view NVME_PROTOCOL = "NVMe";

UsbBridge bridge_of(const BridgeChipInfo& chip) {
    return {std::string(chip.bridge_vendor), std::string(chip.bridge_model), chip.protocol};
}

// Named by the family it answers as, and by the product and chip. An adapter
// that takes either kind of SSD keeps the protocol the bridge chip table
// gives, since the drive in it may be SATA.
UsbBridge bridge_of(const UsbDevice& device, const std::optional<BridgeChipInfo>& chip) {
    UsbBridge bridge{std::string(family_vendor_name(device.family)),
                     std::string(device.product) + " (" + std::string(device.chip) + ")",
                     NVME_PROTOCOL};
    if (device.behind == BehindBridge::NvmeOrSata)
        bridge.protocol = chip ? std::optional(chip->protocol) : std::nullopt;
    return bridge;
}

bool holds_nvme(const UsbDevice& device) {
    return device.behind == BehindBridge::Nvme || device.behind == BehindBridge::NvmeOrSata;
}

// The bridge chip table names the family by its vendor; only its NVMe rows
// are NVMe bridges, and a card reader under the vendor's fallback row is none.
std::optional<BridgeFamily> nvme_family_of(const BridgeChipInfo& chip,
                                           const std::optional<UsbDevice>& device) {
    if (chip.protocol != NVME_PROTOCOL) return std::nullopt;
    if (device && device->behind == BehindBridge::CardReader) return std::nullopt;
    return family_of_vendor(chip.bridge_vendor);
}

}  // namespace

UsbIdentity identify_usb_ids(std::optional<std::uint16_t> vid, std::optional<std::uint16_t> pid) {
    UsbIdentity identity;
    identity.vid = vid;
    identity.pid = pid;
    if (!vid) return identity;
    const std::optional<BridgeChipInfo> chip = lookup_bridge_chip(*vid, pid);
    // The USB device table never lists an ID the bridge chip table lists.
    const std::optional<UsbDevice> device = pid ? lookup_usb_device(*vid, *pid) : std::nullopt;
    if (device) identity.mishandled_op_code = device->mishandled_op_code;
    if (device && holds_nvme(*device)) {
        identity.bridge = bridge_of(*device, chip);
        identity.nvme_read_family = device->family;
    } else if (chip) {
        identity.bridge = bridge_of(*chip);
        identity.nvme_read_family = nvme_family_of(*chip, device);
    }
    return identity;
}

std::optional<std::u16string> disk_instance_id(Platform& platform, std::uint32_t physical_drive) {
    Handle key = 0;
    if (platform.reg_open_key_ex(HKEY_LOCAL_MACHINE, std::u16string(DISK_ENUM_KEY), 0, KEY_READ,
                                 key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> data(INSTANCE_ID_BUFFER_BYTES, 0);
    std::uint32_t type = 0;
    auto size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t status = platform.reg_query_value_ex(
        key, utf8_to_utf16(std::to_string(physical_drive)), type, data, size);
    platform.reg_close_key(key);
    if (status != ERROR_SUCCESS) return std::nullopt;

    // A string value ends with its terminating zero, which is not part of the
    // ID. Windows does not enforce it: a value written without one holds the
    // whole ID up to its last unit, and nothing after a zero is part of it.
    const std::size_t stored = std::min<std::size_t>(size, data.size());
    std::u16string instance_id;
    for (std::size_t offset = 0; offset + 2 <= stored; offset += 2) {
        const auto unit = static_cast<char16_t>(get_u16(data, offset));
        if (unit == 0) break;
        instance_id += unit;
    }
    // Decoded as text: an unpaired surrogate becomes U+FFFD.
    return utf8_to_utf16(utf16_to_utf8(instance_id));
}

std::optional<std::uint16_t> parse_usb_id(std::string_view device_id, std::string_view prefix) {
    const std::size_t at = device_id.find(prefix);
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view rest = device_id.substr(at + prefix.size());
    if (rest.size() < 4) return std::nullopt;
    return parse_hex4(rest.substr(0, 4));
}

UsbIdentity query_usb_identity(Platform& platform, std::uint32_t physical_drive) {
    const std::optional<std::u16string> instance_id = disk_instance_id(platform, physical_drive);
    if (!instance_id) return {};
    DevInst disk_node = 0;
    if (platform.cm_locate_devnode(disk_node, *instance_id, CM_LOCATE_DEVNODE_NORMAL) !=
        CR_SUCCESS) {
        return {};
    }
    const std::optional<std::string> device_id = find_usb_device_id(platform, disk_node);
    if (!device_id) return {};

    return identify_usb_ids(parse_usb_id(*device_id, "VID_"), parse_usb_id(*device_id, "PID_"));
}

}  // namespace quartzmon::sensors::disk::enumeration
