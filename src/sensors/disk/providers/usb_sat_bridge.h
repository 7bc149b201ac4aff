// SMART through a USB-to-SATA bridge: the storage temperature properties
// first, then SMART READ DATA wrapped in SCSI command blocks, the two standard
// SAT forms and five vendor forms, each sent direct and, when that gives
// nothing, buffered. Every attempt leaves a diagnostic with its status and
// sense data; it never fails, so a bridge that answers nothing still gives an
// Unavailable record that documents the search.
#pragma once

#include <expected>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::providers {

class UsbSatBridgeProvider final : public provider::DiskProvider {
public:
    explicit UsbSatBridgeProvider(platform::Platform& platform) : platform_(platform) {}

    std::string_view name() const override;
    bool supports(const enumeration::DiskIdentity& disk) const override;
    std::expected<DiskHealthRecord, provider::ProviderError> query(
        const enumeration::DiskIdentity& disk) const override;

private:
    platform::Platform& platform_;
};

}  // namespace quartzmon::sensors::disk::providers
