// An ATA command sent through the Windows ATA pass-through
// (IOCTL_ATA_PASS_THROUGH): an ATA_PASS_THROUGH_EX header with the data area
// right after it, one buffer passed as input and output. Facts only: what the
// call returned, the registers the drive left and the data it brought; what a
// short reply means is each caller's own decision.
#pragma once

#include <cstdint>
#include <vector>

#include "sensors/disk/device/device_handle.h"

namespace quartzmon::sensors::disk::device {

// The ATA SMART command and its SMART READ DATA subcommand (in the Features
// register); a drive runs SMART only with the signature 4Fh/C2h in LBA Mid
// and LBA High.
inline constexpr std::uint8_t ATA_SMART = 0xB0;
inline constexpr std::uint8_t SMART_READ_DATA = 0xD0;
inline constexpr std::uint8_t SMART_LBA_MID_SIGNATURE = 0x4F;
inline constexpr std::uint8_t SMART_LBA_HIGH_SIGNATURE = 0xC2;
// CHECK POWER MODE: a non-data command that reports the power mode in the
// Count register and never spins a drive up.
inline constexpr std::uint8_t ATA_CHECK_POWER_MODE = 0xE5;
// The Status register's ERR bit: the drive ended the command with an error.
inline constexpr std::uint8_t ATA_STATUS_ERR = 0x01;
// The Device register with the obsolete bits set, as the SMART request sends it.
inline constexpr std::uint8_t ATA_DEVICE_MASTER = 0xA0;

// The registers of CurrentTaskFile, as IDEREGS names them.
struct AtaRegisters {
    std::uint8_t features = 0;
    std::uint8_t sector_count = 0;
    std::uint8_t sector_number = 0;
    std::uint8_t cyl_low = 0;
    std::uint8_t cyl_high = 0;
    std::uint8_t drive_head = 0;
    std::uint8_t command = 0;
};

struct AtaPassThroughReply {
    IoctlResult call;
    // CurrentTaskFile as the call left it: on return the driver puts Error in
    // features, Status in command, and the drive's other outputs in place.
    AtaRegisters returned;
    std::vector<std::uint8_t> data;  // the data area as the call left it
};

// A PIO data-in command reading data_length bytes: the request is the 48-byte
// header followed by the zero-filled data area, with a 3-second timeout.
AtaPassThroughReply send_ata_data_in(const DeviceHandle& device, const AtaRegisters& registers,
                                     std::uint32_t data_length);

// A command without data: the 48-byte header alone, with a 3-second timeout.
AtaPassThroughReply send_ata_non_data(const DeviceHandle& device, const AtaRegisters& registers);

}  // namespace quartzmon::sensors::disk::device
