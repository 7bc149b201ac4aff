#include "sensors/disk/device/ata_pass_through.h"

#include "platform/bytes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::sensors::disk::device {

using namespace quartzmon::platform;
namespace apt = layout::ATA_PASS_THROUGH_EX;
namespace ideregs = layout::IDEREGS;

namespace {

// The data area follows the header directly.
constexpr std::size_t DATA_AREA_OFFSET = apt::size;

void put_registers(std::span<std::uint8_t> request, const AtaRegisters& registers) {
    const std::span<std::uint8_t> task_file = request.subspan(apt::CurrentTaskFile, ideregs::size);
    put_u8(task_file, ideregs::bFeaturesReg, registers.features);
    put_u8(task_file, ideregs::bSectorCountReg, registers.sector_count);
    put_u8(task_file, ideregs::bSectorNumberReg, registers.sector_number);
    put_u8(task_file, ideregs::bCylLowReg, registers.cyl_low);
    put_u8(task_file, ideregs::bCylHighReg, registers.cyl_high);
    put_u8(task_file, ideregs::bDriveHeadReg, registers.drive_head);
    put_u8(task_file, ideregs::bCommandReg, registers.command);
}

AtaRegisters get_registers(std::span<const std::uint8_t> request) {
    const std::span<const std::uint8_t> task_file =
        request.subspan(apt::CurrentTaskFile, ideregs::size);
    return {
        get_u8(task_file, ideregs::bFeaturesReg),     get_u8(task_file, ideregs::bSectorCountReg),
        get_u8(task_file, ideregs::bSectorNumberReg), get_u8(task_file, ideregs::bCylLowReg),
        get_u8(task_file, ideregs::bCylHighReg),      get_u8(task_file, ideregs::bDriveHeadReg),
        get_u8(task_file, ideregs::bCommandReg)};
}

AtaPassThroughReply send_ata(const DeviceHandle& device, const AtaRegisters& registers,
                             std::uint16_t flags, std::uint32_t data_length) {
    std::vector<std::uint8_t> request(DATA_AREA_OFFSET + data_length, 0);
    put_u16(request, apt::Length, static_cast<std::uint16_t>(apt::size));
    put_u16(request, apt::AtaFlags, flags);
    put_u32(request, apt::DataTransferLength, data_length);
    put_u32(request, apt::TimeOutValue, PASS_THROUGH_TIMEOUT_SECONDS);
    put_u64(request, apt::DataBufferOffset, DATA_AREA_OFFSET);
    put_registers(request, registers);

    AtaPassThroughReply reply;
    reply.call = device_io_control(device, IOCTL_ATA_PASS_THROUGH, request, request);
    reply.returned = get_registers(request);
    reply.data.assign(request.begin() + DATA_AREA_OFFSET, request.end());
    return reply;
}

}  // namespace

AtaPassThroughReply send_ata_data_in(const DeviceHandle& device, const AtaRegisters& registers,
                                     std::uint32_t data_length) {
    return send_ata(device, registers, layout::ATA_FLAGS_DRDY_REQUIRED | layout::ATA_FLAGS_DATA_IN,
                    data_length);
}

AtaPassThroughReply send_ata_non_data(const DeviceHandle& device, const AtaRegisters& registers) {
    return send_ata(device, registers, layout::ATA_FLAGS_DRDY_REQUIRED, 0);
}

}  // namespace quartzmon::sensors::disk::device
