// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS as the volume manager answers it: the
// volume's described VOLUME_DISK_EXTENTS.
#pragma once

#include <span>

#include "platform/simulated/device_reply.h"

namespace quartzmon::platform::simulated {

IoctlOutcome answer_volume_disk_extents(const DeviceReply& extents, std::span<std::uint8_t> out);

}  // namespace quartzmon::platform::simulated
