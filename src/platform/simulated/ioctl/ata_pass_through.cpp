#include "platform/simulated/ioctl/ata_pass_through.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/simulated/call_log_text.h"
#include "platform/simulated/win32_codes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

namespace apt = layout::ATA_PASS_THROUGH_EX;
namespace ideregs = layout::IDEREGS;

struct AtaRequest {
    std::uint16_t flags = 0;
    std::uint32_t data_transfer_length = 0;
    std::uint32_t timeout = 0;
    std::uint64_t data_buffer_offset = 0;
};

AtaRequest decode(std::span<const std::uint8_t> in) {
    return {get_u16(in, apt::AtaFlags), get_u32(in, apt::DataTransferLength),
            get_u32(in, apt::TimeOutValue), get_u64(in, apt::DataBufferOffset)};
}

// The port driver refuses a header of another size and a data area that
// overlaps the header or lies outside the buffer.
bool is_well_formed(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (in.size() < apt::size || out.size() < apt::size) return false;
    if (get_u16(in, apt::Length) != apt::size) return false;
    const AtaRequest request = decode(in);
    if (request.data_transfer_length == 0) return true;
    return request.data_buffer_offset >= apt::size && request.data_buffer_offset <= out.size() &&
           request.data_transfer_length <= out.size() - request.data_buffer_offset;
}

AtaTaskFile task_file_of(std::span<const std::uint8_t> in) {
    const auto registers = in.subspan(apt::CurrentTaskFile, ideregs::size);
    return {
        get_u8(registers, ideregs::bFeaturesReg),     get_u8(registers, ideregs::bSectorCountReg),
        get_u8(registers, ideregs::bSectorNumberReg), get_u8(registers, ideregs::bCylLowReg),
        get_u8(registers, ideregs::bCylHighReg),      get_u8(registers, ideregs::bDriveHeadReg),
        get_u8(registers, ideregs::bCommandReg)};
}

// What the caller asked for and what the drive said, for the call log.
std::string detail_of(std::span<const std::uint8_t> in, const AtaResult& result) {
    const AtaRequest request = decode(in);
    const auto registers = in.subspan(apt::CurrentTaskFile, ideregs::bReserved);
    return "flags " + hex(request.flags) + ", " + decimal(request.data_transfer_length) +
           " bytes at " + decimal(request.data_buffer_offset) + ", timeout " +
           decimal(request.timeout) + ", task file " + hex_bytes(registers) + ", status " +
           hex_bytes(std::span(&result.status, 1)) + " error " +
           hex_bytes(std::span(&result.error, 1)) +
           (result.count ? " count " + hex_bytes(std::span(&*result.count, 1)) : "") +
           (result.spun_up ? ", " + std::string(SPUN_UP_FROM_STANDBY) : "");
}

}  // namespace

AtaPassThroughBehaviour default_ata_pass_through_behaviour() {
    AtaPassThroughBehaviour behaviour;
    behaviour.access = read_write_required();
    return behaviour;
}

AtaPassThroughBehaviour read_ata_pass_through_behaviour(JsonObject& object) {
    AtaPassThroughBehaviour behaviour = default_ata_pass_through_behaviour();
    if (const nlohmann::json* access = object.find("access")) {
        JsonObject rules(*access, object.place_of("access"));
        read_access_errors(rules, behaviour.access);
    }
    behaviour.bytes_returned = object.u32("bytes_returned");
    object.reject_unknown_keys();
    return behaviour;
}

IoctlOutcome answer_ata_pass_through(const AtaPassThroughBehaviour& behaviour,
                                     std::uint32_t handle_access, AtaDrive* drive, bool silent,
                                     std::span<const std::uint8_t> in,
                                     std::span<std::uint8_t> out) {
    if (const std::uint32_t error = behaviour.access.error_for(handle_access); error != 0)
        return failed_ioctl(error);
    if (drive == nullptr) return failed_ioctl(ERROR_INVALID_FUNCTION);
    if (!is_well_formed(in, out)) return failed_ioctl(ERROR_INVALID_PARAMETER);
    const AtaRequest request = decode(in);
    if (silent)
        return {ERROR_SEM_TIMEOUT, 0, "timed out after " + decimal(request.timeout) + " s",
                std::uint64_t{request.timeout} * 1000};
    const bool data_in = (request.flags & layout::ATA_FLAGS_DATA_IN) != 0;

    // The drive sends into a buffer of its own; the data reaches the caller
    // only when the flags say the transfer is from the device.
    std::vector<std::uint8_t> data(request.data_transfer_length, 0);
    const AtaResult result = execute(*drive, task_file_of(in), data);
    const std::size_t received = data_in ? result.bytes_transferred : 0;

    // The reply is the request with the returned registers and the data.
    std::copy_n(in.begin(), std::min(in.size(), out.size()), out.begin());
    put_u32(out, apt::DataTransferLength, static_cast<std::uint32_t>(received));
    put_u8(out, apt::CurrentTaskFile + ideregs::bFeaturesReg, result.error);
    put_u8(out, apt::CurrentTaskFile + ideregs::bCommandReg, result.status);
    if (result.count) put_u8(out, apt::CurrentTaskFile + ideregs::bSectorCountReg, *result.count);
    if (received > 0) std::copy_n(data.begin(), received, out.begin() + request.data_buffer_offset);

    const std::uint64_t reply_end =
        received == 0 ? apt::size : request.data_buffer_offset + received;
    // Built last from the caller's request: the call log shows what was sent.
    return {0, behaviour.bytes_returned.value_or(static_cast<std::uint32_t>(reply_end)),
            detail_of(in, result)};
}

}  // namespace quartzmon::platform::simulated
