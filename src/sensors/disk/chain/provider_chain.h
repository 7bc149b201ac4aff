// The fallback chain for one disk: asks the providers in list order, takes the
// first record that carries a temperature, holds back the first usable record
// without one, and otherwise reports the disk as exhausted. It never fails.
#pragma once

#include <vector>

#include "sensors/disk/records.h"
#include "platform/platform.h"
#include "sensors/disk/enumeration/disk_identity.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::provider {

// The record's diagnostic_log is the chain's own log, its provider_diagnostics
// the attempts of every provider that returned a record. The platform gives the
// local clock for the chain time.
DiskHealthRecord run_provider_chain(platform::Platform& platform, const ProviderList& providers,
                                    const enumeration::DiskIdentity& disk);

// The record of a disk left asleep instead of asking the providers: the
// exhaustion record named "None (Standby)", its attempts those of the standby
// check, its log the chain's starting line and one line saying why.
DiskHealthRecord standby_record(platform::Platform& platform, const enumeration::DiskIdentity& disk,
                                std::vector<ProviderDiagnostic> attempts);

}  // namespace quartzmon::sensors::disk::provider
