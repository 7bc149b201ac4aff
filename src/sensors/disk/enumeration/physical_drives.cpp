#include "sensors/disk/enumeration/physical_drives.h"

#include <array>

#include "platform/bytes.h"
#include "platform/utf.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/storage_property_query.h"
#include "sensors/disk/enumeration/drive_letters.h"
#include "sensors/disk/enumeration/usb_identity.h"
#include "sensors/disk/text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::enumeration {

using namespace quartzmon::platform;

namespace {

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk::enumeration";

constexpr std::uint32_t MAX_PHYSICAL_DRIVES = 16;

namespace descriptor_layout = layout::STORAGE_DEVICE_DESCRIPTOR;
using layout::BusTypeAta;
using layout::BusTypeNvme;
using layout::BusTypeRAID;
using layout::BusTypeSata;
using layout::BusTypeScsi;
using layout::BusTypeUsb;

// Room for the fixed part and the four identity strings after it.
constexpr std::size_t DESCRIPTOR_BUFFER_SIZE = 1024;

std::string device_path_of(std::uint32_t physical_drive) {
    return "\\\\.\\PhysicalDrive" + std::to_string(physical_drive);
}

// The descriptor query needs no data access, so a drive that refuses reading
// is opened again without it.
constexpr std::array<std::uint32_t, 2> DESCRIPTOR_ACCESS_IN_ORDER{GENERIC_READ, 0};

// Only whether the query answered matters here, so the plain DeviceIoControl
// is sent: no GetLastError is read after it.
std::optional<std::vector<std::uint8_t>> query_device_descriptor(Platform& platform,
                                                                 const std::string& device_path) {
    const std::optional<device::DeviceHandle> drive =
        device::open_device_trying_in_order(platform, device_path, DESCRIPTOR_ACCESS_IN_ORDER);
    if (!drive) return std::nullopt;

    const device::StoragePropertyQuery query =
        device::standard_property_query(layout::StorageDeviceProperty);
    std::vector<std::uint8_t> descriptor(DESCRIPTOR_BUFFER_SIZE, 0);
    std::uint32_t returned = 0;
    const bool answered = platform.device_io_control(drive->get(), IOCTL_STORAGE_QUERY_PROPERTY,
                                                     query, descriptor, returned);
    if (!answered || returned < descriptor_layout::RawDeviceProperties) return std::nullopt;
    return descriptor;
}

}  // namespace

std::string descriptor_text(std::span<const std::uint8_t> descriptor, std::uint32_t offset) {
    if (offset == 0 || offset >= descriptor.size()) return {};
    std::string bytes;
    for (std::size_t i = offset; i < descriptor.size() && descriptor[i] != 0; ++i)
        bytes += static_cast<char>(descriptor[i]);
    return std::string(trim_white_space(utf8_lossy(bytes)));
}

std::string model_text(std::string_view vendor_id, std::string_view product_id,
                       std::uint32_t physical_drive) {
    if (!vendor_id.empty() && !product_id.empty())
        return std::string(vendor_id) + " " + std::string(product_id);
    if (!vendor_id.empty()) return std::string(vendor_id);
    if (!product_id.empty()) return std::string(product_id);
    return "PhysicalDrive" + std::to_string(physical_drive);
}

std::string bus_type_name(std::uint32_t bus_type_code) {
    switch (bus_type_code) {
        case BusTypeScsi:
            return "SCSI";
        case BusTypeAta:
            return "ATAPI";
        case BusTypeUsb:
            return "USB";
        case BusTypeRAID:
            return "RAID";
        case BusTypeSata:
            return "SATA";
        case BusTypeNvme:
            return "NVMe";
        default:
            return "Storage";
    }
}

std::string internal_protocol(const std::optional<std::string_view>& bridge_protocol,
                              std::uint32_t bus_type_code, std::string_view bus_type,
                              std::string_view model) {
    if (bridge_protocol) return std::string(*bridge_protocol);
    if (bus_type_code == BusTypeNvme || bus_type == "NVMe") return "NVMe";
    if (bus_type_code == BusTypeSata || bus_type == "SATA") return "SATA";
    // Behind an unknown bridge the model is the best hint of what the drive is.
    if (bus_type == "USB")
        return ascii_upper(model).find("NVME") != std::string::npos ? "NVMe" : "SATA";
    return {};
}

std::vector<DiskIdentity> enumerate_physical_disks(Platform& platform) {
    const DriveLetterMap drive_letters = build_drive_letter_map(platform);

    std::vector<DiskIdentity> disks;
    for (std::uint32_t n = 0; n < MAX_PHYSICAL_DRIVES; ++n) {
        DiskIdentity disk;
        disk.physical_drive = n;
        disk.device_path = device_path_of(n);
        const std::optional<std::vector<std::uint8_t>> descriptor =
            query_device_descriptor(platform, disk.device_path);
        if (!descriptor) continue;

        disk.vendor_id =
            descriptor_text(*descriptor, get_u32(*descriptor, descriptor_layout::VendorIdOffset));
        disk.product_id =
            descriptor_text(*descriptor, get_u32(*descriptor, descriptor_layout::ProductIdOffset));
        disk.firmware_revision = descriptor_text(
            *descriptor, get_u32(*descriptor, descriptor_layout::ProductRevisionOffset));
        disk.serial_number = descriptor_text(
            *descriptor, get_u32(*descriptor, descriptor_layout::SerialNumberOffset));
        disk.removable_media = get_u8(*descriptor, descriptor_layout::RemovableMedia) != 0;
        disk.model = model_text(disk.vendor_id, disk.product_id, n);
        disk.bus_type_code = get_u32(*descriptor, descriptor_layout::BusType);
        disk.bus_type = bus_type_name(disk.bus_type_code);
        if (const auto entry = drive_letters.find(n); entry != drive_letters.end())
            disk.drive_letters = entry->second;

        const UsbIdentity usb = query_usb_identity(platform, n);
        disk.vid = usb.vid;
        disk.pid = usb.pid;
        std::optional<std::string_view> bridge_protocol;
        if (usb.bridge) {
            disk.bridge_vendor = usb.bridge->vendor;
            disk.bridge_model = usb.bridge->model;
            bridge_protocol = usb.bridge->protocol;
        }
        disk.nvme_read_family = usb.nvme_read_family;
        disk.mishandled_op_code = usb.mishandled_op_code;
        disk.internal_protocol =
            internal_protocol(bridge_protocol, disk.bus_type_code, disk.bus_type, disk.model);

        trace::emit(trace::Level::Info, TRACE_TARGET, [&] {
            const auto optional_text = [](std::string_view text) {
                return optional_text_debug(text.empty() ? std::nullopt
                                                        : std::optional<std::string>(text));
            };
            return "Enumerated Disk #" + std::to_string(n) + ": " + disk.model +
                   " | Bus: " + disk.bus_type + " (code " + std::to_string(disk.bus_type_code) +
                   ") | Bridge: " + optional_text(disk.bridge_vendor) +
                   " | Proto: " + optional_text(disk.internal_protocol) +
                   " | Letters: " + letters_debug(disk.drive_letters);
        });
        disks.push_back(std::move(disk));
    }
    return disks;
}

}  // namespace quartzmon::sensors::disk::enumeration
