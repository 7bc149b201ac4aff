#include "sensors/disk/device/nvme_bridge_commands.h"

#include "platform/bytes.h"

namespace quartzmon::sensors::disk::device {

using namespace quartzmon::platform;

namespace {

// CDW10 of Get Log Page: the log identifier in bits 0-7, the number of dwords
// less one (NUMDL) in bits 16-31.
constexpr std::uint8_t NVME_ADMIN_GET_LOG_PAGE = 0x02;
constexpr std::uint8_t NVME_LOG_SMART_HEALTH_INFORMATION = 0x02;
constexpr std::uint32_t NVME_NSID_ALL = 0xFFFFFFFF;
constexpr std::uint32_t HEALTH_LOG_SIZE = 512;
constexpr unsigned NUMDL_SHIFT = 16;

constexpr std::uint8_t ASMEDIA_NVME_PASS_THROUGH = 0xE6;
constexpr std::uint8_t REALTEK_NVME_PASS_THROUGH = 0xE4;
constexpr std::uint8_t JMICRON_NVME_PASS_THROUGH = 0xA1;
constexpr std::uint8_t CDB16 = 16;
constexpr std::uint8_t CDB12 = 12;

// JMicron: byte 1 is 80h (admin) plus the phase, bytes 3-5 the phase's
// length, big-endian. The command block holds the signature "NVME" in dword
// 0, the opcode in dword 2, the NSID in dword 3 and CDW10 in dword 12; the
// response block the signature and completion dword 3, whose Status Field is
// bits 17-31 (bit 16 is the phase tag). The bridge's firmware model in the
// simulated machine copies this layout on purpose, to decode what is sent.
constexpr std::uint8_t JMICRON_ADMIN_NVM_COMMAND = 0x80;
constexpr std::uint8_t JMICRON_ADMIN_DMA_IN = 0x82;
constexpr std::uint8_t JMICRON_ADMIN_RESPONSE = 0x8F;
constexpr std::uint32_t JMICRON_SIGNATURE = 0x454D564E;  // "NVME" as little-endian bytes
constexpr std::size_t JMICRON_SIGNATURE_AT = 0;
constexpr std::size_t JMICRON_OPCODE_AT = 8;
constexpr std::size_t JMICRON_NSID_AT = 12;
constexpr std::size_t JMICRON_CDW10_AT = 48;
constexpr std::size_t JMICRON_COMPLETION_DW3_AT = 20;
constexpr unsigned NVME_STATUS_FIELD_SHIFT = 17;

ScsiCommand jmicron_phase(std::uint8_t phase, std::uint32_t length, ScsiDataDirection direction) {
    return {{JMICRON_NVME_PASS_THROUGH, phase, 0x00, static_cast<std::uint8_t>(length >> 16),
             static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)},
            CDB12,
            length,
            direction};
}

}  // namespace

NvmeAdminCommand health_log_command() {
    const std::uint32_t numdl = HEALTH_LOG_SIZE / 4 - 1;
    return {NVME_ADMIN_GET_LOG_PAGE, NVME_NSID_ALL,
            numdl << NUMDL_SHIFT | NVME_LOG_SMART_HEALTH_INFORMATION, HEALTH_LOG_SIZE};
}

// Byte 1 the opcode, byte 3 CDW10's low byte, byte 7 the low byte of its
// upper half.
ScsiCommand asmedia_command(const NvmeAdminCommand& command) {
    ScsiCommand scsi{{ASMEDIA_NVME_PASS_THROUGH, command.opcode}, CDB16, command.data_length};
    scsi.cdb[3] = static_cast<std::uint8_t>(command.cdw10);
    scsi.cdb[7] = static_cast<std::uint8_t>(command.cdw10 >> 16);
    return scsi;
}

// Bytes 1-2 the data length, little-endian, byte 3 the opcode, byte 4
// CDW10's low byte.
ScsiCommand realtek_command(const NvmeAdminCommand& command) {
    ScsiCommand scsi{{REALTEK_NVME_PASS_THROUGH}, CDB16, command.data_length};
    put_u16(scsi.cdb, 1, static_cast<std::uint16_t>(command.data_length));
    scsi.cdb[3] = command.opcode;
    scsi.cdb[4] = static_cast<std::uint8_t>(command.cdw10);
    return scsi;
}

ScsiCommand jmicron_command_phase(const NvmeAdminCommand&) {
    return jmicron_phase(JMICRON_ADMIN_NVM_COMMAND, JMICRON_BLOCK_SIZE, ScsiDataDirection::Out);
}

JmicronBlock jmicron_command_block(const NvmeAdminCommand& command) {
    JmicronBlock block{};
    put_u32(block, JMICRON_SIGNATURE_AT, JMICRON_SIGNATURE);
    put_u32(block, JMICRON_OPCODE_AT, command.opcode);
    put_u32(block, JMICRON_NSID_AT, command.nsid);
    put_u32(block, JMICRON_CDW10_AT, command.cdw10);
    return block;
}

ScsiCommand jmicron_data_phase(const NvmeAdminCommand& command) {
    return jmicron_phase(JMICRON_ADMIN_DMA_IN, command.data_length, ScsiDataDirection::In);
}

ScsiCommand jmicron_response_phase() {
    return jmicron_phase(JMICRON_ADMIN_RESPONSE, JMICRON_BLOCK_SIZE, ScsiDataDirection::In);
}

bool jmicron_completion_succeeded(std::span<const std::uint8_t> response) {
    return response.size() >= JMICRON_BLOCK_SIZE &&
           get_u32(response, JMICRON_SIGNATURE_AT) == JMICRON_SIGNATURE &&
           get_u32(response, JMICRON_COMPLETION_DW3_AT) >> NVME_STATUS_FIELD_SHIFT == 0;
}

}  // namespace quartzmon::sensors::disk::device
