// An NVMe controller as a Get Log Page command reaches it: it keeps the SMART /
// Health Information log page (log identifier 02h) and answers a request for it
// from any dword-aligned offset inside the page; other log pages it does not
// have. A controller without extended log page data (Identify Controller, Log
// Page Attributes bit 2) has no Log Page Offset field: it ignores the offset
// and always answers from the page's start.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

// The log identifier of the SMART / Health Information log.
inline constexpr std::uint8_t SMART_HEALTH_INFORMATION = 0x02;

struct NvmeController {
    std::array<std::uint8_t, 512> health_log{};  // the SMART / Health Information log page
    bool log_page_offset = true;                 // it supports the Log Page Offset
};

// The completion of the command: Status Code Type and Status Code (0 and 0 on
// success), and the bytes transferred to the host.
struct NvmeLogResult {
    std::uint8_t status_code_type = 0;
    std::uint8_t status_code = 0;
    std::size_t bytes_transferred = 0;

    bool succeeded() const { return status_code_type == 0 && status_code == 0; }
};

// Reads { "health_log": ..., "log_page_offset": true }: the page as fields or
// as "hex"; without "health_log", a healthy controller at 310 K with two
// temperature sensors.
NvmeController read_nvme_controller(JsonObject& object);

// Get Log Page from the byte offset into the page; the whole of data is
// transferred, as zeros past the page's end.
NvmeLogResult get_log_page(const NvmeController& controller, std::uint8_t log_identifier,
                           std::uint64_t offset, std::span<std::uint8_t> data);

}  // namespace quartzmon::platform::simulated
