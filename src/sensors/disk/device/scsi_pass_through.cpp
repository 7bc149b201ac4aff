#include "sensors/disk/device/scsi_pass_through.h"

#include <algorithm>
#include <cstdint>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/text.h"

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

// SAT's additional sense code for returned ATA registers, and where they are.
constexpr std::uint8_t ASC_ATA_PASS_THROUGH_INFORMATION_AVAILABLE = 0x00;
constexpr std::uint8_t ASCQ_ATA_PASS_THROUGH_INFORMATION_AVAILABLE = 0x1D;
constexpr std::size_t DESCRIPTOR_ADDITIONAL_LENGTH = 7;
constexpr std::size_t FIRST_DESCRIPTOR = 8;
constexpr std::uint8_t ATA_STATUS_RETURN_DESCRIPTOR = 0x09;
constexpr std::size_t ATA_STATUS_RETURN_SIZE = 14;
constexpr std::size_t RETURN_ERROR = 3;
constexpr std::size_t RETURN_COUNT = 5;
constexpr std::size_t RETURN_STATUS = 13;
constexpr std::size_t FIXED_INFORMATION_ERROR = 3;
constexpr std::size_t FIXED_INFORMATION_STATUS = 4;
constexpr std::size_t FIXED_INFORMATION_COUNT = 6;

std::uint8_t data_in_field(ScsiDataDirection direction) {
    switch (direction) {
        case ScsiDataDirection::In:
            return layout::SCSI_IOCTL_DATA_IN;
        case ScsiDataDirection::Out:
            return layout::SCSI_IOCTL_DATA_OUT;
        case ScsiDataDirection::None:
            break;
    }
    return layout::SCSI_IOCTL_DATA_UNSPECIFIED;
}

// The descriptors follow the 8-byte header, as many bytes as its additional
// length says (never past the sense area).
std::optional<AtaReturnedRegisters> registers_in_descriptors(std::span<const std::uint8_t> sense) {
    const std::size_t end =
        std::min(sense.size(), FIRST_DESCRIPTOR + get_u8(sense, DESCRIPTOR_ADDITIONAL_LENGTH));
    std::size_t at = FIRST_DESCRIPTOR;
    while (at + 2 <= end) {
        const std::span<const std::uint8_t> descriptor = sense.subspan(at, end - at);
        if (get_u8(descriptor, 0) == ATA_STATUS_RETURN_DESCRIPTOR &&
            descriptor.size() >= ATA_STATUS_RETURN_SIZE) {
            return AtaReturnedRegisters{get_u8(descriptor, RETURN_ERROR),
                                        get_u8(descriptor, RETURN_COUNT),
                                        get_u8(descriptor, RETURN_STATUS)};
        }
        at += 2 + get_u8(descriptor, 1);
    }
    return std::nullopt;
}

// The fields both forms share; offset 24 differs and is the caller's to fill.
void fill_request(std::span<std::uint8_t> request, const ScsiCommand& command,
                  std::uint32_t data_length) {
    put_u16(request, spt::Length, static_cast<std::uint16_t>(spt::size));
    put_u8(request, spt::CdbLength, command.cdb_length);
    put_u8(request, spt::SenseInfoLength, static_cast<std::uint8_t>(SENSE_AREA_SIZE));
    put_u8(request, spt::DataIn, data_in_field(command.direction));
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

std::string status_and_sense_text(std::uint8_t scsi_status, const SenseValues& sense,
                                  std::uint32_t win32_error) {
    const auto shown = [](const std::optional<std::uint8_t>& value) {
        return optional_number_debug(value ? std::optional<std::uint64_t>(*value) : std::nullopt);
    };
    return "ScsiStatus: 0x" + hex2(scsi_status) + ", SenseKey: " + shown(sense.sense_key) +
           ", ASC: " + shown(sense.asc) + ", ASCQ: " + shown(sense.ascq) +
           ", Win32Error: " + std::to_string(win32_error);
}

std::optional<AtaReturnedRegisters> ata_registers_in_sense(std::span<const std::uint8_t> sense) {
    const SenseValues values = decode_sense(sense);
    if (values.asc != ASC_ATA_PASS_THROUGH_INFORMATION_AVAILABLE ||
        values.ascq != ASCQ_ATA_PASS_THROUGH_INFORMATION_AVAILABLE)
        return std::nullopt;
    const std::uint8_t response_code = get_u8(sense, 0) & RESPONSE_CODE_MASK;
    if (response_code == DESCRIPTOR_CURRENT || response_code == DESCRIPTOR_DEFERRED)
        return registers_in_descriptors(sense);
    return AtaReturnedRegisters{get_u8(sense, FIXED_INFORMATION_ERROR),
                                get_u8(sense, FIXED_INFORMATION_COUNT),
                                get_u8(sense, FIXED_INFORMATION_STATUS)};
}

}  // namespace quartzmon::sensors::disk::device
