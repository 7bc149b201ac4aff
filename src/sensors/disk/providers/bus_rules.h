// What a disk's bus says about the commands it takes, decided from its
// identity alone: shared by the providers' support rules and the standby check.
#pragma once

#include "sensors/disk/device/scsi_pass_through.h"
#include "sensors/disk/enumeration/disk_identity.h"

namespace quartzmon::sensors::disk::providers {

// Attached as SATA, ATA or IDE (the bus text, in any case, or BusTypeSata):
// the disk itself takes ATA commands through the ATA pass-through.
bool speaks_ata(const enumeration::DiskIdentity& disk);

// Attached through USB (the bus text, in any case, or BusTypeUsb).
bool is_on_usb(const enumeration::DiskIdentity& disk);

// The USB device is known to hang or drop off the bus on the command's
// operation code: no provider sends it.
bool mishandles(const enumeration::DiskIdentity& disk, const device::ScsiCommand& command);

}  // namespace quartzmon::sensors::disk::providers
