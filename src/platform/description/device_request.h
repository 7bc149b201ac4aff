// How a recorded reply is keyed: a recording is not a device model, so its
// replies are keyed by the request that produced them, decoded as the driver
// reads it (the keys are listed under "Recorded replies" in machines/README.md).
// The capture keys a reply with this when it writes it, the simulated machine
// when it looks one up, so the two cannot disagree.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

namespace quartzmon::platform::description {

// The IOCTL's SDK name, or "0x%08X" for a code the sensor does not send.
std::string ioctl_name(std::uint32_t io_control_code);

// "ioctl" and the request's fields; a request too short to hold its structure
// is keyed by "ioctl" alone.
nlohmann::json device_request_key(std::uint32_t io_control_code,
                                  std::span<const std::uint8_t> request);

}  // namespace quartzmon::platform::description
