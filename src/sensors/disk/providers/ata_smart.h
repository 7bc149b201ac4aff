// SMART through the Windows ATA pass-through: one SMART READ DATA request to a
// disk attached as SATA, ATA or IDE, its attribute table read into a
// temperature, wear and a health verdict. It has no fallbacks of its own: a
// disk it cannot read is left to the later providers.
#pragma once

#include <expected>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::providers {

class AtaSmartProvider final : public provider::DiskProvider {
public:
    explicit AtaSmartProvider(platform::Platform& platform) : platform_(platform) {}

    std::string_view name() const override;
    bool supports(const enumeration::DiskIdentity& disk) const override;
    std::expected<DiskHealthRecord, provider::ProviderError> query(
        const enumeration::DiskIdentity& disk) const override;

private:
    platform::Platform& platform_;
};

}  // namespace quartzmon::sensors::disk::providers
