#include "platform/simulated/ioctl/volume_disk_extents.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {

namespace extents_layout = layout::VOLUME_DISK_EXTENTS;

// A buffer too small for the header fails outright; one too small for every
// extent gets the header alone (NumberOfDiskExtents tells the size to use)
// and ERROR_MORE_DATA.
IoctlOutcome answer_volume_disk_extents(const DeviceReply& extents, std::span<std::uint8_t> out) {
    if (extents.error != 0) return failed_ioctl(extents.error);
    if (out.size() < extents_layout::size) return failed_ioctl(ERROR_INSUFFICIENT_BUFFER);
    if (out.size() < extents.bytes.size()) {
        std::copy_n(extents.bytes.begin(), extents_layout::Extents, out.begin());
        return {ERROR_MORE_DATA, static_cast<std::uint32_t>(extents_layout::size), {}};
    }
    return deliver_truncated(extents, out);
}

}  // namespace quartzmon::platform::simulated
