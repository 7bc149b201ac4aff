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
    // Nonzero: every Get Log Page fails with this Status Field (Status Code
    // Type in bits 8-10, Status Code in bits 0-7), as from a drive that is
    // still starting up (Namespace Not Ready, 82h).
    std::uint16_t log_page_status = 0;
};

// The completion of the command: Status Code Type and Status Code (0 and 0 on
// success), and the bytes transferred to the host.
struct NvmeLogResult {
    std::uint8_t status_code_type = 0;
    std::uint8_t status_code = 0;
    std::size_t bytes_transferred = 0;

    bool succeeded() const { return status_code_type == 0 && status_code == 0; }
    // The Status Field of the completion queue entry without its phase tag:
    // Status Code in bits 0-7, Status Code Type in bits 8-10.
    std::uint16_t status_field() const {
        return static_cast<std::uint16_t>(status_code_type << 8 | status_code);
    }
};

// Reads { "health_log": ..., "log_page_offset": true, "log_page_status": 130 }:
// the page as fields or
// as "hex"; without "health_log", a healthy controller at 310 K with two
// temperature sensors.
NvmeController read_nvme_controller(JsonObject& object);

// Get Log Page from the byte offset into the page; the whole of data is
// transferred, as zeros past the page's end.
NvmeLogResult get_log_page(const NvmeController& controller, std::uint8_t log_identifier,
                           std::uint64_t offset, std::span<std::uint8_t> data);

// An admin command as a USB bridge hands it on: the opcode and the dwords a
// Get Log Page reads (the namespace, and CDW10: the log identifier in bits
// 0-7, the number of dwords minus one in bits 16-31).
struct NvmeAdminCommand {
    std::uint8_t opcode = 0;
    std::uint32_t nsid = 0;
    std::uint32_t cdw10 = 0;
};

inline constexpr std::uint8_t NVME_ADMIN_GET_LOG_PAGE = 0x02;
// The namespace identifier that names every namespace, and with it the whole
// controller.
inline constexpr std::uint32_t NVME_NSID_ALL = 0xFFFFFFFF;

// Runs the command with data as the host's buffer. This controller executes
// Get Log Page (from the page's start, for the whole controller: NSID 0 or
// FFFFFFFFh) and no other admin command; the status values are the
// completion's (Status Code Type in bits 8-10 of status_field()).
NvmeLogResult execute_admin_command(const NvmeController& controller,
                                    const NvmeAdminCommand& command, std::span<std::uint8_t> data);

}  // namespace quartzmon::platform::simulated
