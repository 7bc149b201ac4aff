// What a SCSI target answers to one command descriptor block: a status, sense
// data and the data it moved. The USB bridges in front of a drive
// (devices/sat_bridge.h, devices/nvme_bridge.h) are such targets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quartzmon::platform::simulated {

// SAM status codes.
inline constexpr std::uint8_t SCSI_STATUS_GOOD = 0x00;
inline constexpr std::uint8_t SCSI_STATUS_CHECK_CONDITION = 0x02;

// SPC sense keys and the additional sense codes the targets use.
inline constexpr std::uint8_t SENSE_KEY_ILLEGAL_REQUEST = 0x05;
inline constexpr std::uint8_t ASC_INVALID_COMMAND_OPERATION_CODE = 0x20;
inline constexpr std::uint8_t ASC_INVALID_FIELD_IN_CDB = 0x24;

struct ScsiCommandOutcome {
    std::uint8_t status = SCSI_STATUS_GOOD;
    std::vector<std::uint8_t> sense;  // empty when there is none
    std::uint32_t data_transferred = 0;
    std::string decoded;  // what the target understood, for the call log
    // Nonzero: the target never completed the command; the port driver waits
    // the request's TimeOutValue and fails it with this Win32 error.
    std::uint32_t request_error = 0;
};

// Sense data in fixed format (response code 70h) and descriptor format (72h).
std::vector<std::uint8_t> fixed_format_sense(std::uint8_t sense_key, std::uint8_t asc,
                                             std::uint8_t ascq);
std::vector<std::uint8_t> descriptor_format_sense(std::uint8_t sense_key, std::uint8_t asc,
                                                  std::uint8_t ascq);

// How a described target formats its sense data: "fixed", "descriptor" or
// "none" (a target that returns no sense bytes at all).
enum class SenseFormat : std::uint8_t { Fixed, Descriptor, None };
SenseFormat read_sense_format(const std::string& text, const std::string& place);
std::vector<std::uint8_t> sense_in_format(SenseFormat format, std::uint8_t sense_key,
                                          std::uint8_t asc, std::uint8_t ascq);

// A command the target never completes (ERROR_SEM_TIMEOUT), as from a device
// that answers nothing.
ScsiCommandOutcome no_completion();

// CHECK CONDITION with fixed-format sense.
ScsiCommandOutcome check_condition(std::uint8_t sense_key, std::uint8_t asc, std::uint8_t ascq);

}  // namespace quartzmon::platform::simulated
