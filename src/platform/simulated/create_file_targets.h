// What CreateFileW opens on the simulated machine: a disk or a volume by its
// device name after \\.\ (PhysicalDriveN, L:), or a file of the host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simulated/disk.h"
#include "platform/simulated/handle_table.h"
#include "platform/simulated/volume.h"

namespace quartzmon::platform::simulated {

// The disk or volume the name refers to, when the desired access opens it;
// otherwise nothing, with the Win32 error in error (ERROR_FILE_NOT_FOUND for a
// name nothing answers to).
std::optional<OpenObject> open_device(std::vector<Disk>& disks, const Volumes& volumes,
                                      std::u16string_view name, std::uint32_t desired_access,
                                      std::uint32_t& error);

// A host file; error is ERROR_ALREADY_EXISTS when an existing file is opened
// where one may be created, as Windows reports it, else 0 or the failure.
std::optional<OpenObject> open_file(const std::u16string& path, std::uint32_t desired_access,
                                    std::uint32_t creation_disposition, std::uint32_t& error);

}  // namespace quartzmon::platform::simulated
