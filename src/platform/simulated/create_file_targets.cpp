#include "platform/simulated/create_file_targets.h"

#include <algorithm>

#include "platform/description/device_names.h"
#include "platform/platform.h"

namespace quartzmon::platform::simulated {
namespace {

// A device name after \\.\: PhysicalDriveN or a drive letter with its colon.
struct DeviceName {
    std::optional<std::uint32_t> disk_number;
    std::optional<char> volume_letter;
};

DeviceName parse_device_name(std::u16string_view name) {
    if (auto disk_number = description::physical_drive_number(name)) return {disk_number, {}};
    return {std::nullopt, description::drive_letter(name, false)};
}

}  // namespace

std::optional<OpenObject> open_device(std::vector<Disk>& disks, const Volumes& volumes,
                                      std::u16string_view name, std::uint32_t desired_access,
                                      std::uint32_t& error) {
    const DeviceName device = parse_device_name(name);
    error = ERROR_FILE_NOT_FOUND;
    if (device.disk_number) {
        const auto disk = std::ranges::find(disks, *device.disk_number, &Disk::number);
        if (disk == disks.end()) return std::nullopt;
        error = disk->open_errors.error_for(desired_access);
        if (error == 0) return DiskHandle{&*disk, desired_access};
    } else if (const Volume* volume =
                   device.volume_letter ? volume_of(volumes, *device.volume_letter) : nullptr) {
        error = volume->open_error;
        if (error == 0) return VolumeHandle{volume};
    }
    return std::nullopt;
}

std::optional<OpenObject> open_file(const std::u16string& path, std::uint32_t desired_access,
                                    std::uint32_t creation_disposition, std::uint32_t& error) {
    auto opened_file = open_host_file(path, desired_access, creation_disposition);
    if (!opened_file) {
        error = opened_file.error();
        return std::nullopt;
    }
    const bool may_create =
        creation_disposition == OPEN_ALWAYS || creation_disposition == CREATE_ALWAYS;
    error = may_create && opened_file->existed ? ERROR_ALREADY_EXISTS : 0;
    return std::move(opened_file->file);
}

}  // namespace quartzmon::platform::simulated
