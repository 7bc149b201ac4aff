// A physical disk, \\.\PhysicalDriveN: which opens succeed, and the described
// answers of its driver stack and devices that the IOCTL handlers (ioctl/)
// consult.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"
#include "platform/simulated/devices/nvme_bridge.h"
#include "platform/simulated/ioctl/scsi_pass_through.h"
#include "platform/simulated/ioctl/storage_query_property.h"

namespace quartzmon::platform::simulated {

struct Disk {
    std::uint32_t number = 0;
    // Win32 error of CreateFileW by desired access mask (0: it opens); masks
    // not listed take other_access_error.
    std::map<std::uint32_t, std::uint32_t> open_errors;
    std::uint32_t other_access_error = 0;
    StorageProperties properties;
    ScsiPassThroughBehaviour scsi_pass_through;
    std::optional<NvmeStorageDevice> nvme;  // an NVMe drive on the Windows NVMe driver
    std::optional<NvmeBridge> nvme_bridge;  // a USB-to-NVMe bridge in front of the drive
};

// Reads one element of "disks"; default_number is its position in the array.
Disk read_disk(JsonObject& object, std::uint32_t default_number);

std::uint32_t disk_open_error(const Disk& disk, std::uint32_t desired_access);

}  // namespace quartzmon::platform::simulated
