// An ATA command sent through the Windows ATA pass-through
// (IOCTL_ATA_PASS_THROUGH): an ATA_PASS_THROUGH_EX header with the data area
// right after it, one buffer passed as input and output. Facts only: what the
// call returned and the data it brought; what a short reply means is each
// provider's own decision.
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
    std::vector<std::uint8_t> data;  // the data area as the call left it
};

// A PIO data-in command reading data_length bytes: the request is the 48-byte
// header followed by the zero-filled data area, with a 3-second timeout.
AtaPassThroughReply send_ata_data_in(const DeviceHandle& device, const AtaRegisters& registers,
                                     std::uint32_t data_length);

}  // namespace quartzmon::sensors::disk::device
