// The described answer to one kind of device request, and handing it to the
// caller's output buffer as a driver does.
//
// Each device request a description can state ("StorageDeviceProperty",
// "disk_extents", ...) is an object with the request's own fields plus three
// common keys:
//   "error"          the Win32 error the request fails with (nothing else allowed)
//   "raw"            the reply as hex bytes, instead of the request's fields
//   "bytes_returned" the byte count reported instead of the true one
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

struct DeviceReply {
    std::uint32_t error = 0;  // nonzero: the request fails with this Win32 error
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> bytes_returned;
};

// The outcome of one DeviceIoControl as the caller sees it, and a short
// decoded account of the request for the call log (empty for none).
struct IoctlOutcome {
    std::uint32_t error = 0;  // 0: the call returns TRUE
    std::uint32_t bytes_returned = 0;
    std::string detail;
    // Simulated time the caller spent waiting for a device that never
    // completed the request, before the driver gave up on it.
    std::uint64_t waited_ms = 0;
};

inline IoctlOutcome failed_ioctl(std::uint32_t error) {
    return {error, 0, {}};
}

// Reads a device request's description; build_from_fields turns the object's
// own fields into reply bytes when neither "error" nor "raw" is given.
DeviceReply read_device_reply(
    JsonObject& object,
    const std::function<std::vector<std::uint8_t>(JsonObject&)>& build_from_fields);

// Copies as much of the reply as the output buffer holds, as drivers do for
// descriptors; the byte count is the copied length unless overridden.
IoctlOutcome deliver_truncated(const DeviceReply& reply, std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
