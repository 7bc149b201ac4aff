#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::provider {

DiskHealthRecord record_for(const enumeration::DiskIdentity& disk) {
    DiskHealthRecord record;
    record.physical_drive = disk.physical_drive;
    record.drive_letters = disk.drive_letters;
    record.model = disk.model;
    record.serial_number = disk.serial_number;
    record.firmware_revision = disk.firmware_revision;
    record.bus_type = disk.bus_type;
    record.vid = disk.vid;
    record.pid = disk.pid;
    record.bridge_vendor = disk.bridge_vendor;
    record.internal_protocol = disk.internal_protocol;
    return record;
}

}  // namespace quartzmon::sensors::disk::provider
