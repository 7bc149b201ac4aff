// Temperature and health of a disk that Windows itself drives as NVMe, through
// the storage query alone: the device and adapter temperature properties, then
// the SMART / Health Information log through the protocol-specific query. All
// three are always asked on one handle; the log outranks the properties and
// the device property outranks the adapter's.
#pragma once

#include <expected>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::providers {

class NvmeMultiProvider final : public provider::DiskProvider {
public:
    explicit NvmeMultiProvider(platform::Platform& platform) : platform_(platform) {}

    std::string_view name() const override;
    bool supports(const enumeration::DiskIdentity& disk) const override;
    std::expected<DiskHealthRecord, provider::ProviderError> query(
        const enumeration::DiskIdentity& disk) const override;

private:
    platform::Platform& platform_;
};

}  // namespace quartzmon::sensors::disk::providers
