#include "platform/simulated/device_reply.h"

#include <algorithm>

namespace quartzmon::platform::simulated {

DeviceReply read_device_reply(
    JsonObject& object,
    const std::function<std::vector<std::uint8_t>(JsonObject&)>& build_from_fields) {
    DeviceReply reply;
    if (const auto error = object.u32("error")) {
        reply.error = *error;
        object.reject_unknown_keys("not allowed with \"error\"");
        return reply;
    }
    reply.bytes_returned = object.u32("bytes_returned");
    if (auto raw = object.hex_bytes("raw")) {
        reply.bytes = std::move(*raw);
        object.reject_unknown_keys("not allowed with \"raw\"");
        return reply;
    }
    reply.bytes = build_from_fields(object);
    object.reject_unknown_keys();
    return reply;
}

// These requests are buffered: the I/O manager copies to the caller only the
// byte count the driver reports, so a count below the reply's size hides the
// rest, and one above it (a faulty driver) cannot copy more than was written.
IoctlOutcome deliver_truncated(const DeviceReply& reply, std::span<std::uint8_t> out) {
    if (reply.error != 0) return failed_ioctl(reply.error);
    const std::size_t fits = std::min(reply.bytes.size(), out.size());
    const std::size_t copied = std::min<std::size_t>(fits, reply.bytes_returned.value_or(fits));
    std::copy_n(reply.bytes.begin(), copied, out.begin());
    return {0, reply.bytes_returned.value_or(static_cast<std::uint32_t>(fits)), {}};
}

}  // namespace quartzmon::platform::simulated
