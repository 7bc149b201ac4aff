// A machine description (machines/README.md) built from a recorded run, so the
// simulated machine answers a replayed run exactly as the recorded machine
// answered: the same opens, device replies, volumes, registry values, device
// tree, child output, token and clock readings.
//
// - Disks: every \\.\PhysicalDriveN that answered an open with anything but
//   ERROR_FILE_NOT_FOUND, its opens by access mask, and every device request
//   with its reply under "replay". Its StorageDeviceProperty is described as
//   failing with ERROR_NOT_SUPPORTED, so a request the recording never saw
//   gets what a driver answers for something it does not have: a property
//   fails with 50, an ATA pass-through with 1 (no ATA drive), a SCSI command
//   block gets CHECK CONDITION, ILLEGAL REQUEST, INVALID COMMAND OPERATION
//   CODE.
// - Volumes: every drive letter whose GetDriveTypeW answered anything but
//   DRIVE_NO_ROOT_DIR: type, label, file system, DOS device, open error and
//   its device requests under "replay".
// - The clock's readings in order ("local_times", "tick_counts"), the
//   registry values read, the device tree nodes seen, the child programs'
//   output and exit codes, the token, the error mode, GetTempPath2W's export
//   and the system directory. The temp directory itself is not described:
//   the replayed run writes to the host's.
#pragma once

#include <nlohmann/json.hpp>
#include <span>

#include "platform/recording/recording_platform.h"

namespace quartzmon::capture {

nlohmann::json build_machine_description(std::span<const platform::recording::RecordedCall> calls);

}  // namespace quartzmon::capture
