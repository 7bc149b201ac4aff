#include "sensors/disk/providers/usb_nvme.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/scsi_pass_through.h"
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

// SAM status GOOD, as the Windows DDK names it.
constexpr std::uint8_t SCSISTAT_GOOD = 0x00;
// Stands for "no status came back" when both requests of a variant failed; no
// SAM status has this value.
constexpr std::uint8_t NO_SCSI_STATUS = 255;

// A bridge that misreads a command may still return a page that parses; only
// a composite temperature strictly between these counts as a reading.
constexpr float COLDEST_EXCLUSIVE_CELSIUS = 0.0f;
constexpr float HOTTEST_EXCLUSIVE_CELSIUS = 100.0f;

// What one variant's requests brought back.
struct PassThroughOutcome {
    std::uint8_t scsi_status = NO_SCSI_STATUS;
    std::uint8_t sense_key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    std::array<std::uint8_t, NVME_HEALTH_INFO_LOG_SIZE> data{};
};

struct BridgeReading {
    const UsbNvmeBridgeVariant* variant;
    NvmeHealthLog log;
};

void take_status_and_sense(const device::ScsiReply& reply, PassThroughOutcome& outcome) {
    outcome.scsi_status = reply.scsi_status;
    const device::SenseValues sense = device::read_fixed_format_sense(reply.sense);
    outcome.sense_key = sense.sense_key.value_or(0);
    outcome.asc = sense.asc.value_or(0);
    outcome.ascq = sense.ascq.value_or(0);
}

// The direct request, and the buffered one only when the direct call itself
// fails. carried_error outlives the variant: a failed call sets it, and only a
// buffered reply with GOOD status clears it.
PassThroughOutcome send_variant(const device::DeviceHandle& device,
                                const UsbNvmeBridgeVariant& variant, std::uint32_t& carried_error) {
    const device::ScsiCommand command{variant.cdb, variant.cdb_length,
                                      static_cast<std::uint32_t>(NVME_HEALTH_INFO_LOG_SIZE)};
    PassThroughOutcome outcome;
    const device::ScsiReply direct = device::send_scsi_direct(device, command, outcome.data);
    if (direct.call.succeeded) {
        take_status_and_sense(direct, outcome);
        return outcome;
    }
    carried_error = direct.call.win32_error;
    const device::ScsiReply buffered = device::send_scsi_buffered(device, command);
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

std::optional<NvmeHealthLog> plausible_log(const PassThroughOutcome& outcome) {
    if (outcome.scsi_status != SCSISTAT_GOOD) return std::nullopt;
    const auto log = parse_nvme_health_log(outcome.data);
    if (!log) return std::nullopt;
    if (log->temperature_celsius <= COLDEST_EXCLUSIVE_CELSIUS ||
        log->temperature_celsius >= HOTTEST_EXCLUSIVE_CELSIUS) {
        return std::nullopt;
    }
    return *log;
}

ProviderDiagnostic variant_attempt(const UsbNvmeBridgeVariant& variant) {
    ProviderDiagnostic attempt;
    attempt.provider_name = "USB NVMe (" + std::string(variant.name) + ")";
    attempt.scsi_op_code = variant.cdb[0];
    attempt.data_transfer_length = static_cast<std::uint32_t>(NVME_HEALTH_INFO_LOG_SIZE);
    return attempt;
}

std::optional<std::uint8_t> present_when_nonzero(std::uint8_t value) {
    return value == 0 ? std::nullopt : std::optional(value);
}

ProviderDiagnostic failed_variant(const UsbNvmeBridgeVariant& variant,
                                  const PassThroughOutcome& outcome, std::uint32_t carried_error) {
    ProviderDiagnostic attempt = variant_attempt(variant);
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

ProviderDiagnostic succeeded_variant(const UsbNvmeBridgeVariant& variant,
                                     const PassThroughOutcome& outcome, const NvmeHealthLog& log) {
    ProviderDiagnostic attempt = variant_attempt(variant);
    attempt.result = "SUCCESS";
    attempt.scsi_status = outcome.scsi_status;
    attempt.sense_key = outcome.sense_key;
    attempt.asc = outcome.asc;
    attempt.ascq = outcome.ascq;
    attempt.raw_value = log.raw_temperature_kelvin;
    attempt.temperature_c = log.temperature_celsius;
    attempt.detail = "NVMe Health Log read successful via " + std::string(variant.name) +
                     " (Raw: " + std::to_string(log.raw_temperature_kelvin) +
                     " K, Temp: " + celsius_text(log.temperature_celsius) + ")";
    return attempt;
}

// Tries the variants in order until one gives a plausible log; one attempt
// each.
std::optional<BridgeReading> read_through_bridge(const device::DeviceHandle& device,
                                                 std::vector<ProviderDiagnostic>& attempts) {
    std::uint32_t carried_error = 0;
    for (const UsbNvmeBridgeVariant& variant : VARIANTS) {
        const PassThroughOutcome outcome = send_variant(device, variant, carried_error);
        if (const auto log = plausible_log(outcome)) {
            attempts.push_back(succeeded_variant(variant, outcome, *log));
            return BridgeReading{&variant, *log};
        }
        attempts.push_back(failed_variant(variant, outcome, carried_error));
    }
    return std::nullopt;
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
    record.provider_name = "USB NVMe (" + std::string(reading.variant->name) + ")";
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

bool UsbNvmeBridgeProvider::supports(const enumeration::DiskIdentity& disk) const {
    const bool on_usb = ascii_upper(disk.bus_type).find("USB") != std::string::npos ||
                        disk.bus_type_code == layout::BusTypeUsb;
    const bool may_be_nvme = disk.internal_protocol.empty() ||
                             ascii_upper(disk.internal_protocol).find("NVME") != std::string::npos;
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
        reading = read_through_bridge(*device, record.provider_diagnostics);
    }

    if (reading) {
        trace::emit(trace::Level::Info, TRACE_TARGET, [&] {
            return "PhysicalDrive" + std::to_string(disk.physical_drive) + ": USB-NVMe [" +
                   std::string(reading->variant->name) +
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
