#include "sensors/disk/standby_check.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sensors/disk/device/ata_pass_through.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/scsi_pass_through.h"
#include "sensors/disk/providers/bus_rules.h"
#include "sensors/disk/text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk {
namespace {

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk";
constexpr std::string_view SATA_PROTOCOL = "SATA";
constexpr std::string_view SYSTEM_ATTEMPT_NAME = "GetDevicePowerState";
constexpr std::string_view ATA_ATTEMPT_NAME = "ATA CHECK POWER MODE";
constexpr std::string_view RESULT_SUCCESS = "SUCCESS";
constexpr std::string_view RESULT_FAILED = "FAILED";
constexpr std::string_view LEFT_ASLEEP = ", the disk was left asleep";

// CHECK POWER MODE's Count: 00h standby (Standby_z), 01h standby (Standby_y);
// 80h-83h idle, 40h/41h and FFh active or idle.
constexpr std::uint8_t COUNT_STANDBY_Z = 0x00;
constexpr std::uint8_t COUNT_STANDBY_Y = 0x01;

constexpr device::AtaRegisters CHECK_POWER_MODE_REGISTERS{
    0, 0, 0, 0, 0, device::ATA_DEVICE_MASTER, device::ATA_CHECK_POWER_MODE};

// SAT ATA PASS-THROUGH (16) and (12): PROTOCOL 3 (non-data), CK_COND set so
// the translator returns the drive's registers, no transfer, COMMAND E5h.
struct SatCheckPowerMode {
    std::string_view name;
    device::ScsiCommand command;
};
// clang-format off
constexpr std::array<SatCheckPowerMode, 2> SAT_CHECK_POWER_MODE{{
    {"SAT16 CHECK POWER MODE", {{0x85, 0x06, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE5, 0x00}, 16, 0,
                                device::ScsiDataDirection::None}},
    {"SAT12 CHECK POWER MODE", {{0xA1, 0x06, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE5,
                                 0x00, 0x00}, 12, 0, device::ScsiDataDirection::None}},
}};
// clang-format on

enum class PowerState { Standby, Awake, Unknown };

// One step's answer and the attempt that documents it.
struct Answer {
    PowerState state = PowerState::Unknown;
    ProviderDiagnostic attempt;
};

bool may_spin_down(const enumeration::DiskIdentity& disk) {
    return providers::speaks_ata(disk) ||
           (providers::is_on_usb(disk) && disk.internal_protocol == SATA_PROTOCOL);
}

std::string byte_text(std::uint8_t value) {
    return "0x" + hex2(value);
}

ProviderDiagnostic attempt_named(std::string_view name, std::string_view result,
                                 std::uint32_t win32_error) {
    ProviderDiagnostic attempt;
    attempt.provider_name = name;
    attempt.result = result;
    attempt.win32_error = win32_error;
    return attempt;
}

Answer ask_system(const device::DeviceHandle& device) {
    bool on = true;
    if (!device.platform().get_device_power_state(device.get(), on)) {
        const std::uint32_t error = device.platform().get_last_error();
        Answer answer{PowerState::Unknown,
                      attempt_named(SYSTEM_ATTEMPT_NAME, RESULT_FAILED, error)};
        answer.attempt.detail =
            "GetDevicePowerState failed (Win32Error: " + std::to_string(error) + ")";
        return answer;
    }
    // A working state says nothing of the drive behind it (an enclosure parks
    // its drive unseen by the system), so only a low-power state settles it.
    Answer answer{on ? PowerState::Unknown : PowerState::Standby,
                  attempt_named(SYSTEM_ATTEMPT_NAME, RESULT_SUCCESS, 0)};
    answer.attempt.detail = on ? "Device in its working state"
                               : "Device in a low-power state" + std::string(LEFT_ASLEEP);
    return answer;
}

// The drive's answer: the Count register, unless the drive ended the command
// with an error.
Answer judge_registers(ProviderDiagnostic attempt, std::uint8_t status, std::uint8_t count) {
    if ((status & device::ATA_STATUS_ERR) != 0) {
        attempt.result = RESULT_FAILED;
        attempt.detail = "CHECK POWER MODE ended with an error (Status: " + byte_text(status) + ")";
        return {PowerState::Unknown, std::move(attempt)};
    }
    attempt.result = RESULT_SUCCESS;
    if (count == COUNT_STANDBY_Z || count == COUNT_STANDBY_Y) {
        attempt.detail = "CHECK POWER MODE: standby (Count: " + byte_text(count) + ")" +
                         std::string(LEFT_ASLEEP);
        return {PowerState::Standby, std::move(attempt)};
    }
    attempt.detail = "CHECK POWER MODE: active or idle (Count: " + byte_text(count) + ")";
    return {PowerState::Awake, std::move(attempt)};
}

Answer ask_drive_through_ata(const device::DeviceHandle& device) {
    const device::AtaPassThroughReply reply =
        device::send_ata_non_data(device, CHECK_POWER_MODE_REGISTERS);
    ProviderDiagnostic attempt =
        attempt_named(ATA_ATTEMPT_NAME, RESULT_FAILED, reply.call.win32_error);
    attempt.ata_command = device::ATA_CHECK_POWER_MODE;
    if (!reply.call.succeeded) {
        attempt.detail =
            "IOCTL_ATA_PASS_THROUGH failed (Win32Error: " + std::to_string(reply.call.win32_error) +
            ")";
        return {PowerState::Unknown, std::move(attempt)};
    }
    return judge_registers(std::move(attempt), reply.returned.command, reply.returned.sector_count);
}

// 16 first, 12 where the bridge returned no registers for it.
std::vector<Answer> ask_drive_through_sat(const device::DeviceHandle& device) {
    std::vector<Answer> answers;
    for (const SatCheckPowerMode& form : SAT_CHECK_POWER_MODE) {
        const device::ScsiReply reply = device::send_scsi_buffered(device, form.command);
        const device::SenseValues sense = device::decode_sense(reply.sense);
        ProviderDiagnostic attempt =
            attempt_named(form.name, RESULT_FAILED, reply.call.win32_error);
        attempt.scsi_op_code = form.command.cdb[0];
        attempt.ata_command = device::ATA_CHECK_POWER_MODE;
        attempt.scsi_status = reply.scsi_status;
        attempt.sense_key = sense.sense_key;
        attempt.asc = sense.asc;
        attempt.ascq = sense.ascq;
        const auto registers =
            reply.call.succeeded ? device::ata_registers_in_sense(reply.sense) : std::nullopt;
        if (registers) {
            answers.push_back(
                judge_registers(std::move(attempt), registers->status, registers->count));
            return answers;
        }
        attempt.detail =
            std::string(form.name) + " returned no ATA registers (" +
            device::status_and_sense_text(reply.scsi_status, sense, reply.call.win32_error) + ")";
        answers.push_back({PowerState::Unknown, std::move(attempt)});
    }
    return answers;
}

std::vector<Answer> ask_drive(const device::DeviceHandle& device,
                              const enumeration::DiskIdentity& disk) {
    if (providers::speaks_ata(disk)) return {ask_drive_through_ata(device)};
    return ask_drive_through_sat(device);
}

std::string_view outcome_text(bool asleep, bool answered) {
    if (asleep) return "in standby, left asleep";
    return answered ? "awake, reading it" : "power mode not known, reading it";
}

}  // namespace

StandbyCheck check_standby(platform::Platform& platform, const enumeration::DiskIdentity& disk) {
    StandbyCheck check;
    if (!may_spin_down(disk)) return check;
    const auto device = device::open_device_with_best_access(platform, disk.device_path);
    bool answered = false;
    if (device) {
        std::vector<Answer> answers{ask_system(*device)};
        if (answers.back().state == PowerState::Unknown) {
            for (Answer& answer : ask_drive(*device, disk)) answers.push_back(std::move(answer));
        }
        check.asleep = answers.back().state == PowerState::Standby;
        answered = answers.back().state != PowerState::Unknown;
        for (Answer& answer : answers) check.attempts.push_back(std::move(answer.attempt));
    }
    trace::emit(trace::Level::Debug, TRACE_TARGET, [&] {
        return "Disk #" + std::to_string(disk.physical_drive) + ": " + disk.model +
               " -> Standby check: " + std::string(outcome_text(check.asleep, answered));
    });
    return check;
}

}  // namespace quartzmon::sensors::disk
