#include "sensors/disk/providers/usb_sat_bridge.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/ata_pass_through.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/scsi_pass_through.h"
#include "sensors/disk/device/temperature_property.h"
#include "sensors/disk/providers/bus_rules.h"
#include "sensors/disk/providers/smart_attributes.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using namespace quartzmon::platform;

constexpr std::string_view PROVIDER_NAME = "USB SAT / Bridge Provider";
constexpr std::string_view NOTHING_READ_PROVIDER_NAME = "USB SAT (Failed)";
constexpr std::string_view OPEN_FAILED_ATTEMPT_NAME = "USB SAT";
constexpr std::string_view DEVICE_PROPERTY_NAME = "StorageDeviceTemperatureProperty";
constexpr std::string_view ADAPTER_PROPERTY_NAME = "StorageAdapterTemperatureProperty";
constexpr std::string_view RESULT_SUCCESS = "SUCCESS";
constexpr std::string_view RESULT_FAILED = "FAILED";
constexpr std::string_view RESULT_WITHOUT_TEMPERATURE =
    "SMART_READ_SUCCESS (TEMPERATURE_ATTRIBUTE_NOT_FOUND)";

// Bridges pass the properties through from drives that may report nonsense;
// only a reading a drive in an enclosure can really have is trusted.
constexpr std::int16_t LOWEST_PLAUSIBLE_CELSIUS = 1;
constexpr std::int16_t HIGHEST_PLAUSIBLE_CELSIUS = 99;

// The diagnostic names the usual temperature attribute, whichever attribute
// supplied the reading.
constexpr std::uint8_t REPORTED_TEMPERATURE_ATTRIBUTE = 194;

using SmartData = device::DirectDataBlock<SMART_READ_DATA_SIZE>;

struct SmartReadVariant {
    std::string_view name;
    device::ScsiCommand command;
};

// SMART READ DATA (B0h, feature D0h, LBA 4Fh/C2h, one 512-byte sector) in the
// command block of each bridge family, in the order tried: the SAT ATA
// PASS-THROUGH (16) and (12) blocks (PIO Data-In, from the device, length in
// sectors in the count field), then the vendor blocks as the bridges expect them.
// clang-format off
constexpr std::array<SmartReadVariant, 7> SMART_READ_VARIANTS{{
    {"SAT16", {{0x85, 0x08, 0x0E, 0x00, 0xD0, 0x00, 0x01, 0x00,
                0x01, 0x00, 0x4F, 0x00, 0xC2, 0x00, 0xB0, 0x00}, 16, SMART_READ_DATA_SIZE}},
    {"SAT12", {{0xA1, 0x08, 0x0E, 0xD0, 0x01, 0x01, 0x4F, 0xC2, 0x00, 0xB0, 0x00, 0x00}, 12,
               SMART_READ_DATA_SIZE}},
    {"ASMedia ASM1352R", {{0xA1, 0x1C, 0x0E, 0xD0, 0x01, 0x01, 0x4F, 0xC2, 0x00, 0xB0, 0x00, 0x00},
                          12, SMART_READ_DATA_SIZE}},
    {"JMicron", {{0xDF, 0x10, 0x00, 0x02, 0x00, 0xD0, 0x01, 0x01, 0x4F, 0xC2, 0x00, 0xB0}, 12,
                 SMART_READ_DATA_SIZE}},
    {"Sunplus", {{0xF8, 0x00, 0x22, 0x10, 0x01, 0xD0, 0x01, 0x00, 0x4F, 0xC2, 0x00, 0xB0}, 12,
                 SMART_READ_DATA_SIZE}},
    {"Prolific", {{0xD8, 0x15, 0x00, 0xD0, 0x06, 0x7B, 0x00, 0x00,
                   0x02, 0x00, 0x01, 0x00, 0x4F, 0xC2, 0x00, 0xB0}, 16, SMART_READ_DATA_SIZE}},
    {"Cypress", {{0x24, 0x24, 0x00, 0xBE, 0x01, 0x00, 0xD0, 0x00,
                  0x00, 0x4F, 0xC2, 0x00, 0xB0, 0x00, 0x00, 0x00}, 16, SMART_READ_DATA_SIZE}},
}};
// clang-format on

// ---- temperature properties ---------------------------------------------

struct PropertyReading {
    ProviderDiagnostic attempt;
    std::optional<std::int16_t> temperature;
};

bool is_plausible(std::int16_t celsius) {
    return celsius >= LOWEST_PLAUSIBLE_CELSIUS && celsius <= HIGHEST_PLAUSIBLE_CELSIUS;
}

PropertyReading read_property(const device::DeviceHandle& device, std::uint32_t property_id,
                              std::string_view property_name) {
    const device::TemperaturePropertyReply reply =
        device::query_temperature_property(device, property_id);
    PropertyReading reading;
    ProviderDiagnostic& attempt = reading.attempt;
    attempt.provider_name = property_name;
    attempt.result = RESULT_FAILED;
    attempt.win32_error = reply.call.win32_error;
    if (!reply.holds_descriptor_header()) return reading;

    const std::uint16_t info_count = reply.info_count();
    attempt.info_count = info_count;
    if (info_count == 0 || !reply.holds_first_temperature_info()) return reading;
    const std::int16_t temperature = reply.first_temperature();
    if (!is_plausible(temperature)) return reading;

    const auto celsius = static_cast<float>(temperature);
    attempt.result = RESULT_SUCCESS;
    attempt.temperature_c = celsius;
    attempt.detail =
        "Temperature: " + celsius_text(celsius) + ", InfoCount: " + std::to_string(info_count);
    reading.temperature = temperature;
    return reading;
}

// ---- SMART READ DATA through the bridge -----------------------------------

// What the last pass-through call of one variant said.
struct PassThroughOutcome {
    device::IoctlResult call;
    std::uint8_t scsi_status = 0;
    device::SenseValues sense;
    bool usable = false;
};

bool brought_data(const device::ScsiReply& reply, std::span<const std::uint8_t> data) {
    return reply.call.succeeded && reply.scsi_status == 0 &&
           std::ranges::any_of(data, [](std::uint8_t byte) { return byte != 0; });
}

// Direct first; some bridges' drivers complete a direct request without
// filling the caller's buffer, so the buffered form is tried when the direct
// one brought nothing.
PassThroughOutcome send_variant(const device::DeviceHandle& device,
                                const device::ScsiCommand& command, SmartData& data) {
    device::ScsiReply reply = device::send_scsi_direct(device, command, data);
    bool usable = brought_data(reply, data);
    if (!usable) {
        reply = device::send_scsi_buffered(device, command);
        usable = brought_data(reply, reply.data);
        if (usable) std::ranges::copy(reply.data, data.begin());
    }
    return {reply.call, reply.scsi_status, device::decode_sense(reply.sense), usable};
}

// The fields every variant's diagnostic carries, success or not.
ProviderDiagnostic variant_attempt(const SmartReadVariant& variant,
                                   const PassThroughOutcome& outcome) {
    ProviderDiagnostic attempt;
    attempt.provider_name = variant.name;
    attempt.win32_error = outcome.call.win32_error;
    attempt.data_transfer_length = SMART_READ_DATA_SIZE;
    attempt.scsi_op_code = variant.command.cdb[0];
    attempt.ata_command = device::ATA_SMART;
    attempt.feature = device::SMART_READ_DATA;
    attempt.scsi_status = outcome.scsi_status;
    attempt.sense_key = outcome.sense.sense_key;
    attempt.asc = outcome.sense.asc;
    attempt.ascq = outcome.sense.ascq;
    return attempt;
}

ProviderDiagnostic failed_variant(const SmartReadVariant& variant,
                                  const PassThroughOutcome& outcome) {
    ProviderDiagnostic attempt = variant_attempt(variant, outcome);
    attempt.result = RESULT_FAILED;
    attempt.detail = std::string(variant.name) + " pass-through failed (" +
                     device::status_and_sense_text(outcome.scsi_status, outcome.sense,
                                                   outcome.call.win32_error) +
                     ")";
    return attempt;
}

ProviderDiagnostic succeeded_variant(const SmartReadVariant& variant,
                                     const PassThroughOutcome& outcome,
                                     const AtaSmartSummary& summary) {
    ProviderDiagnostic attempt = variant_attempt(variant, outcome);
    if (!summary.temperature_c) {
        attempt.result = RESULT_WITHOUT_TEMPERATURE;
        attempt.detail = std::string(variant.name) +
                         " SMART read succeeded, but attribute 194/190 was not found";
        return attempt;
    }
    attempt.result = RESULT_SUCCESS;
    attempt.raw_value = summary.raw_temperature;
    attempt.temperature_c = summary.temperature_c;
    attempt.attribute_id = REPORTED_TEMPERATURE_ATTRIBUTE;
    attempt.detail = std::string(variant.name) +
                     " SMART READ DATA success. Temp: " + celsius_text(*summary.temperature_c);
    return attempt;
}

// A command the device is known to hang or drop off the bus on is never
// sent; nothing came back, so the attempt carries no status.
ProviderDiagnostic not_sent_variant(const SmartReadVariant& variant) {
    ProviderDiagnostic attempt = variant_attempt(variant, PassThroughOutcome{});
    attempt.result = RESULT_FAILED;
    attempt.scsi_status = std::nullopt;
    attempt.detail = not_sent_text(variant.command.cdb[0]);
    return attempt;
}

// ---- records -------------------------------------------------------------

void set_temperature(DiskHealthRecord& record, float celsius, std::uint32_t raw) {
    record.temperature_celsius = celsius;
    record.temperature_sensors = {celsius};
    record.raw_temperature = raw;
}

void set_smart_reading(DiskHealthRecord& record, std::string_view variant,
                       const AtaSmartSummary& summary) {
    record.provider_name = variant;
    record.health_status = summary.health;
    if (summary.temperature_c)
        set_temperature(record, *summary.temperature_c, *summary.raw_temperature);
    if (summary.life_remaining)
        record.wear_percentage = static_cast<std::uint8_t>(100 - *summary.life_remaining);
}

// A block that does not parse counts as no answer from the variant.
std::optional<AtaSmartSummary> smart_summary(const PassThroughOutcome& outcome,
                                             const SmartData& data, std::string_view model) {
    if (!outcome.usable) return std::nullopt;
    auto summary = parse_ata_smart_attributes(data, model);
    if (!summary) return std::nullopt;
    return std::move(*summary);
}

// Fills the record from the first source that gives a reading, keeping every
// attempt; the record stays as it was when none does.
void read_from_device(const device::DeviceHandle& device, const enumeration::DiskIdentity& disk,
                      DiskHealthRecord& record) {
    for (const auto& [property_id, name] :
         {std::pair{layout::StorageDeviceTemperatureProperty, DEVICE_PROPERTY_NAME},
          std::pair{layout::StorageAdapterTemperatureProperty, ADAPTER_PROPERTY_NAME}}) {
        PropertyReading reading = read_property(device, property_id, name);
        record.provider_diagnostics.push_back(std::move(reading.attempt));
        if (reading.temperature) {
            record.provider_name = name;
            record.health_status = HealthStatus::Healthy;
            set_temperature(record, static_cast<float>(*reading.temperature),
                            static_cast<std::uint32_t>(*reading.temperature));
            return;
        }
    }

    SmartData data{};
    for (const SmartReadVariant& variant : SMART_READ_VARIANTS) {
        if (mishandles(disk, variant.command)) {
            record.provider_diagnostics.push_back(not_sent_variant(variant));
            continue;
        }
        const PassThroughOutcome outcome = send_variant(device, variant.command, data);
        const auto summary = smart_summary(outcome, data, disk.model);
        if (!summary) {
            record.provider_diagnostics.push_back(failed_variant(variant, outcome));
            continue;
        }
        record.provider_diagnostics.push_back(succeeded_variant(variant, outcome, *summary));
        set_smart_reading(record, variant.name, *summary);
        return;
    }
}

}  // namespace

std::string_view UsbSatBridgeProvider::name() const {
    return PROVIDER_NAME;
}

bool UsbSatBridgeProvider::supports(const enumeration::DiskIdentity& disk) const {
    return is_on_usb(disk) || disk.removable_media;
}

std::expected<DiskHealthRecord, provider::ProviderError> UsbSatBridgeProvider::query(
    const enumeration::DiskIdentity& disk) const {
    DiskHealthRecord record = provider::record_for(disk);
    record.health_status = HealthStatus::Unavailable;
    record.provider_name = NOTHING_READ_PROVIDER_NAME;

    const auto device = device::open_device_with_best_access(platform_, disk.device_path);
    if (!device) {
        ProviderDiagnostic attempt;
        attempt.provider_name = OPEN_FAILED_ATTEMPT_NAME;
        attempt.result = RESULT_FAILED;
        attempt.win32_error = device.error();
        attempt.detail = "Failed to open handle to USB drive " + disk.device_path +
                         " (Win32Error: " + std::to_string(device.error()) + ")";
        record.provider_diagnostics.push_back(std::move(attempt));
    } else {
        read_from_device(*device, disk, record);
    }
    record.timestamp = clock_text(platform_.get_local_time());
    return record;
}

}  // namespace quartzmon::sensors::disk::providers
