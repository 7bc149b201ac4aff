#include "sensors/disk/providers/nvme_multi.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/nvme_log_query.h"
#include "sensors/disk/device/temperature_property.h"
#include "sensors/disk/providers/nvme_health_log.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using namespace quartzmon::platform;

constexpr std::string_view DEVICE_PROPERTY_NAME = "StorageDeviceTemperatureProperty";
constexpr std::string_view ADAPTER_PROPERTY_NAME = "StorageAdapterTemperatureProperty";
constexpr std::string_view HEALTH_LOG_ATTEMPT_NAME = "NVMe SMART Health Log";
constexpr std::string_view HEALTH_LOG_SOURCE_NAME = "NVMe SMART Health Log 0x02";

// Readings outside this window are sensor faults or placeholders, not heat.
constexpr std::int16_t LOWEST_PLAUSIBLE_CELSIUS = 1;
constexpr std::int16_t HIGHEST_PLAUSIBLE_CELSIUS = 149;

// The second form's sub-value: all ones, which some drivers want for a
// controller-wide log (others read the sub-value as an offset and refuse it).
constexpr std::uint32_t SUB_VALUE_ALL_ONES = 0xFFFFFFFF;

struct LogQueryAttempt {
    std::uint32_t property_id;
    std::uint32_t sub_value;
};

// Drivers differ in which form of the query they answer for a controller-wide
// log, so the adapter property is asked with sub-value 0 and with all ones,
// then the device property; the first form that succeeds is used.
constexpr std::array LOG_QUERY_ATTEMPTS{
    LogQueryAttempt{layout::StorageAdapterProtocolSpecificProperty, 0},
    LogQueryAttempt{layout::StorageAdapterProtocolSpecificProperty, SUB_VALUE_ALL_ONES},
    LogQueryAttempt{layout::StorageDeviceProtocolSpecificProperty, 0},
};

// One method's attempt, and what it gave when it succeeded.
struct PropertyReading {
    ProviderDiagnostic attempt;
    std::optional<float> temperature;
};

struct LogReading {
    ProviderDiagnostic attempt;
    std::optional<NvmeHealthLog> log;
};

ProviderDiagnostic failed_attempt(std::string_view name, std::uint32_t win32_error) {
    ProviderDiagnostic attempt;
    attempt.provider_name = name;
    attempt.result = "FAILED";
    attempt.win32_error = win32_error;
    return attempt;
}

std::string call_failed_text(std::uint32_t win32_error) {
    return "DeviceIoControl failed with Win32 error " + std::to_string(win32_error);
}

PropertyReading read_temperature_property(const device::DeviceHandle& device,
                                          std::uint32_t property_id,
                                          std::string_view property_name) {
    const device::TemperaturePropertyReply reply =
        device::query_temperature_property(device, property_id);
    PropertyReading reading{failed_attempt(property_name, reply.call.win32_error), {}};
    ProviderDiagnostic& attempt = reading.attempt;
    if (!reply.call.succeeded) {
        attempt.detail = call_failed_text(reply.call.win32_error);
        return reading;
    }
    if (!reply.holds_descriptor_header()) return reading;

    const std::uint16_t info_count = reply.info_count();
    attempt.info_count = info_count;
    if (info_count == 0 || !reply.holds_first_temperature_info()) {
        attempt.detail = "InfoCount is 0 or buffer insufficient (bytes: " +
                         std::to_string(reply.call.bytes_returned) + ")";
        return reading;
    }
    const std::int16_t temperature = reply.first_temperature();
    if (temperature < LOWEST_PLAUSIBLE_CELSIUS || temperature > HIGHEST_PLAUSIBLE_CELSIUS) {
        attempt.detail = "Invalid temperature value: " + std::to_string(temperature) + "°C";
        return reading;
    }
    const auto celsius = static_cast<float>(temperature);
    attempt.result = "SUCCESS";
    attempt.temperature_c = celsius;
    attempt.detail =
        "Temperature: " + celsius_text(celsius) + ", InfoCount: " + std::to_string(info_count);
    reading.temperature = celsius;
    return reading;
}

device::NvmeLogQueryReply query_health_log(const device::DeviceHandle& device) {
    device::NvmeLogQueryReply reply;
    for (const LogQueryAttempt& form : LOG_QUERY_ATTEMPTS) {
        reply = device::query_nvme_log_page(device, form.property_id, NVME_LOG_PAGE_HEALTH_INFO,
                                            form.sub_value);
        if (reply.call.succeeded) break;
    }
    return reply;
}

LogReading read_health_log(const device::DeviceHandle& device) {
    const device::NvmeLogQueryReply reply = query_health_log(device);
    LogReading reading{failed_attempt(HEALTH_LOG_ATTEMPT_NAME, reply.call.win32_error), {}};
    ProviderDiagnostic& attempt = reading.attempt;
    if (!reply.call.succeeded) {
        attempt.detail = call_failed_text(reply.call.win32_error);
        return reading;
    }
    // The parser's own message is not kept: the attempt says only that it failed.
    const auto log = parse_nvme_health_log(reply.log_data().first(NVME_HEALTH_INFO_LOG_SIZE));
    if (!log) {
        attempt.detail = "parse_nvme_health_log returned error";
        return reading;
    }
    attempt.result = "SUCCESS";
    attempt.raw_value = log->raw_temperature_kelvin;
    attempt.temperature_c = log->temperature_celsius;
    attempt.detail = "Kelvin: " + std::to_string(log->raw_temperature_kelvin) +
                     " K, Celsius: " + celsius_text(log->temperature_celsius) +
                     ", CriticalWarning: 0x" + hex2(log->critical_warning) +
                     ", Wear: " + std::to_string(log->percentage_used) + "%";
    reading.log = *log;
    return reading;
}

void take_property_reading(DiskHealthRecord& record, float celsius, std::string_view source) {
    record.provider_name = source;
    record.health_status = HealthStatus::Healthy;
    record.temperature_celsius = celsius;
    record.temperature_sensors = {celsius};
}

// The log replaces whatever the properties gave, its sensor list included,
// even when that list is empty.
void take_health_log(DiskHealthRecord& record, const NvmeHealthLog& log) {
    record.provider_name = HEALTH_LOG_SOURCE_NAME;
    record.health_status = log.health_status;
    record.temperature_celsius = log.temperature_celsius;
    record.temperature_sensors = log.temperature_sensors;
    record.wear_percentage = log.percentage_used;
    record.critical_warning = log.critical_warning;
    record.raw_temperature = log.raw_temperature_kelvin;
}

}  // namespace

std::string_view NvmeMultiProvider::name() const {
    return "NVMe Multi-Provider";
}

bool NvmeMultiProvider::supports(const enumeration::DiskIdentity& disk) const {
    return ascii_upper(disk.bus_type).find("NVME") != std::string::npos ||
           disk.bus_type_code == layout::BusTypeNvme;
}

std::expected<DiskHealthRecord, provider::ProviderError> NvmeMultiProvider::query(
    const enumeration::DiskIdentity& disk) const {
    PropertyReading device_reading;
    PropertyReading adapter_reading;
    LogReading log_reading;
    {
        const auto device = device::open_device_with_best_access(platform_, disk.device_path);
        if (!device) {
            return std::unexpected(provider::ProviderError{
                provider::ProviderError::Kind::AccessDenied,
                "Failed to open handle to " + disk.device_path +
                    " (Win32Error: " + std::to_string(device.error()) + ")"});
        }
        device_reading = read_temperature_property(
            *device, layout::StorageDeviceTemperatureProperty, DEVICE_PROPERTY_NAME);
        adapter_reading = read_temperature_property(
            *device, layout::StorageAdapterTemperatureProperty, ADAPTER_PROPERTY_NAME);
        log_reading = read_health_log(*device);
    }

    if (!log_reading.log && !device_reading.temperature && !adapter_reading.temperature) {
        return std::unexpected(
            provider::ProviderError{provider::ProviderError::Kind::DeviceIoError,
                                    "All NVMe providers failed to obtain health and temperature"});
    }
    DiskHealthRecord record = provider::record_for(disk);
    if (device_reading.temperature) {
        take_property_reading(record, *device_reading.temperature, DEVICE_PROPERTY_NAME);
    } else if (adapter_reading.temperature) {
        take_property_reading(record, *adapter_reading.temperature, ADAPTER_PROPERTY_NAME);
    }
    if (log_reading.log) take_health_log(record, *log_reading.log);
    record.provider_diagnostics = {device_reading.attempt, adapter_reading.attempt,
                                   log_reading.attempt};
    record.timestamp = clock_text(platform_.get_local_time());
    return record;
}

}  // namespace quartzmon::sensors::disk::providers
