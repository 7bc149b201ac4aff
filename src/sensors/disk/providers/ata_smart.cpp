#include "sensors/disk/providers/ata_smart.h"

#include <cstdint>
#include <optional>
#include <string>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/ata_pass_through.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/float_text.h"
#include "sensors/disk/providers/bus_rules.h"
#include "sensors/disk/providers/smart_attributes.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using namespace quartzmon::platform;
using provider::ProviderError;

constexpr std::string_view PROVIDER_NAME = "ATA SMART Provider";
constexpr std::string_view RECORD_PROVIDER_NAME = "ATA SMART (0xB0, 0xD0)";
constexpr std::string_view ATTEMPT_PROVIDER_NAME = "ATA SMART";
constexpr std::string_view ATTEMPT_RESULT = "SUCCESS";

// SMART READ DATA with the SMART signature, one sector, to the master device.
constexpr device::AtaRegisters SMART_READ_DATA_REGISTERS{device::SMART_READ_DATA,
                                                         1,
                                                         1,
                                                         device::SMART_LBA_MID_SIGNATURE,
                                                         device::SMART_LBA_HIGH_SIGNATURE,
                                                         device::ATA_DEVICE_MASTER,
                                                         device::ATA_SMART};
// The header and the data area: anything less did not bring the whole block.
constexpr std::uint32_t FULL_REPLY_SIZE = layout::ATA_PASS_THROUGH_EX::size + SMART_READ_DATA_SIZE;

std::string temperature_debug(const std::optional<float>& temperature) {
    return temperature ? "Some(" + float_text(*temperature) + ")" : "None";
}

ProviderDiagnostic attempt_from(const AtaSmartSummary& summary) {
    ProviderDiagnostic attempt;
    attempt.provider_name = ATTEMPT_PROVIDER_NAME;
    attempt.result = ATTEMPT_RESULT;
    attempt.attribute_id = summary.temperature_attribute_id;
    attempt.raw_value = summary.raw_temperature;
    attempt.temperature_c = summary.temperature_c;
    attempt.detail = "ATA SMART read successful: Temp=" + temperature_debug(summary.temperature_c) +
                     ", Attr=" + optional_number_debug(summary.temperature_attribute_id);
    return attempt;
}

DiskHealthRecord record_from(const enumeration::DiskIdentity& disk,
                             const AtaSmartSummary& summary) {
    DiskHealthRecord record = provider::record_for(disk);
    record.provider_name = RECORD_PROVIDER_NAME;
    record.health_status = summary.health;
    record.temperature_celsius = summary.temperature_c;
    if (summary.temperature_c) record.temperature_sensors = {*summary.temperature_c};
    if (summary.life_remaining)
        record.wear_percentage = static_cast<std::uint8_t>(100 - *summary.life_remaining);
    record.raw_temperature = summary.raw_temperature;
    record.provider_diagnostics = {attempt_from(summary)};
    return record;
}

}  // namespace

std::string_view AtaSmartProvider::name() const {
    return PROVIDER_NAME;
}

bool AtaSmartProvider::supports(const enumeration::DiskIdentity& disk) const {
    return speaks_ata(disk);
}

std::expected<DiskHealthRecord, ProviderError> AtaSmartProvider::query(
    const enumeration::DiskIdentity& disk) const {
    const auto device = device::open_device_with_best_access(platform_, disk.device_path);
    if (!device) {
        return std::unexpected(ProviderError{ProviderError::Kind::AccessDenied,
                                             "Failed to open handle to " + disk.device_path +
                                                 " (Win32Error: " + std::to_string(device.error()) +
                                                 ")"});
    }
    const device::AtaPassThroughReply reply =
        device::send_ata_data_in(*device, SMART_READ_DATA_REGISTERS, SMART_READ_DATA_SIZE);
    // A short reply after a successful call reports whatever error the thread
    // held, as the request gives nothing better to show.
    if (!reply.call.succeeded || reply.call.bytes_returned < FULL_REPLY_SIZE) {
        return std::unexpected(ProviderError{ProviderError::Kind::DeviceIoError,
                                             "IOCTL_ATA_PASS_THROUGH failed (Win32Error: " +
                                                 std::to_string(reply.call.last_error) + ")"});
    }
    const auto summary = parse_ata_smart_attributes(reply.data, disk.model);
    if (!summary) return std::unexpected(summary.error());

    DiskHealthRecord record = record_from(disk, *summary);
    record.timestamp = clock_text(platform_.get_local_time());
    return record;
}

}  // namespace quartzmon::sensors::disk::providers
