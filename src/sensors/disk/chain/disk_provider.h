// One way of reading a disk's health and temperature. Providers are stateless:
// each is created once per run and asked about many disks, each query on its
// own. They reach Windows through the Platform given to their constructor.
#pragma once

#include <expected>
#include <memory>
#include <string_view>
#include <vector>

#include "sensors/disk/records.h"
#include "sensors/disk/enumeration/disk_identity.h"
#include "sensors/disk/chain/provider_error.h"

namespace quartzmon::sensors::disk::provider {

class DiskProvider {
public:
    virtual ~DiskProvider() = default;

    // The provider's display name in the chain's log.
    virtual std::string_view name() const = 0;
    // Whether this provider applies to the disk, decided from its identity alone.
    virtual bool supports(const enumeration::DiskIdentity& disk) const = 0;
    // A complete record for the disk, with one diagnostic per low-level attempt.
    virtual std::expected<DiskHealthRecord, ProviderError> query(
        const enumeration::DiskIdentity& disk) const = 0;
};

// The providers of a run, in the order the chain asks them.
using ProviderList = std::vector<std::unique_ptr<DiskProvider>>;

// A record that carries the disk's identity fields and nothing else yet: the
// start of every record, whichever provider (or the chain) finishes it.
DiskHealthRecord record_for(const enumeration::DiskIdentity& disk);

}  // namespace quartzmon::sensors::disk::provider
