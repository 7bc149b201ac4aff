#include "sensors/disk/providers/usb_nvme.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/nvme_bridge_commands.h"
#include "sensors/disk/device/scsi_pass_through.h"
#include "sensors/disk/providers/bus_rules.h"
#include "sensors/disk/providers/nvme_health_log.h"
#include "sensors/disk/text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using namespace quartzmon::platform;

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk::providers::usb_nvme";

constexpr std::string_view OPEN_FAILED_ATTEMPT_NAME = "USB NVMe Bridge";
constexpr std::string_view OPEN_FAILED_PROVIDER_NAME = "USB NVMe Bridge (Failed)";
constexpr std::string_view NOTHING_READ_PROVIDER_NAME = "USB NVMe (Failed)";

// Whatever enumeration said, a drive read through these bridges speaks NVMe.
constexpr std::string_view BRIDGED_PROTOCOL = "NVMe";

// A bridge command that reads the health log, 512 bytes from the device. The
// CDB field is always 16 bytes; the bridge reads only cdb_length of them.
struct UsbNvmeBridgeVariant {
    std::string_view name;
    std::uint8_t cdb_length;
    std::array<std::uint8_t, 16> cdb;
};

// In the order tried.
constexpr std::array<UsbNvmeBridgeVariant, 3> VARIANTS{{
    {"ASMedia ASM2362 (0xE6)",
     16,
     {0xE6, 0x02, 0x00, 0x00, 0x80, 0x01, 0x02, 0x00, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00}},
    {"JMicron JMS583 (0xA1)",
     12,
     {0xA1, 0x80, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00}},
    {"Realtek RTL9210 (0xFC)",
     16,
     {0xFC, 0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00}},
}};

// How a family's firmware takes an NVMe command: in one SCSI command, or in
// the three JMicron phases.
enum class Exchange { OneCommand, ThreePhases };

// The health-log read each bridge family publishes, tried after the three
// variants on a device that enumeration knows to hold an NVMe drive behind a
// chip of the family, and never on another: a vendor command sent to the
// wrong chip can hang or reset it.
struct DocumentedRead {
    enumeration::BridgeFamily family;
    std::string_view name;
    Exchange exchange;
    // The SCSI command that carries the NVMe command; for three phases, the
    // command phase.
    device::ScsiCommand (*encode)(const device::NvmeAdminCommand&);
};

constexpr std::array<DocumentedRead, 3> DOCUMENTED_READS{{
    {enumeration::BridgeFamily::ASMedia, "ASMedia (0xE6, Get Log Page 02h)", Exchange::OneCommand,
     device::asmedia_command},
    {enumeration::BridgeFamily::JMicron, "JMicron (0xA1, three phases)", Exchange::ThreePhases,
     device::jmicron_command_phase},
    {enumeration::BridgeFamily::Realtek, "Realtek (0xE4, Get Log Page 02h)", Exchange::OneCommand,
     device::realtek_command},
}};

// SAM status GOOD, as the Windows DDK names it.
constexpr std::uint8_t SCSISTAT_GOOD = 0x00;
// Stands for "no status came back" when both requests of a command failed;
// no SAM status has this value.
constexpr std::uint8_t NO_SCSI_STATUS = 255;

// A bridge that misreads a command may still return a page that parses; only
// a composite temperature strictly between these counts as a reading.
constexpr float COLDEST_EXCLUSIVE_CELSIUS = 0.0f;
constexpr float HOTTEST_EXCLUSIVE_CELSIUS = 100.0f;

using HealthLogBlock = device::DirectDataBlock<NVME_HEALTH_INFO_LOG_SIZE>;

// What one command's requests brought back.
struct PassThroughOutcome {
    std::uint8_t scsi_status = NO_SCSI_STATUS;
    std::uint8_t sense_key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    HealthLogBlock data{};  // what the device sent, or for data out what was sent
    // The NVMe command itself failed although the bridge completed the SCSI
    // commands, so the data is no log page.
    bool nvme_command_failed = false;
};

struct BridgeReading {
    std::string_view name;
    NvmeHealthLog log;
};

void take_status_and_sense(const device::ScsiReply& reply, PassThroughOutcome& outcome) {
    outcome.scsi_status = reply.scsi_status;
    const device::SenseValues sense = device::decode_sense(reply.sense);
    outcome.sense_key = sense.sense_key.value_or(0);
    outcome.asc = sense.asc.value_or(0);
    outcome.ascq = sense.ascq.value_or(0);
}

// A direct request completed with GOOD status but nothing in a data-in
// buffer: some bridges' drivers never fill the caller's buffer.
bool brought_nothing(const device::ScsiCommand& command, const device::ScsiReply& reply,
                     const HealthLogBlock& data) {
    return command.direction == device::ScsiDataDirection::In &&
           reply.scsi_status == SCSISTAT_GOOD &&
           std::ranges::all_of(data, [](std::uint8_t byte) { return byte == 0; });
}

// When a command is sent again in the buffered form. The three variants and
// the one-command family reads are resent after any failed direct call, and
// after a completed one that brought no data: some bridges' drivers never
// fill the caller's buffer. A phase of the JMicron exchange is resent only
// when the driver refused the direct request, so the device never saw it:
// the firmware takes a phase sent twice as out of order, and after a timeout
// or a device error the device may have taken it. The response phase tells
// whether there was data.
enum class Resend { AfterFailureOrNoData, OnlyWhenRefused };

// The errors with which the driver refuses a request before the device sees
// it: a request it does not offer, may not send or cannot take as built.
bool refused_by_driver(std::uint32_t error) {
    return error == ERROR_INVALID_FUNCTION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER;
}

// The direct request, and the buffered one as resend says. carried_error
// outlives the command: a failed call sets it, and only a buffered reply with
// GOOD status clears it.
PassThroughOutcome send_command(const device::DeviceHandle& device,
                                const device::ScsiCommand& command,
                                std::span<const std::uint8_t> payload, Resend resend,
                                std::uint32_t& carried_error) {
    PassThroughOutcome outcome;
    std::ranges::copy(payload, outcome.data.begin());
    const device::ScsiReply direct = device::send_scsi_direct(device, command, outcome.data);
    if (direct.call.succeeded &&
        (resend == Resend::OnlyWhenRefused || !brought_nothing(command, direct, outcome.data))) {
        take_status_and_sense(direct, outcome);
        return outcome;
    }
    if (!direct.call.succeeded) {
        carried_error = direct.call.win32_error;
        if (resend == Resend::OnlyWhenRefused && !refused_by_driver(carried_error)) return outcome;
    }
    const device::ScsiReply buffered = device::send_scsi_buffered(device, command, payload);
    if (!buffered.call.succeeded) {
        carried_error = buffered.call.win32_error;
        return outcome;
    }
    take_status_and_sense(buffered, outcome);
    if (outcome.scsi_status == SCSISTAT_GOOD) {
        std::ranges::copy(buffered.data, outcome.data.begin());
        carried_error = 0;
    }
    return outcome;
}

PassThroughOutcome read_in_one_command(const device::DeviceHandle& device,
                                       const device::ScsiCommand& command,
                                       std::uint32_t& carried_error) {
    return send_command(device, command, {}, Resend::AfterFailureOrNoData, carried_error);
}

// Stops at the first phase that fails, whose status and sense then stand for
// the attempt; the page counts only when the response reports success.
PassThroughOutcome read_in_three_phases(const device::DeviceHandle& device,
                                        const device::NvmeAdminCommand& command,
                                        std::uint32_t& carried_error) {
    const PassThroughOutcome sent = send_command(device, device::jmicron_command_phase(command),
                                                 device::jmicron_command_block(command),
                                                 Resend::OnlyWhenRefused, carried_error);
    if (sent.scsi_status != SCSISTAT_GOOD) return sent;
    PassThroughOutcome page = send_command(device, device::jmicron_data_phase(command), {},
                                           Resend::OnlyWhenRefused, carried_error);
    if (page.scsi_status != SCSISTAT_GOOD) return page;
    const PassThroughOutcome response = send_command(device, device::jmicron_response_phase(), {},
                                                     Resend::OnlyWhenRefused, carried_error);
    if (response.scsi_status != SCSISTAT_GOOD) return response;
    page.nvme_command_failed = !device::jmicron_completion_succeeded(response.data);
    return page;
}

PassThroughOutcome send_documented_read(const device::DeviceHandle& device,
                                        const DocumentedRead& read, std::uint32_t& carried_error) {
    const device::NvmeAdminCommand command = device::health_log_command();
    if (read.exchange == Exchange::ThreePhases)
        return read_in_three_phases(device, command, carried_error);
    return read_in_one_command(device, read.encode(command), carried_error);
}

const DocumentedRead* documented_read_for(const enumeration::DiskIdentity& disk) {
    if (!disk.nvme_read_family) return nullptr;
    const auto found =
        std::ranges::find(DOCUMENTED_READS, *disk.nvme_read_family, &DocumentedRead::family);
    return found == DOCUMENTED_READS.end() ? nullptr : &*found;
}

std::optional<NvmeHealthLog> plausible_log(const PassThroughOutcome& outcome) {
    if (outcome.scsi_status != SCSISTAT_GOOD || outcome.nvme_command_failed) return std::nullopt;
    const auto log = parse_nvme_health_log(outcome.data);
    if (!log) return std::nullopt;
    if (log->temperature_celsius <= COLDEST_EXCLUSIVE_CELSIUS ||
        log->temperature_celsius >= HOTTEST_EXCLUSIVE_CELSIUS) {
        return std::nullopt;
    }
    return *log;
}

ProviderDiagnostic attempt_named(std::string_view name, const device::ScsiCommand& command) {
    ProviderDiagnostic attempt;
    attempt.provider_name = "USB NVMe (" + std::string(name) + ")";
    attempt.scsi_op_code = command.cdb[0];
    attempt.data_transfer_length = static_cast<std::uint32_t>(NVME_HEALTH_INFO_LOG_SIZE);
    return attempt;
}

std::optional<std::uint8_t> present_when_nonzero(std::uint8_t value) {
    return value == 0 ? std::nullopt : std::optional(value);
}

ProviderDiagnostic failed_attempt(std::string_view name, const device::ScsiCommand& command,
                                  const PassThroughOutcome& outcome, std::uint32_t carried_error) {
    ProviderDiagnostic attempt = attempt_named(name, command);
    attempt.result = "FAILED";
    attempt.win32_error = carried_error;
    if (outcome.scsi_status != NO_SCSI_STATUS) attempt.scsi_status = outcome.scsi_status;
    attempt.sense_key = present_when_nonzero(outcome.sense_key);
    attempt.asc = present_when_nonzero(outcome.asc);
    attempt.ascq = present_when_nonzero(outcome.ascq);
    attempt.detail =
        "USB NVMe passthrough failed: ScsiStatus=" + std::to_string(outcome.scsi_status) +
        ", SenseKey=0x" + hex2(outcome.sense_key) + ", ASC=0x" + hex2(outcome.asc) + ", ASCQ=0x" +
        hex2(outcome.ascq) + ", Win32Error=" + std::to_string(carried_error);
    return attempt;
}

ProviderDiagnostic succeeded_attempt(std::string_view name, const device::ScsiCommand& command,
                                     const PassThroughOutcome& outcome, const NvmeHealthLog& log) {
    ProviderDiagnostic attempt = attempt_named(name, command);
    attempt.result = "SUCCESS";
    attempt.scsi_status = outcome.scsi_status;
    attempt.sense_key = outcome.sense_key;
    attempt.asc = outcome.asc;
    attempt.ascq = outcome.ascq;
    attempt.raw_value = log.raw_temperature_kelvin;
    attempt.temperature_c = log.temperature_celsius;
    attempt.detail = "NVMe Health Log read successful via " + std::string(name) +
                     " (Raw: " + std::to_string(log.raw_temperature_kelvin) +
                     " K, Temp: " + celsius_text(log.temperature_celsius) + ")";
    return attempt;
}

// One attempt's diagnostic; the reading when its page is plausible.
std::optional<BridgeReading> judge(std::string_view name, const device::ScsiCommand& command,
                                   const PassThroughOutcome& outcome, std::uint32_t carried_error,
                                   std::vector<ProviderDiagnostic>& attempts) {
    if (const auto log = plausible_log(outcome)) {
        attempts.push_back(succeeded_attempt(name, command, outcome, *log));
        return BridgeReading{name, *log};
    }
    attempts.push_back(failed_attempt(name, command, outcome, carried_error));
    return std::nullopt;
}

// A command the device is known to hang or drop off the bus on is never
// sent; its attempt says so.
ProviderDiagnostic not_sent_attempt(std::string_view name, const device::ScsiCommand& command) {
    ProviderDiagnostic attempt = attempt_named(name, command);
    attempt.result = "FAILED";
    attempt.detail = not_sent_text(command.cdb[0]);
    return attempt;
}

// Tries the variants in order until one gives a plausible log, one attempt
// each, then the identified family's own read.
std::optional<BridgeReading> read_through_bridge(const device::DeviceHandle& device,
                                                 const enumeration::DiskIdentity& disk,
                                                 std::vector<ProviderDiagnostic>& attempts) {
    std::uint32_t carried_error = 0;
    for (const UsbNvmeBridgeVariant& variant : VARIANTS) {
        const device::ScsiCommand command{variant.cdb, variant.cdb_length,
                                          static_cast<std::uint32_t>(NVME_HEALTH_INFO_LOG_SIZE)};
        if (mishandles(disk, command)) {
            attempts.push_back(not_sent_attempt(variant.name, command));
            continue;
        }
        const PassThroughOutcome outcome = read_in_one_command(device, command, carried_error);
        if (auto reading = judge(variant.name, command, outcome, carried_error, attempts))
            return reading;
    }
    const DocumentedRead* read = documented_read_for(disk);
    if (read == nullptr) return std::nullopt;
    const device::ScsiCommand first = read->encode(device::health_log_command());
    if (mishandles(disk, first)) {
        attempts.push_back(not_sent_attempt(read->name, first));
        return std::nullopt;
    }
    const PassThroughOutcome outcome = send_documented_read(device, *read, carried_error);
    return judge(read->name, first, outcome, carried_error, attempts);
}

ProviderDiagnostic open_failed_attempt(const enumeration::DiskIdentity& disk, std::uint32_t code) {
    ProviderDiagnostic attempt;
    attempt.provider_name = OPEN_FAILED_ATTEMPT_NAME;
    attempt.result = "FAILED";
    attempt.win32_error = code;
    attempt.detail = "Failed to open handle to USB NVMe drive " + disk.device_path +
                     " (Win32Error: " + std::to_string(code) + ")";
    return attempt;
}

void take_bridge_reading(DiskHealthRecord& record, const BridgeReading& reading) {
    const NvmeHealthLog& log = reading.log;
    record.provider_name = "USB NVMe (" + std::string(reading.name) + ")";
    record.health_status = log.health_status;
    record.temperature_celsius = log.temperature_celsius;
    record.temperature_sensors = {log.temperature_celsius};
    record.raw_temperature = log.raw_temperature_kelvin;
    record.wear_percentage = log.percentage_used;
    record.critical_warning = log.critical_warning;
}

}  // namespace

std::string_view UsbNvmeBridgeProvider::name() const {
    return "USB NVMe Bridge Provider";
}

// A dual NVMe/SATA adapter may hold an NVMe drive whatever the protocol
// says, so a device with a family read is supported too.
bool UsbNvmeBridgeProvider::supports(const enumeration::DiskIdentity& disk) const {
    const bool on_usb = is_on_usb(disk);
    const bool may_be_nvme =
        disk.internal_protocol.empty() ||
        ascii_upper(disk.internal_protocol).find("NVME") != std::string::npos ||
        disk.nvme_read_family.has_value();
    return on_usb && may_be_nvme;
}

std::expected<DiskHealthRecord, provider::ProviderError> UsbNvmeBridgeProvider::query(
    const enumeration::DiskIdentity& disk) const {
    DiskHealthRecord record = provider::record_for(disk);
    record.internal_protocol = BRIDGED_PROTOCOL;
    record.health_status = HealthStatus::Unavailable;

    std::optional<BridgeReading> reading;
    {
        const auto device = device::open_device_with_best_access(platform_, disk.device_path);
        if (!device) {
            record.provider_diagnostics.push_back(open_failed_attempt(disk, device.error()));
            record.provider_name = OPEN_FAILED_PROVIDER_NAME;
            record.timestamp = clock_text(platform_.get_local_time());
            return record;
        }
        reading = read_through_bridge(*device, disk, record.provider_diagnostics);
    }

    if (reading) {
        trace::emit(trace::Level::Info, TRACE_TARGET, [&] {
            return "PhysicalDrive" + std::to_string(disk.physical_drive) + ": USB-NVMe [" +
                   std::string(reading->name) +
                   "] SUCCESS: " + celsius_text(reading->log.temperature_celsius);
        });
        take_bridge_reading(record, *reading);
    } else {
        record.provider_name = NOTHING_READ_PROVIDER_NAME;
    }
    record.timestamp = clock_text(platform_.get_local_time());
    return record;
}

}  // namespace quartzmon::sensors::disk::providers
