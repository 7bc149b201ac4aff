#include "sensors/disk/device/scsi_pass_through.h"

#include <algorithm>
#include <cstdint>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::sensors::disk::device {

using namespace quartzmon::platform;
namespace spt = layout::SCSI_PASS_THROUGH;
namespace sptd = layout::SCSI_PASS_THROUGH_DIRECT;

namespace {

// The sense area follows the request; the buffered data area follows it.
constexpr std::size_t SENSE_AREA_OFFSET = spt::size;
constexpr std::size_t DATA_AREA_OFFSET = SENSE_AREA_OFFSET + SENSE_AREA_SIZE;

// SPC sense data response codes and field positions.
constexpr std::uint8_t RESPONSE_CODE_MASK = 0x7F;
constexpr std::uint8_t FIXED_CURRENT = 0x70;
constexpr std::uint8_t FIXED_DEFERRED = 0x71;
constexpr std::uint8_t DESCRIPTOR_CURRENT = 0x72;
constexpr std::uint8_t DESCRIPTOR_DEFERRED = 0x73;
constexpr std::uint8_t SENSE_KEY_MASK = 0x0F;
constexpr std::size_t FIXED_SENSE_KEY = 2;
constexpr std::size_t FIXED_ASC = 12;
constexpr std::size_t FIXED_ASCQ = 13;
constexpr std::size_t DESCRIPTOR_SENSE_KEY = 1;
constexpr std::size_t DESCRIPTOR_ASC = 2;
constexpr std::size_t DESCRIPTOR_ASCQ = 3;

// The fields both forms share; offset 24 differs and is the caller's to fill.
void fill_request(std::span<std::uint8_t> request, const ScsiCommand& command,
                  std::uint32_t data_length) {
    put_u16(request, spt::Length, static_cast<std::uint16_t>(spt::size));
    put_u8(request, spt::CdbLength, command.cdb_length);
    put_u8(request, spt::SenseInfoLength, static_cast<std::uint8_t>(SENSE_AREA_SIZE));
    put_u8(request, spt::DataIn,
           command.direction == ScsiDataDirection::In ? layout::SCSI_IOCTL_DATA_IN
                                                      : layout::SCSI_IOCTL_DATA_OUT);
    put_u32(request, spt::DataTransferLength, data_length);
    put_u32(request, spt::TimeOutValue, PASS_THROUGH_TIMEOUT_SECONDS);
    put_u32(request, spt::SenseInfoOffset, static_cast<std::uint32_t>(SENSE_AREA_OFFSET));
    std::ranges::copy(command.cdb, request.begin() + spt::Cdb);
}

void read_status_and_sense(std::span<const std::uint8_t> request, ScsiReply& reply) {
    reply.scsi_status = get_u8(request, spt::ScsiStatus);
    std::copy_n(request.begin() + SENSE_AREA_OFFSET, SENSE_AREA_SIZE, reply.sense.begin());
}

}  // namespace

ScsiReply send_scsi_direct(const DeviceHandle& device, const ScsiCommand& command,
                           DirectData data) {
    const std::span<std::uint8_t> block = data.bytes();
    if (command.direction == ScsiDataDirection::In) std::ranges::fill(block, 0);
    std::vector<std::uint8_t> request(DATA_AREA_OFFSET, 0);
    fill_request(request, command, static_cast<std::uint32_t>(block.size()));
    // The driver writes the data straight into the caller's buffer.
    put_u64(request, sptd::DataBuffer, reinterpret_cast<std::uintptr_t>(block.data()));

    ScsiReply reply;
    reply.call = device_io_control(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, request, request);
    read_status_and_sense(request, reply);
    return reply;
}

ScsiReply send_scsi_buffered(const DeviceHandle& device, const ScsiCommand& command,
                             std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> request(DATA_AREA_OFFSET + command.data_length, 0);
    fill_request(request, command, command.data_length);
    put_u64(request, spt::DataBufferOffset, DATA_AREA_OFFSET);
    std::copy_n(payload.begin(), std::min<std::size_t>(payload.size(), command.data_length),
                request.begin() + DATA_AREA_OFFSET);

    ScsiReply reply;
    reply.call = device_io_control(device, IOCTL_SCSI_PASS_THROUGH, request, request);
    read_status_and_sense(request, reply);
    reply.data.assign(request.begin() + DATA_AREA_OFFSET, request.end());
    return reply;
}

SenseValues decode_sense(std::span<const std::uint8_t> sense) {
    switch (get_u8(sense, 0) & RESPONSE_CODE_MASK) {
        case FIXED_CURRENT:
        case FIXED_DEFERRED:
            return {static_cast<std::uint8_t>(get_u8(sense, FIXED_SENSE_KEY) & SENSE_KEY_MASK),
                    get_u8(sense, FIXED_ASC), get_u8(sense, FIXED_ASCQ)};
        case DESCRIPTOR_CURRENT:
        case DESCRIPTOR_DEFERRED:
            return {static_cast<std::uint8_t>(get_u8(sense, DESCRIPTOR_SENSE_KEY) & SENSE_KEY_MASK),
                    get_u8(sense, DESCRIPTOR_ASC), get_u8(sense, DESCRIPTOR_ASCQ)};
        default:
            return {};
    }
}

}  // namespace quartzmon::sensors::disk::device
