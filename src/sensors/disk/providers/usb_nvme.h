// The NVMe SMART / Health Information log of a drive behind a USB-to-NVMe
// bridge. Windows sees such a drive as a USB SCSI disk, so the log request is
// wrapped in a bridge vendor's SCSI command and sent through SCSI
// pass-through: three fixed bridge commands in a fixed order, whatever the
// bridge, then, on a device enumeration knows to hold an NVMe drive behind a
// chip of the ASMedia, JMicron or Realtek family, that family's published
// read (device/nvme_bridge_commands encodes it). It never fails: an
// unreadable drive gives an Unavailable record and the chain moves on.
#pragma once

#include <expected>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::providers {

class UsbNvmeBridgeProvider final : public provider::DiskProvider {
public:
    explicit UsbNvmeBridgeProvider(platform::Platform& platform) : platform_(platform) {}

    std::string_view name() const override;
    bool supports(const enumeration::DiskIdentity& disk) const override;
    std::expected<DiskHealthRecord, provider::ProviderError> query(
        const enumeration::DiskIdentity& disk) const override;

private:
    platform::Platform& platform_;
};

}  // namespace quartzmon::sensors::disk::providers
