#include "platform/description/device_request.h"

#include <cstdio>

#include "platform/bytes.h"
#include "platform/description/hex_text.h"
#include "platform/platform.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::description {
namespace {

namespace query = layout::STORAGE_PROPERTY_QUERY;
namespace protocol = layout::STORAGE_PROTOCOL_SPECIFIC_DATA;
namespace apt = layout::ATA_PASS_THROUGH_EX;
namespace spt = layout::SCSI_PASS_THROUGH;
namespace sptd = layout::SCSI_PASS_THROUGH_DIRECT;

// PropertyId and QueryType: the two fields every property query has.
constexpr std::size_t PROPERTY_QUERY_HEADER = query::AdditionalParameters;
constexpr std::size_t PROTOCOL_QUERY_SIZE = query::AdditionalParameters + protocol::size;
constexpr std::size_t TASK_FILE_REGISTERS = layout::IDEREGS::bCommandReg + 1;

bool is_protocol_specific(std::uint32_t property_id) {
    return property_id == layout::StorageAdapterProtocolSpecificProperty ||
           property_id == layout::StorageDeviceProtocolSpecificProperty;
}

void add_property_query(nlohmann::json& key, std::span<const std::uint8_t> request) {
    if (request.size() < PROPERTY_QUERY_HEADER) return;
    const std::uint32_t property_id = get_u32(request, query::PropertyId);
    key["property_id"] = property_id;
    key["query_type"] = get_u32(request, query::QueryType);
    if (!is_protocol_specific(property_id) || request.size() < PROTOCOL_QUERY_SIZE) return;
    const auto parameters = request.subspan(query::AdditionalParameters);
    key["protocol_type"] = get_u32(parameters, protocol::ProtocolType);
    key["data_type"] = get_u32(parameters, protocol::DataType);
    key["request_value"] = get_u32(parameters, protocol::ProtocolDataRequestValue);
    key["request_sub_value"] = get_u32(parameters, protocol::ProtocolDataRequestSubValue);
    key["request_sub_value2"] = get_u32(parameters, protocol::ProtocolDataRequestSubValue2);
}

void add_ata_pass_through(nlohmann::json& key, std::span<const std::uint8_t> request) {
    if (request.size() < apt::size) return;
    key["ata_flags"] = get_u16(request, apt::AtaFlags);
    key["data_transfer_length"] = get_u32(request, apt::DataTransferLength);
    key["task_file"] = hex_text(request.subspan(apt::CurrentTaskFile, TASK_FILE_REGISTERS));
}

void add_scsi_pass_through(nlohmann::json& key, std::uint32_t io_control_code,
                           std::span<const std::uint8_t> request,
                           std::span<const std::uint8_t> direct_buffer) {
    if (request.size() < spt::size || get_u8(request, spt::CdbLength) > spt::CdbCapacity) return;
    key["cdb"] = hex_text(request.subspan(spt::Cdb, get_u8(request, spt::CdbLength)));
    key["data_in"] = get_u8(request, spt::DataIn);
    key["data_transfer_length"] = get_u32(request, spt::DataTransferLength);
    if (const auto sent = scsi_data_out(io_control_code, request, direct_buffer))
        add_data_out(key, *sent);
}

}  // namespace

std::optional<std::span<const std::uint8_t>> scsi_data_out(
    std::uint32_t io_control_code, std::span<const std::uint8_t> request,
    std::span<const std::uint8_t> direct_buffer) {
    if (io_control_code != IOCTL_SCSI_PASS_THROUGH &&
        io_control_code != IOCTL_SCSI_PASS_THROUGH_DIRECT)
        return std::nullopt;
    if (request.size() < spt::size || get_u8(request, spt::DataIn) != layout::SCSI_IOCTL_DATA_OUT)
        return std::nullopt;
    if (io_control_code == IOCTL_SCSI_PASS_THROUGH_DIRECT) return direct_buffer;
    const std::uint64_t offset = get_u64(request, spt::DataBufferOffset);
    const std::uint64_t length = get_u32(request, spt::DataTransferLength);
    if (offset > request.size() || length > request.size() - offset) return std::nullopt;
    return request.subspan(offset, length);
}

void add_data_out(nlohmann::json& key, std::span<const std::uint8_t> sent) {
    if (const auto kept = without_trailing_zeros(sent); !kept.empty())
        key["data_out"] = hex_text(kept);
}

std::vector<std::uint8_t> described_reply(std::uint32_t io_control_code,
                                          std::span<const std::uint8_t> reply) {
    std::vector<std::uint8_t> described(reply.begin(), reply.end());
    if (io_control_code == IOCTL_SCSI_PASS_THROUGH_DIRECT && described.size() >= sptd::size)
        put_u64(described, sptd::DataBuffer, 0);
    return described;
}

std::string ioctl_name(std::uint32_t code) {
    switch (code) {
        case IOCTL_STORAGE_QUERY_PROPERTY:
            return "IOCTL_STORAGE_QUERY_PROPERTY";
        case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
            return "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS";
        case IOCTL_ATA_PASS_THROUGH:
            return "IOCTL_ATA_PASS_THROUGH";
        case IOCTL_SCSI_PASS_THROUGH:
            return "IOCTL_SCSI_PASS_THROUGH";
        case IOCTL_SCSI_PASS_THROUGH_DIRECT:
            return "IOCTL_SCSI_PASS_THROUGH_DIRECT";
        default: {
            char text[16];
            std::snprintf(text, sizeof text, "0x%08X", code);
            return text;
        }
    }
}

nlohmann::json device_request_key(std::uint32_t io_control_code,
                                  std::span<const std::uint8_t> request,
                                  std::span<const std::uint8_t> direct_buffer) {
    nlohmann::json key = {{"ioctl", ioctl_name(io_control_code)}};
    switch (io_control_code) {
        case IOCTL_STORAGE_QUERY_PROPERTY:
            add_property_query(key, request);
            break;
        case IOCTL_ATA_PASS_THROUGH:
            add_ata_pass_through(key, request);
            break;
        case IOCTL_SCSI_PASS_THROUGH:
        case IOCTL_SCSI_PASS_THROUGH_DIRECT:
            add_scsi_pass_through(key, io_control_code, request, direct_buffer);
            break;
        default:
            break;
    }
    return key;
}

}  // namespace quartzmon::platform::description
