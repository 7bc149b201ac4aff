// An NVMe log page through IOCTL_STORAGE_QUERY_PROPERTY: a STORAGE_PROPERTY_QUERY
// whose AdditionalParameters is a STORAGE_PROTOCOL_SPECIFIC_DATA, followed by
// the data area, in one buffer used as input and output. Facts only: which
// property and sub-value to ask with, and what a reply means, is each
// provider's own decision.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/device_handle.h"

namespace quartzmon::sensors::disk::device {

// The request header: the query up to AdditionalParameters, then the
// protocol-specific data; the data area follows it.
inline constexpr std::size_t NVME_LOG_QUERY_HEADER_SIZE =
    platform::layout::STORAGE_PROPERTY_QUERY::AdditionalParameters +
    platform::layout::STORAGE_PROTOCOL_SPECIFIC_DATA::size;
inline constexpr std::size_t NVME_LOG_QUERY_DATA_SIZE = 4096;
inline constexpr std::size_t NVME_LOG_QUERY_BUFFER_SIZE =
    NVME_LOG_QUERY_HEADER_SIZE + NVME_LOG_QUERY_DATA_SIZE;

struct NvmeLogQueryReply {
    IoctlResult call;
    std::array<std::uint8_t, NVME_LOG_QUERY_BUFFER_SIZE> buffer{};

    // The log data as the STORAGE_PROTOCOL_DATA_DESCRIPTOR reply places it:
    // after the descriptor's header, at the ProtocolDataOffset the request gave.
    std::span<const std::uint8_t> log_data() const;
};

// Asks for log_identifier with the given property (adapter or device
// protocol-specific) and ProtocolDataRequestSubValue.
NvmeLogQueryReply query_nvme_log_page(const DeviceHandle& device, std::uint32_t property_id,
                                      std::uint8_t log_identifier, std::uint32_t sub_value);

}  // namespace quartzmon::sensors::disk::device
