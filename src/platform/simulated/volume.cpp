#include "platform/simulated/volume.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/simulated/ioctl/volume_disk_extents.h"
#include "platform/simulated/text_buffers.h"
#include "platform/simulated/win32_codes.h"
#include "platform/utf.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

struct DriveTypeName {
    std::uint32_t drive_type;
    std::string_view name;
};

constexpr std::array DRIVE_TYPE_NAMES{
    DriveTypeName{DRIVE_UNKNOWN, "DRIVE_UNKNOWN"},
    DriveTypeName{DRIVE_NO_ROOT_DIR, "DRIVE_NO_ROOT_DIR"},
    DriveTypeName{DRIVE_REMOVABLE, "DRIVE_REMOVABLE"},
    DriveTypeName{DRIVE_FIXED, "DRIVE_FIXED"},
    DriveTypeName{DRIVE_REMOTE, "DRIVE_REMOTE"},
    DriveTypeName{DRIVE_CDROM, "DRIVE_CDROM"},
    DriveTypeName{DRIVE_RAMDISK, "DRIVE_RAMDISK"},
};

namespace extents_layout = layout::VOLUME_DISK_EXTENTS;
namespace extent_layout = layout::DISK_EXTENT;

// A partition as Windows lays out the first data partition: 1 MiB in, 100 GiB long.
constexpr std::int64_t DEFAULT_STARTING_OFFSET = 1048576;
constexpr std::int64_t DEFAULT_EXTENT_LENGTH = 107374182400;

constexpr std::int64_t MAX_I64 = std::numeric_limits<std::int64_t>::max();

std::uint32_t read_drive_type(const nlohmann::json& value, const std::string& place) {
    if (!value.is_string()) return read_u32(value, place);
    const std::string name = value.get<std::string>();
    for (const DriveTypeName& known : DRIVE_TYPE_NAMES) {
        if (known.name == name) return known.drive_type;
    }
    throw DescriptionError{place, "expected a DRIVE_ name or a number"};
}

// "extents": [ { "disk": 0, "starting_offset": 1048576, "extent_length": 1073741824 } ]
std::vector<std::uint8_t> build_volume_disk_extents(JsonObject& fields) {
    const nlohmann::json::array_t& extents =
        read_array(fields.required("extents"), fields.place_of("extents"));
    std::vector<std::uint8_t> reply(
        extents_layout::Extents + std::max<std::size_t>(extents.size(), 1) * extent_layout::size,
        0);
    put_u32(reply, extents_layout::NumberOfDiskExtents, static_cast<std::uint32_t>(extents.size()));
    for (std::size_t i = 0; i < extents.size(); ++i) {
        JsonObject extent(extents[i], element_place(fields.place_of("extents"), i));
        const std::size_t at = extents_layout::Extents + i * extent_layout::size;
        put_u32(reply, at + extent_layout::DiskNumber,
                read_u32(extent.required("disk"), extent.place_of("disk")));
        put_u64(
            reply, at + extent_layout::StartingOffset,
            static_cast<std::uint64_t>(
                extent.integer("starting_offset", 0, MAX_I64).value_or(DEFAULT_STARTING_OFFSET)));
        put_u64(reply, at + extent_layout::ExtentLength,
                static_cast<std::uint64_t>(
                    extent.integer("extent_length", 0, MAX_I64).value_or(DEFAULT_EXTENT_LENGTH)));
        extent.reject_unknown_keys();
    }
    return reply;
}

}  // namespace

Volume read_volume(JsonObject& object, char letter) {
    Volume volume;
    const nlohmann::json* drive_type = object.find("drive_type");
    volume.drive_type =
        drive_type ? read_drive_type(*drive_type, object.place_of("drive_type")) : DRIVE_FIXED;
    volume.label = object.text("label").value_or("");
    volume.file_system = object.text("file_system").value_or("NTFS");
    volume.volume_information_error = object.u32("volume_information_error").value_or(0);
    volume.dos_device =
        object.text("dos_device")
            .value_or("\\Device\\HarddiskVolume" + std::to_string(letter - 'A' + 1));
    volume.dos_device_error = object.u32("dos_device_error").value_or(0);
    volume.open_error = object.u32("open_error").value_or(0);
    if (const nlohmann::json* extents = object.find("disk_extents")) {
        JsonObject described(*extents, object.place_of("disk_extents"));
        volume.disk_extents = read_device_reply(described, build_volume_disk_extents);
    } else {
        // A volume with no disk behind it (a network share, say) does not
        // know the request.
        volume.disk_extents.error = ERROR_INVALID_FUNCTION;
    }
    if (const nlohmann::json* replay = object.find("replay"))
        volume.replay = RecordedReplies::read(*replay, object.place_of("replay"));
    object.reject_unknown_keys();
    return volume;
}

const Volume* volume_of(const Volumes& volumes, char letter) {
    const auto& volume = volumes[static_cast<std::size_t>(letter - 'A')];
    return volume ? &*volume : nullptr;
}

std::uint32_t drive_type_of(const Volume* volume) {
    return volume ? volume->drive_type : DRIVE_NO_ROOT_DIR;
}

std::uint32_t copy_volume_information(const Volume& volume, std::span<char16_t> volume_name,
                                      std::span<char16_t> file_system_name) {
    if (volume.volume_information_error != 0) return volume.volume_information_error;
    const bool copied = copy_optional_text(volume.label, volume_name) &&
                        copy_optional_text(volume.file_system, file_system_name);
    return copied ? 0 : ERROR_BAD_LENGTH;
}

DosDeviceAnswer query_dos_device_target(const Volume& volume, std::span<char16_t> target_path) {
    if (volume.dos_device_error != 0) return {volume.dos_device_error, 0};
    const std::uint32_t count = copy_text_list(utf8_to_utf16(volume.dos_device), target_path);
    return {count == 0 ? ERROR_INSUFFICIENT_BUFFER : 0, count};
}

std::string_view drive_type_name(std::uint32_t drive_type) {
    for (const DriveTypeName& known : DRIVE_TYPE_NAMES) {
        if (known.drive_type == drive_type) return known.name;
    }
    return {};
}

IoctlOutcome answer_volume_request(const Volume& volume, std::uint32_t io_control_code,
                                   std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (auto recorded = volume.replay.answer(io_control_code, in, out)) return *recorded;
    switch (io_control_code) {
        case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
            return answer_volume_disk_extents(volume.disk_extents, out);
        default:
            return failed_ioctl(ERROR_INVALID_FUNCTION);
    }
}

}  // namespace quartzmon::platform::simulated
