#include "platform/simulated/ioctl/scsi_pass_through.h"

#include <algorithm>

#include "platform/bytes.h"
#include "platform/description/device_request.h"
#include "platform/direct_data_buffer.h"
#include "platform/platform.h"
#include "platform/simulated/call_log_text.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

// Both forms share every field but the one at 24.
namespace spt = layout::SCSI_PASS_THROUGH;
namespace sptd = layout::SCSI_PASS_THROUGH_DIRECT;

struct PassThroughRequest {
    std::span<const std::uint8_t> cdb;
    std::uint8_t sense_info_length = 0;
    std::uint32_t sense_info_offset = 0;
    std::uint8_t direction = layout::SCSI_IOCTL_DATA_UNSPECIFIED;
    std::uint32_t data_transfer_length = 0;
    std::uint64_t data_buffer = 0;  // offset (buffered) or address (direct)
    std::uint32_t timeout_seconds = 0;
};

PassThroughRequest decode(std::span<const std::uint8_t> in, ScsiPassThroughForm form) {
    PassThroughRequest request;
    request.cdb = in.subspan(spt::Cdb, get_u8(in, spt::CdbLength));
    request.sense_info_length = get_u8(in, spt::SenseInfoLength);
    request.sense_info_offset = get_u32(in, spt::SenseInfoOffset);
    request.direction = get_u8(in, spt::DataIn);
    request.data_transfer_length = get_u32(in, spt::DataTransferLength);
    request.data_buffer =
        get_u64(in, form == ScsiPassThroughForm::Direct ? sptd::DataBuffer : spt::DataBufferOffset);
    request.timeout_seconds = get_u32(in, spt::TimeOutValue);
    return request;
}

bool fits(std::uint64_t offset, std::uint64_t length, std::size_t size) {
    return offset <= size && length <= size - offset;
}

// The port driver refuses a header of another size, a CDB longer than the
// field, sense or data areas that lie outside the buffer, and a direct buffer
// the adapter's alignment does not allow.
bool is_well_formed(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                    ScsiPassThroughForm form, std::uint32_t alignment_mask) {
    if (in.size() < spt::size || out.size() < spt::size) return false;
    if (get_u16(in, spt::Length) != spt::size) return false;
    if (get_u8(in, spt::CdbLength) > spt::CdbCapacity) return false;
    const PassThroughRequest request = decode(in, form);
    if (!fits(request.sense_info_offset, request.sense_info_length, out.size())) return false;
    if (form == ScsiPassThroughForm::Buffered)
        return fits(request.data_buffer, request.data_transfer_length,
                    std::min(in.size(), out.size()));
    return request.data_transfer_length == 0 ||
           (request.data_buffer != 0 && (request.data_buffer & alignment_mask) == 0);
}

std::uint32_t io_control_code(ScsiPassThroughForm form) {
    return form == ScsiPassThroughForm::Direct ? IOCTL_SCSI_PASS_THROUGH_DIRECT
                                               : IOCTL_SCSI_PASS_THROUGH;
}

// What a data-out command sends, decoded as a recording keys it.
std::span<const std::uint8_t> data_out_of(std::span<const std::uint8_t> in,
                                          ScsiPassThroughForm form) {
    const std::uint32_t code = io_control_code(form);
    return description::scsi_data_out(code, in, direct_data_buffer(code, in))
        .value_or(std::span<const std::uint8_t>());
}

std::string cdb_text(std::span<const std::uint8_t> cdb) {
    return "CDB " + hex_bytes(cdb);
}

// The port driver waits TimeOutValue seconds for the device, then fails the
// request.
IoctlOutcome timed_out(const PassThroughRequest& request, std::uint32_t error) {
    return {error, 0,
            cdb_text(request.cdb) + ", timed out after " + decimal(request.timeout_seconds) + " s",
            std::uint64_t{request.timeout_seconds} * 1000};
}

// The header and sense, and for the buffered form the data read.
std::uint32_t bytes_returned(const PassThroughRequest& request, std::size_t sense_size,
                             std::uint32_t read, ScsiPassThroughForm form) {
    std::uint64_t end = std::max<std::uint64_t>(spt::size, request.sense_info_offset + sense_size);
    if (form == ScsiPassThroughForm::Buffered && read > 0)
        end = std::max(end, request.data_buffer + read);
    return static_cast<std::uint32_t>(end);
}

}  // namespace

ScsiPassThroughBehaviour read_scsi_pass_through_behaviour(JsonObject& object) {
    ScsiPassThroughBehaviour behaviour;
    if (const nlohmann::json* access = object.find("access")) {
        JsonObject rules(*access, object.place_of("access"));
        read_access_errors(rules, behaviour.access);
    }
    behaviour.direct_error = object.u32("direct_error").value_or(0);
    behaviour.buffered_error = object.u32("buffered_error").value_or(0);
    behaviour.direct_data_zero = object.boolean("direct_data_zero").value_or(false);
    behaviour.alignment_mask = object.u32("alignment_mask").value_or(0);
    object.reject_unknown_keys();
    return behaviour;
}

IoctlOutcome answer_scsi_pass_through(const ScsiPassThroughBehaviour& behaviour,
                                      std::uint32_t handle_access, ScsiPassThroughForm form,
                                      const ScsiTarget& target, std::span<const std::uint8_t> in,
                                      std::span<std::uint8_t> out) {
    if (const std::uint32_t error = behaviour.access.error_for(handle_access); error != 0)
        return failed_ioctl(error);
    if (!is_well_formed(in, out, form, behaviour.alignment_mask))
        return failed_ioctl(ERROR_INVALID_PARAMETER);
    const PassThroughRequest request = decode(in, form);
    const std::uint32_t form_error =
        form == ScsiPassThroughForm::Direct ? behaviour.direct_error : behaviour.buffered_error;
    if (form_error != 0) return {form_error, 0, cdb_text(request.cdb)};

    // The target reads into a buffer of its own; what reaches the caller is
    // then copied as the form says. What a data-out command sends stays where
    // the caller put it.
    const bool data_in = request.direction == layout::SCSI_IOCTL_DATA_IN;
    const std::span<const std::uint8_t> data_out = data_out_of(in, form);
    std::vector<std::uint8_t> data(data_in ? request.data_transfer_length : 0, 0);
    const ScsiCommandOutcome outcome = target(request.cdb, data_out, data);
    if (outcome.request_error != 0) return timed_out(request, outcome.request_error);
    const std::uint32_t transferred = std::min<std::uint32_t>(
        outcome.data_transferred,
        static_cast<std::uint32_t>(data_in ? data.size() : data_out.size()));

    // The reply is the request with status, lengths, sense and data filled in.
    std::copy_n(in.begin(), std::min(in.size(), out.size()), out.begin());
    put_u8(out, spt::ScsiStatus, outcome.status);
    const std::size_t sense_length =
        std::min<std::size_t>(outcome.sense.size(), request.sense_info_length);
    std::copy_n(outcome.sense.begin(), sense_length, out.begin() + request.sense_info_offset);
    put_u8(out, spt::SenseInfoLength, static_cast<std::uint8_t>(sense_length));
    put_u32(out, spt::DataTransferLength, transferred);
    const std::uint32_t read = data_in ? transferred : 0;
    if (form == ScsiPassThroughForm::Buffered) {
        std::copy_n(data.begin(), read, out.begin() + request.data_buffer);
    } else if (!behaviour.direct_data_zero) {
        // The caller's own buffer in this process, as it is in the caller's
        // address space on Windows.
        std::ranges::copy(std::span(data).first(read),
                          direct_data_buffer(io_control_code(form), in).begin());
    }

    std::string detail = cdb_text(request.cdb);
    if (!outcome.decoded.empty()) detail += " (" + outcome.decoded + ")";
    detail += ", status " + decimal(outcome.status);
    return {0, bytes_returned(request, sense_length, read, form), detail};
}

}  // namespace quartzmon::platform::simulated
