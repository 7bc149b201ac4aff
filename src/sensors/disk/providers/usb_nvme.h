// The NVMe SMART / Health Information log of a drive behind a USB-to-NVMe
// bridge. Windows sees such a drive as a USB SCSI disk, so the log request is
// wrapped in a bridge vendor's SCSI command and sent through SCSI
// pass-through; three bridge commands are tried in a fixed order, whatever
// bridge enumeration named. It never fails: an unreadable drive gives an
// Unavailable record and the chain moves on.
#pragma once

#include <expected>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/provider/disk_provider.h"

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
