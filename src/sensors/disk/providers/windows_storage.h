// The temperature the storage driver stack itself reports, through the device
// and adapter temperature properties. It reads no SMART data, so a reading
// carries a temperature and the status Healthy and nothing about wear. It never
// fails: an unusable disk gives an Unavailable record and the chain moves on.
#pragma once

#include <expected>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::providers {

class WindowsStorageTempProvider final : public provider::DiskProvider {
public:
    explicit WindowsStorageTempProvider(platform::Platform& platform) : platform_(platform) {}

    std::string_view name() const override;
    bool supports(const enumeration::DiskIdentity& disk) const override;
    std::expected<DiskHealthRecord, provider::ProviderError> query(
        const enumeration::DiskIdentity& disk) const override;

private:
    platform::Platform& platform_;
};

}  // namespace quartzmon::sensors::disk::providers
