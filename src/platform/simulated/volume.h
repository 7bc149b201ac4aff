// A volume behind a drive letter: what GetDriveTypeW, GetVolumeInformationW
// and QueryDosDeviceW report for it, whether \\.\L: opens, and how it answers
// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS.
#pragma once

#include <cstdint>
#include <optional>
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

// Reads the volume of one letter of "volumes".
Volume read_volume(JsonObject& object, char letter);

// The drive type's SDK name ("DRIVE_FIXED"), or empty for a value Windows
// does not define.
std::string_view drive_type_name(std::uint32_t drive_type);

}  // namespace quartzmon::platform::simulated
