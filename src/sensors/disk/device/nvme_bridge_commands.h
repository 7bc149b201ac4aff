// NVMe admin commands as the USB-to-NVMe bridge families tunnel them through
// SCSI, at the field positions each vendor publishes: ASMedia and Realtek in
// one command block, JMicron in three phases with the command sent as data.
// Pure encodings and decodings, no device access: which bridge gets which
// command, in what order, is the provider's decision.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sensors/disk/device/scsi_pass_through.h"

namespace quartzmon::sensors::disk::device {

// The fields of an NVMe admin command the bridges carry.
struct NvmeAdminCommand {
    std::uint8_t opcode = 0;
    std::uint32_t nsid = 0;
    std::uint32_t cdw10 = 0;
    std::uint32_t data_length = 0;  // bytes the command reads from the drive
};

// Get Log Page for the SMART / Health Information log (02h), 512 bytes.
NvmeAdminCommand health_log_command();

// ASMedia, E6h: the data read as the command's data in.
ScsiCommand asmedia_command(const NvmeAdminCommand& command);

// Realtek, E4h: the data read as the command's data in.
ScsiCommand realtek_command(const NvmeAdminCommand& command);

// JMicron, A1h: the command phase sends the command block (data out), the
// data phase runs the command and reads its data, the response phase reads a
// block that reports the completion.
inline constexpr std::size_t JMICRON_BLOCK_SIZE = 512;
using JmicronBlock = std::array<std::uint8_t, JMICRON_BLOCK_SIZE>;

ScsiCommand jmicron_command_phase(const NvmeAdminCommand& command);
JmicronBlock jmicron_command_block(const NvmeAdminCommand& command);
ScsiCommand jmicron_data_phase(const NvmeAdminCommand& command);
ScsiCommand jmicron_response_phase();

// Whether a response block carries the signature and a completion whose
// Status Field reports success.
bool jmicron_completion_succeeded(std::span<const std::uint8_t> response);

}  // namespace quartzmon::sensors::disk::device
