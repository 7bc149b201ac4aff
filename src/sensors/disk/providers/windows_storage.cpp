#include "sensors/disk/providers/windows_storage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_layouts.h"
#include "sensors/disk/device/device_handle.h"
#include "sensors/disk/device/temperature_property.h"
#include "sensors/disk/text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using namespace quartzmon::platform;

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk::providers::windows_storage";

// Readings outside this window are sensor faults or placeholders, not heat.
constexpr std::int16_t LOWEST_PLAUSIBLE_CELSIUS = 1;
constexpr std::int16_t HIGHEST_PLAUSIBLE_CELSIUS = 149;

constexpr std::string_view DEVICE_PROPERTY_NAME = "StorageDeviceTemperatureProperty";
constexpr std::string_view ADAPTER_PROPERTY_NAME = "StorageAdapterTemperatureProperty";
constexpr std::string_view OPEN_FAILED_PROVIDER_NAME = "Windows Storage Temperature";
constexpr std::string_view NOTHING_READ_PROVIDER_NAME = "Windows Storage Temperature (Failed)";

// What one property gave: the attempt, and the temperature when it is plausible.
struct PropertyReading {
    ProviderDiagnostic attempt;
    std::optional<std::int16_t> temperature;
};

PropertyReading evaluate_reply(const device::TemperaturePropertyReply& reply,
                               std::string_view property_name) {
    PropertyReading reading;
    ProviderDiagnostic& attempt = reading.attempt;
    attempt.provider_name = property_name;
    attempt.result = "FAILED";
    attempt.win32_error = reply.call.win32_error;

    if (!reply.holds_descriptor_header()) {
        attempt.detail = "DeviceIoControl failed or bytes returned too small: " +
                         std::to_string(reply.call.bytes_returned) +
                         " bytes, Win32Error: " + std::to_string(reply.call.win32_error);
        return reading;
    }
    const std::uint16_t info_count = reply.info_count();
    attempt.info_count = info_count;
    if (info_count == 0) {
        attempt.detail = "DeviceIoControl succeeded but InfoCount == 0";
        return reading;
    }
    if (!reply.holds_first_temperature_info()) return reading;

    const std::uint16_t index = reply.first_index();
    const std::int16_t temperature = reply.first_temperature();
    if (temperature < LOWEST_PLAUSIBLE_CELSIUS || temperature > HIGHEST_PLAUSIBLE_CELSIUS) {
        attempt.detail = "Invalid temperature value: " + std::to_string(temperature) +
                         " C (Index: " + std::to_string(index) + ")";
        return reading;
    }
    attempt.result = "SUCCESS";
    attempt.temperature_c = static_cast<float>(temperature);
    attempt.raw_value = static_cast<std::uint64_t>(temperature);
    attempt.detail = "Temperature: " + celsius_text(static_cast<float>(temperature)) +
                     ", Index: " + std::to_string(index) +
                     ", InfoCount: " + std::to_string(info_count);
    reading.temperature = temperature;
    return reading;
}

void trace_device_descriptor(const enumeration::DiskIdentity& disk,
                             const device::TemperaturePropertyReply& reply) {
    trace::emit(trace::Level::Debug, TRACE_TARGET, [&] {
        return "PhysicalDrive" + std::to_string(disk.physical_drive) +
               ": StorageDeviceTemp descriptor Version=" + std::to_string(reply.version()) +
               ", Size=" + std::to_string(reply.size()) +
               ", InfoCount=" + std::to_string(reply.info_count());
    });
}

// The device property, then the adapter property only when the device gave no
// plausible reading; every attempt is kept. The handle closes on return.
PropertyReading read_temperature_properties(const device::DeviceHandle& device,
                                            const enumeration::DiskIdentity& disk,
                                            std::vector<ProviderDiagnostic>& attempts) {
    const device::TemperaturePropertyReply device_reply =
        device::query_temperature_property(device, layout::StorageDeviceTemperatureProperty);
    if (device_reply.holds_descriptor_header()) trace_device_descriptor(disk, device_reply);
    PropertyReading reading = evaluate_reply(device_reply, DEVICE_PROPERTY_NAME);
    attempts.push_back(reading.attempt);
    if (reading.temperature) return reading;

    reading = evaluate_reply(
        device::query_temperature_property(device, layout::StorageAdapterTemperatureProperty),
        ADAPTER_PROPERTY_NAME);
    attempts.push_back(reading.attempt);
    return reading;
}

}  // namespace

std::string_view WindowsStorageTempProvider::name() const {
    return "Windows Storage Temperature (Device/Adapter)";
}

bool WindowsStorageTempProvider::supports(const enumeration::DiskIdentity&) const {
    return true;
}

std::expected<DiskHealthRecord, provider::ProviderError> WindowsStorageTempProvider::query(
    const enumeration::DiskIdentity& disk) const {
    DiskHealthRecord record = provider::record_for(disk);
    record.health_status = HealthStatus::Unavailable;

    // Access 0 asks for no read or write right: the properties need none, so
    // this works without elevation.
    PropertyReading reading;
    {
        const auto device = device::open_device(platform_, disk.device_path, 0);
        if (!device) {
            const std::uint32_t code = device.error();
            ProviderDiagnostic attempt;
            attempt.provider_name = DEVICE_PROPERTY_NAME;
            attempt.result = "FAILED";
            attempt.win32_error = code;
            attempt.detail = "CreateFileW failed for " + disk.device_path +
                             " (Win32Error: " + std::to_string(code) + ")";
            record.provider_diagnostics.push_back(std::move(attempt));
            record.provider_name = OPEN_FAILED_PROVIDER_NAME;
            record.timestamp = clock_text(platform_.get_local_time());
            return record;
        }
        reading = read_temperature_properties(*device, disk, record.provider_diagnostics);
    }

    if (reading.temperature) {
        const auto celsius = static_cast<float>(*reading.temperature);
        const std::string& property = reading.attempt.provider_name;
        trace::emit(trace::Level::Info, TRACE_TARGET, [&] {
            return "PhysicalDrive" + std::to_string(disk.physical_drive) +
                   ": Windows Storage Temperature Query SUCCESS: " + celsius_text(celsius) +
                   " via " + property;
        });
        record.provider_name = property;
        record.health_status = HealthStatus::Healthy;
        record.temperature_celsius = celsius;
        record.temperature_sensors = {celsius};
        record.raw_temperature = static_cast<std::uint32_t>(*reading.temperature);
    } else {
        record.provider_name = NOTHING_READ_PROVIDER_NAME;
    }
    record.timestamp = clock_text(platform_.get_local_time());
    return record;
}

}  // namespace quartzmon::sensors::disk::providers
