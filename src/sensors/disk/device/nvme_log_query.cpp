#include "sensors/disk/device/nvme_log_query.h"

#include "platform/bytes.h"

namespace quartzmon::sensors::disk::device {

using namespace quartzmon::platform;
namespace query_layout = layout::STORAGE_PROPERTY_QUERY;
namespace protocol_data = layout::STORAGE_PROTOCOL_SPECIFIC_DATA;
namespace data_descriptor = layout::STORAGE_PROTOCOL_DATA_DESCRIPTOR;

namespace {

// The data area starts right after the protocol-specific data, and
// ProtocolDataOffset counts from that structure's start.
constexpr std::uint32_t PROTOCOL_DATA_OFFSET = protocol_data::size;

void fill_request(std::span<std::uint8_t> buffer, std::uint32_t property_id,
                  std::uint8_t log_identifier, std::uint32_t sub_value) {
    constexpr std::size_t specific = query_layout::AdditionalParameters;
    put_u32(buffer, query_layout::PropertyId, property_id);
    put_u32(buffer, query_layout::QueryType, layout::PropertyStandardQuery);
    put_u32(buffer, specific + protocol_data::ProtocolType, layout::ProtocolTypeNvme);
    put_u32(buffer, specific + protocol_data::DataType, layout::NVMeDataTypeLogPage);
    put_u32(buffer, specific + protocol_data::ProtocolDataRequestValue, log_identifier);
    put_u32(buffer, specific + protocol_data::ProtocolDataRequestSubValue, sub_value);
    put_u32(buffer, specific + protocol_data::ProtocolDataOffset, PROTOCOL_DATA_OFFSET);
    put_u32(buffer, specific + protocol_data::ProtocolDataLength,
            static_cast<std::uint32_t>(NVME_LOG_QUERY_DATA_SIZE));
}

}  // namespace

std::span<const std::uint8_t> NvmeLogQueryReply::log_data() const {
    return std::span(buffer).subspan(data_descriptor::ProtocolSpecificData + PROTOCOL_DATA_OFFSET);
}

NvmeLogQueryReply query_nvme_log_page(const DeviceHandle& device, std::uint32_t property_id,
                                      std::uint8_t log_identifier, std::uint32_t sub_value) {
    NvmeLogQueryReply reply;
    fill_request(reply.buffer, property_id, log_identifier, sub_value);
    reply.call =
        device_io_control(device, IOCTL_STORAGE_QUERY_PROPERTY, reply.buffer, reply.buffer);
    return reply;
}

}  // namespace quartzmon::sensors::disk::device
