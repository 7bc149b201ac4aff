#include "sensors/disk/enumeration/drive_letters.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "platform/bytes.h"
#include "platform/utf.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/enumeration/powershell_drive_letters.h"
#include "sensors/disk/enumeration/windows_text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::enumeration {

using namespace quartzmon::platform;

namespace {

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk::enumeration";

constexpr std::size_t DOS_DEVICE_BUFFER_UNITS = 1024;

// Room for VOLUME_DISK_EXTENTS with many extents; only the first is read.
constexpr std::size_t DISK_EXTENTS_BUFFER_SIZE = 1024;
namespace extents_layout = layout::VOLUME_DISK_EXTENTS;

// Labels of volumes that live on a disk but hold synchronised or virtual
// content, not the disk's own data.
constexpr std::array<std::string_view, 4> VIRTUAL_LABEL_WORDS{"google drive", "onedrive", "virtual",
                                                              "dropbox"};

bool is_virtual_drive_type(std::uint32_t drive_type) {
    return drive_type == DRIVE_NO_ROOT_DIR || drive_type == DRIVE_REMOTE ||
           drive_type == DRIVE_CDROM || drive_type == DRIVE_RAMDISK;
}

bool has_virtual_label(Platform& platform, const std::u16string& root) {
    std::array<char16_t, layout::MAX_PATH> volume_name{};
    std::array<char16_t, layout::MAX_PATH> file_system_name{};
    if (!platform.get_volume_information(root, volume_name, file_system_name)) return false;
    const std::string label = ascii_lower(text_without_outer_zeros(volume_name));
    for (const std::string_view word : VIRTUAL_LABEL_WORDS)
        if (label.find(word) != std::string::npos) return true;
    return false;
}

// A local disk volume's DOS device is \Device\HarddiskVolumeN (or a physical
// drive); a substituted drive points at a folder instead.
bool is_substituted_folder(Platform& platform, const std::u16string& device_name) {
    std::array<char16_t, DOS_DEVICE_BUFFER_UNITS> target{};
    const std::uint32_t units = platform.query_dos_device(device_name, target);
    if (units == 0) return false;
    const std::string text = utf16_to_utf8(
        std::u16string_view(target.data(), std::min<std::size_t>(units, target.size())));
    return text.find("HarddiskVolume") == std::string::npos &&
           text.find("PhysicalDrive") == std::string::npos;
}

// The disk of the volume's first extent: a volume spanning several disks
// counts for the first one only.
std::optional<std::uint32_t> volume_disk_number(Platform& platform, char letter) {
    const Handle volume = platform.create_file(utf8_to_utf16(std::string("\\\\.\\") + letter + ":"),
                                               0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL);
    if (!is_valid_handle(volume)) return std::nullopt;
    std::array<std::uint8_t, DISK_EXTENTS_BUFFER_SIZE> extents{};
    std::uint32_t returned = 0;
    const bool answered = platform.device_io_control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS,
                                                     {}, extents, returned);
    platform.close_handle(volume);
    if (!answered || returned < extents_layout::size ||
        get_u32(extents, extents_layout::NumberOfDiskExtents) == 0)
        return std::nullopt;
    return get_u32(extents, extents_layout::Extents + layout::DISK_EXTENT::DiskNumber);
}

}  // namespace

DriveLetterMap map_volume_letters(Platform& platform) {
    DriveLetterMap map;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (is_virtual_volume(platform, letter)) {
            trace::emit(trace::Level::Debug, TRACE_TARGET, [&] {
                return std::string("Skipping virtual drive ") + letter +
                       ": from physical disk mapping";
            });
            continue;
        }
        const std::optional<std::uint32_t> disk = volume_disk_number(platform, letter);
        if (!disk) continue;
        map[*disk].push_back(static_cast<char32_t>(letter));
        trace::emit(trace::Level::Debug, TRACE_TARGET, [&] {
            return std::string("Volume Mapping: ") + letter + ": -> PhysicalDrive" +
                   std::to_string(*disk);
        });
    }
    return map;
}

bool is_virtual_volume(Platform& platform, char letter) {
    const std::u16string root = utf8_to_utf16(std::string(1, letter) + ":\\");
    if (is_virtual_drive_type(platform.get_drive_type(root))) return true;
    if (has_virtual_label(platform, root)) return true;
    return is_substituted_folder(platform, utf8_to_utf16(std::string(1, letter) + ":"));
}

DriveLetterMap build_drive_letter_map(Platform& platform) {
    DriveLetterMap map = map_volume_letters(platform);
    // Without access to the volumes (or with volumes that do not answer),
    // Windows still knows the partitions of each disk.
    if (map.empty()) map = map_drive_letters_with_powershell(platform);
    return map;
}

}  // namespace quartzmon::sensors::disk::enumeration
