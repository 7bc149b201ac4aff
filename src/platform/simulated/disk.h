// A physical disk, \\.\PhysicalDriveN: which opens succeed, and the described
// answers of its driver stack and devices that the IOCTL handlers (ioctl/)
// consult.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/simulated/access_errors.h"
#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"
#include "platform/simulated/devices/ata_drive.h"
#include "platform/simulated/devices/nvme_bridge.h"
#include "platform/simulated/devices/sat_bridge.h"
#include "platform/simulated/devices/scsi_target.h"
#include "platform/simulated/ioctl/ata_pass_through.h"
#include "platform/simulated/ioctl/scsi_pass_through.h"
#include "platform/simulated/ioctl/storage_query_property.h"
#include "platform/simulated/recorded_replies.h"

namespace quartzmon::platform::simulated {

// What GetDevicePowerState answers for the disk: whether the system holds it
// in its working state, or the Win32 error the call fails with.
struct DevicePowerState {
    bool on = true;
    std::uint32_t error = 0;
};

struct Disk {
    std::uint32_t number = 0;
    // Win32 error of CreateFileW by desired access mask (0: it opens).
    AccessErrors open_errors;
    StorageProperties properties;
    ScsiPassThroughBehaviour scsi_pass_through;
    AtaPassThroughBehaviour ata_pass_through = default_ata_pass_through_behaviour();
    // The drive the ATA pass-through reaches, or the one behind the bridge.
    std::optional<AtaDrive> ata_drive;
    // A USB-to-SATA bridge that answers SCSI commands; it always has a drive.
    std::optional<SatBridge> sat_bridge;
    std::optional<NvmeStorageDevice> nvme;  // an NVMe drive on the Windows NVMe driver
    std::optional<NvmeBridge> nvme_bridge;  // a USB-to-NVMe bridge in front of the drive
    // The device answers nothing: every request that reaches it waits for its
    // timeout and fails.
    bool silent = false;
    DevicePowerState device_power_state;
    // Replies recorded on a real machine, answered before the handlers.
    RecordedReplies replay;
};

// Reads one element of "disks"; default_number is its position in the array.
Disk read_disk(JsonObject& object, std::uint32_t default_number);

// Executes one command on the disk's SCSI target, the bridge in front of its
// drive, with what a data-out command sends; data_in receives what a data-in
// command reads. A disk with no bridge described knows no command the sensor
// sends and rejects each with CHECK CONDITION, ILLEGAL REQUEST, INVALID
// COMMAND OPERATION CODE.
ScsiCommandOutcome execute_scsi_command(Disk& disk, std::span<const std::uint8_t> cdb,
                                        std::span<const std::uint8_t> data_out,
                                        std::span<std::uint8_t> data_in);

// One device request on a handle opened with the given access: a recorded
// reply answers first; each IOCTL the disk's driver stack understands goes to
// its handler; anything else fails as drivers fail an unknown request.
IoctlOutcome answer_disk_request(Disk& disk, std::uint32_t access, std::uint32_t io_control_code,
                                 std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
