// How a recorded reply is keyed: a recording is not a device model, so its
// replies are keyed by the request that produced them, decoded as the driver
// reads it (the keys are listed under "Recorded replies" in machines/README.md).
// The capture keys a reply with this when it writes it, the simulated machine
// when it looks one up, so the two cannot disagree.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quartzmon::platform::description {

// The IOCTL's SDK name, or "0x%08X" for a code the sensor does not send.
std::string ioctl_name(std::uint32_t io_control_code);

// What a data-out SCSI pass-through request sends: the caller's buffer for the
// direct form (direct_buffer, as the request's DataBuffer names it), the
// request's data area for the buffered form; none for any other request, or
// for a data area outside the request.
std::optional<std::span<const std::uint8_t>> scsi_data_out(
    std::uint32_t io_control_code, std::span<const std::uint8_t> request,
    std::span<const std::uint8_t> direct_buffer);

// Adds what a data-out request sent to its key as "data_out", without the
// zeros that end it (data_transfer_length keeps the length); nothing when all
// of it is zero. For a tunnelled command the payload is the command itself,
// so two requests with the same CDB are told apart by it.
void add_data_out(nlohmann::json& key, std::span<const std::uint8_t> sent);

// "ioctl" and the request's fields, plus "data_out" for a data-out SCSI
// request; a request too short to hold its structure is keyed by "ioctl"
// alone.
nlohmann::json device_request_key(std::uint32_t io_control_code,
                                  std::span<const std::uint8_t> request,
                                  std::span<const std::uint8_t> direct_buffer);

// A reply as a description keeps it. The reply of a direct SCSI request is
// the request itself, whose DataBuffer holds an address in the process that
// sent it: the sensor never reads it back, and it would make every capture
// differ and tell about the sender's memory, so it is kept as 0.
std::vector<std::uint8_t> described_reply(std::uint32_t io_control_code,
                                          std::span<const std::uint8_t> reply);

}  // namespace quartzmon::platform::description
