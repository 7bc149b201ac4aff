// A volume behind a drive letter: what GetDriveTypeW, GetVolumeInformationW
// and QueryDosDeviceW report for it, whether \\.\L: opens, and how it answers
// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"
#include "platform/simulated/recorded_replies.h"

namespace quartzmon::platform::simulated {

struct Volume {
    std::uint32_t drive_type = 0;
    std::string label;
    std::string file_system;
    std::uint32_t volume_information_error = 0;  // GetVolumeInformationW fails with it
    std::string dos_device;                      // QueryDosDeviceW target
    std::uint32_t dos_device_error = 0;          // QueryDosDeviceW fails with it
    std::uint32_t open_error = 0;                // CreateFileW of \\.\L: fails with it
    DeviceReply disk_extents;                    // VOLUME_DISK_EXTENTS
    RecordedReplies replay;  // replies recorded on a real machine, answered first
};

// The volumes by drive letter, A first.
using Volumes = std::array<std::optional<Volume>, 26>;

// Reads the volume of one letter of "volumes".
Volume read_volume(JsonObject& object, char letter);

// The volume behind an upper-case drive letter, or null.
const Volume* volume_of(const Volumes& volumes, char letter);

// GetDriveTypeW of a root path; volume is null when no volume is behind it.
std::uint32_t drive_type_of(const Volume* volume);

// GetVolumeInformationW: the label and the file system name, each copied with
// its zero into the buffer the caller passed (an empty buffer is a null
// pointer, which asks for nothing). Returns 0 or the Win32 error.
std::uint32_t copy_volume_information(const Volume& volume, std::span<char16_t> volume_name,
                                      std::span<char16_t> file_system_name);

struct DosDeviceAnswer {
    std::uint32_t error = 0;
    std::uint32_t count = 0;  // units written, both zeros included; 0 on failure
};

// QueryDosDeviceW of the volume's drive letter: its DOS device target as a
// list of one string.
DosDeviceAnswer query_dos_device_target(const Volume& volume, std::span<char16_t> target_path);

// One device request on the volume's handle: a recorded reply answers first;
// the disk extents are the one IOCTL a volume is asked; anything else fails
// as drivers fail an unknown request.
IoctlOutcome answer_volume_request(const Volume& volume, std::uint32_t io_control_code,
                                   std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

// The drive type's SDK name ("DRIVE_FIXED"), or empty for a value Windows
// does not define.
std::string_view drive_type_name(std::uint32_t drive_type);

}  // namespace quartzmon::platform::simulated
