// An NVMe controller as a Get Log Page command reaches it: it keeps the SMART /
// Health Information log page (log identifier 02h) and answers a request for it
// from any dword-aligned offset inside the page; other log pages it does not
// have.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

struct NvmeController {
    std::array<std::uint8_t, 512> health_log{};  // the SMART / Health Information log page
};

// The completion of the command: Status Code Type and Status Code (0 and 0 on
// success), and the bytes transferred to the host.
struct NvmeLogResult {
    std::uint8_t status_code_type = 0;
    std::uint8_t status_code = 0;
    std::size_t bytes_transferred = 0;
};

// Reads { "health_log": ... }: the page as fields or as "hex"; without
// "health_log", a healthy controller at 310 K with two temperature sensors.
NvmeController read_nvme_controller(JsonObject& object);

// Get Log Page from the byte offset into the page; the whole of data is
// transferred, as zeros past the page's end.
NvmeLogResult get_log_page(const NvmeController& controller, std::uint8_t log_identifier,
                           std::uint64_t offset, std::span<std::uint8_t> data);

}  // namespace quartzmon::platform::simulated
