// A SCSI command sent through the Windows SCSI pass-through, in its two forms:
// direct (the request carries the address of a separate data buffer) and
// buffered (the data area follows the request in the same buffer). Both carry
// a 32-byte sense area and a 3-second device timeout. Facts only: what the
// call, the status and the sense area said; when to fall back from one form
// to the other, and what a status means, is each provider's own decision.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sensors/disk/device/device_handle.h"

namespace quartzmon::sensors::disk::device {

inline constexpr std::size_t SENSE_AREA_SIZE = 32;

// Which way a command's data goes: from the device (SCSI_IOCTL_DATA_IN), to
// it (SCSI_IOCTL_DATA_OUT), or nowhere (SCSI_IOCTL_DATA_UNSPECIFIED).
enum class ScsiDataDirection { In, Out, None };

// A command descriptor block of 6 to 16 bytes, sent in the 16-byte Cdb field
// (bytes past cdb_length are zero), moving data_length bytes in its direction
// (the direct form moves as many as its data block holds).
struct ScsiCommand {
    std::array<std::uint8_t, 16> cdb{};
    std::uint8_t cdb_length = 0;
    std::uint32_t data_length = 0;
    ScsiDataDirection direction = ScsiDataDirection::In;
};

struct ScsiReply {
    IoctlResult call;
    std::uint8_t scsi_status = 0;  // as the driver left it in the request
    std::array<std::uint8_t, SENSE_AREA_SIZE> sense{};
    // The buffered form's data area, copied out of the request (empty for the
    // direct form, whose data lands in the caller's buffer).
    std::vector<std::uint8_t> data;
};

// The driver moves a direct request's data straight to or from the caller's
// memory, and an adapter refuses (ERROR_INVALID_PARAMETER) a buffer that does
// not meet its AlignmentMask; 16 bytes meets every mask up to 0xF.
inline constexpr std::size_t DIRECT_DATA_ALIGNMENT = 16;

// A data block a direct request can name.
template <std::size_t Size>
struct alignas(DIRECT_DATA_ALIGNMENT) DirectDataBlock : std::array<std::uint8_t, Size> {};

// The data buffer of a direct request: an aligned block, or none.
class DirectData {
public:
    DirectData() = default;
    template <std::size_t Size>
    DirectData(DirectDataBlock<Size>& block)  // NOLINT(google-explicit-constructor)
        : bytes_(block.data(), Size) {}
    std::span<std::uint8_t> bytes() const { return bytes_; }

private:
    std::span<std::uint8_t> bytes_;
};

// IOCTL_SCSI_PASS_THROUGH_DIRECT. Its DataTransferLength is the size of the
// block it is given, so the driver never reaches past the block whatever
// command.data_length says. Data in: the block is zero-filled first and
// receives what the device sends. Data out: it holds what is sent, and is
// left as is.
ScsiReply send_scsi_direct(const DeviceHandle& device, const ScsiCommand& command, DirectData data);

// IOCTL_SCSI_PASS_THROUGH: the data area follows the sense area in the
// request; for data out it starts with the payload (zeros past its end).
ScsiReply send_scsi_buffered(const DeviceHandle& device, const ScsiCommand& command,
                             std::span<const std::uint8_t> payload = {});

// The sense key and additional sense code and qualifier of a sense area.
struct SenseValues {
    std::optional<std::uint8_t> sense_key;
    std::optional<std::uint8_t> asc;
    std::optional<std::uint8_t> ascq;
};

// By the sense area's response code: fixed format (70h, 71h) or descriptor
// format (72h, 73h); any other response code gives no values.
SenseValues decode_sense(std::span<const std::uint8_t> sense);

// How a pass-through call ended, as the diagnostics show it: "ScsiStatus:
// 0x02, SenseKey: Some(5), ASC: Some(32), ASCQ: Some(0), Win32Error: 0".
std::string status_and_sense_text(std::uint8_t scsi_status, const SenseValues& sense,
                                  std::uint32_t win32_error);

// The ATA registers a SAT translator returns in the sense data when a command
// asked for them (CK_COND) or ended with an error.
struct AtaReturnedRegisters {
    std::uint8_t error = 0;
    std::uint8_t count = 0;  // COUNT (7:0)
    std::uint8_t status = 0;
};

// Read where SAT puts them under ATA PASS-THROUGH INFORMATION AVAILABLE: the
// ATA Status Return descriptor (09h) of descriptor-format sense, or the
// INFORMATION field of fixed-format sense; nothing for any other sense.
std::optional<AtaReturnedRegisters> ata_registers_in_sense(std::span<const std::uint8_t> sense);

}  // namespace quartzmon::sensors::disk::device
