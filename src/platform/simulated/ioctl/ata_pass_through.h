// IOCTL_ATA_PASS_THROUGH as Windows handles it: the I/O manager lets it
// through only on a handle with read and write access, the port driver checks
// the ATA_PASS_THROUGH_EX header, hands the CurrentTaskFile registers to the
// disk's ATA drive, and answers with the registers the drive returned (Status
// in the command register, Error in the features register, Count when the
// command returns one) and the data at DataBufferOffset.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/simulated/access_errors.h"
#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"
#include "platform/simulated/devices/ata_drive.h"

namespace quartzmon::platform::simulated {

// Described under "ata_pass_through": { "access": { "0x80000000": 0 },
// "bytes_returned": 559 }. access gives the error by the handle's access mask
// over Windows' rule (read-write 0, any other 5); bytes_returned replaces the
// byte count the call reports.
struct AtaPassThroughBehaviour {
    AccessErrors access;
    std::optional<std::uint32_t> bytes_returned;
};

AtaPassThroughBehaviour default_ata_pass_through_behaviour();
AtaPassThroughBehaviour read_ata_pass_through_behaviour(JsonObject& object);

// drive is null for a disk that has no ATA drive behind its driver; a silent
// drive never completes a command, so the request waits its TimeOutValue and
// fails with ERROR_SEM_TIMEOUT.
IoctlOutcome answer_ata_pass_through(const AtaPassThroughBehaviour& behaviour,
                                     std::uint32_t handle_access, AtaDrive* drive, bool silent,
                                     std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
