// The data buffer of a SCSI_PASS_THROUGH_DIRECT request. The request carries
// the buffer's address and length instead of the data, and the driver writes
// straight into the caller's memory. This is the one place where that address
// is followed: the simulated machine writes the device's data there, as a
// driver does, and the recording platform reads back what the driver wrote.
#pragma once

#include <cstdint>
#include <span>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform {

// The caller's buffer a direct request names, or an empty span for any other
// request, or when the request is too short to hold the header, names no
// buffer or a length of 0.
inline std::span<std::uint8_t> direct_data_buffer(std::uint32_t io_control_code,
                                                  std::span<const std::uint8_t> request) {
    namespace sptd = layout::SCSI_PASS_THROUGH_DIRECT;
    if (io_control_code != IOCTL_SCSI_PASS_THROUGH_DIRECT || request.size() < sptd::size) return {};
    const std::uint64_t address = get_u64(request, sptd::DataBuffer);
    const std::uint32_t length = get_u32(request, sptd::DataTransferLength);
    if (address == 0 || length == 0) return {};
    return {reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address)), length};
}

}  // namespace quartzmon::platform
