// Whether a disk is asleep, found out without waking it. A hard disk spins up
// for any command that needs its media, SMART READ DATA included, so a run that
// must leave sleeping disks alone asks first: the system (GetDevicePowerState),
// then the drive itself with CHECK POWER MODE, the one command a drive in
// standby answers without spinning up. What cannot be found out counts as
// awake: the check must never cost a disk its reading.
#pragma once

#include <vector>

#include "platform/platform.h"
#include "sensors/disk/enumeration/disk_identity.h"
#include "sensors/disk/records.h"

namespace quartzmon::sensors::disk {

struct StandbyCheck {
    bool asleep = false;
    // What was asked and what it answered, in order.
    std::vector<ProviderDiagnostic> attempts;
};

// Disks on an ATA bus and USB disks with a SATA drive behind the bridge are
// checked; any other disk (NVMe, USB NVMe) has no standby to keep and is
// reported awake without a request.
StandbyCheck check_standby(platform::Platform& platform, const enumeration::DiskIdentity& disk);

}  // namespace quartzmon::sensors::disk
