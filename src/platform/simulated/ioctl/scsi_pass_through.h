// IOCTL_SCSI_PASS_THROUGH and IOCTL_SCSI_PASS_THROUGH_DIRECT as the port
// driver decodes them: the SCSI_PASS_THROUGH(_DIRECT) header is checked, the
// command descriptor block goes to the disk's SCSI target with the data a
// data-out command sends, and status, sense and the data a data-in command
// reads come back in the request (buffered) or in the caller's data buffer
// (direct).
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "platform/simulated/access_errors.h"
#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"
#include "platform/simulated/devices/scsi_target.h"

namespace quartzmon::platform::simulated {

// How a disk's driver stack passes the two forms on, described under
// "scsi_pass_through": { "access": { "0x80000000": 0 }, "direct_error": 1,
// "buffered_error": 50, "direct_data_zero": true, "alignment_mask": 15 }.
// Both forms need a handle opened for reading and writing, as the I/O manager
// checks for their control codes; an error fails that form before the target
// sees it; direct_data_zero completes direct requests with the target's status
// but no data in the caller's buffer, as some bridges' drivers do; a direct
// buffer whose address has any bit of alignment_mask set is refused with 87,
// as the port driver refuses a buffer the adapter cannot reach.
struct ScsiPassThroughBehaviour {
    AccessErrors access = read_write_required();
    std::uint32_t direct_error = 0;
    std::uint32_t buffered_error = 0;
    bool direct_data_zero = false;
    std::uint32_t alignment_mask = 0;
};

ScsiPassThroughBehaviour read_scsi_pass_through_behaviour(JsonObject& object);

enum class ScsiPassThroughForm { Buffered, Direct };

// data_out holds what a data-out command sends, data_in receives what a
// data-in command reads; the other is empty.
using ScsiTarget = std::function<ScsiCommandOutcome(std::span<const std::uint8_t> cdb,
                                                    std::span<const std::uint8_t> data_out,
                                                    std::span<std::uint8_t> data_in)>;

IoctlOutcome answer_scsi_pass_through(const ScsiPassThroughBehaviour& behaviour,
                                      std::uint32_t handle_access, ScsiPassThroughForm form,
                                      const ScsiTarget& target, std::span<const std::uint8_t> in,
                                      std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
