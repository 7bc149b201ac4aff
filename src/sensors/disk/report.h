// The human-readable diagnostic report of one disk: identity, the provider
// that produced the reading, every low-level attempt and the final verdict.
#pragma once

#include <string>

#include "sensors/disk/records.h"
#include "sensors/disk/enumeration/disk_identity.h"

namespace quartzmon::sensors::disk {

// Identity fields the record lacks (vendor and product texts, bridge model) and
// the USB identity come from the disk's identity; everything else from the
// record the chain returned.
std::string build_disk_report(const DiskHealthRecord& record,
                              const enumeration::DiskIdentity& identity, bool is_elevated);

}  // namespace quartzmon::sensors::disk
