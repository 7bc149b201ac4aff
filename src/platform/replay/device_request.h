// The fields a device request is recognised by when a recorded reply is played
// back: a recording is not a device model, so its replies are keyed by the
// request that produced them, decoded as the driver reads it.
//
//   IOCTL_STORAGE_QUERY_PROPERTY     property_id, query_type; for the protocol-
//                                    specific properties (49, 50) also
//                                    protocol_type, data_type, request_value,
//                                    request_sub_value, request_sub_value2
//   IOCTL_ATA_PASS_THROUGH           ata_flags, data_transfer_length, task_file
//                                    (the seven CurrentTaskFile registers, hex)
//   IOCTL_SCSI_PASS_THROUGH(_DIRECT) cdb (hex), data_in, data_transfer_length
//
// Every request carries "ioctl" (the SDK name, or "0x%08X" for another code);
// a request too short to hold its structure is recognised by "ioctl" alone.
// Both sides use this one decoding: the capture builder when it writes a
// recorded reply, the simulated machine when it looks one up.
#pragma once

#include <cstdint>
#include <expected>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quartzmon::platform::replay {

// The IOCTL's SDK name, or "0x%08X" for a code the sensor does not send.
std::string ioctl_name(std::uint32_t io_control_code);

nlohmann::json device_request_key(std::uint32_t io_control_code,
                                  std::span<const std::uint8_t> request);

// Bytes as upper-case hex pairs separated by spaces ("28 00 0A"), the form
// machine descriptions use for raw bytes.
std::string hex_text(std::span<const std::uint8_t> bytes);
// The bytes of such text (white space between pairs allowed), or the position
// of the first character that does not start a pair of hexadecimal digits.
std::expected<std::vector<std::uint8_t>, std::size_t> bytes_of_hex_text(std::string_view text);

}  // namespace quartzmon::platform::replay
