#include "sensors/disk/providers/windows_storage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/utf.h"
#include "sensors/disk/storage_property_query.h"
#include "sensors/disk/text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using namespace quartzmon::platform;

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk::providers::windows_storage";

// STORAGE_TEMPERATURE_DATA_DESCRIPTOR, followed by its STORAGE_TEMPERATURE_INFO
// entries of which only the first is read.
constexpr std::size_t REPLY_BUFFER_SIZE = 512;
constexpr std::size_t VERSION_OFFSET = 0;
constexpr std::size_t SIZE_OFFSET = 4;
constexpr std::size_t INFO_COUNT_OFFSET = 12;
constexpr std::size_t TEMPERATURE_INFO_OFFSET = 24;
constexpr std::size_t STORAGE_TEMPERATURE_INFO_SIZE = 16;
constexpr std::size_t INDEX_OFFSET = TEMPERATURE_INFO_OFFSET + 0;
constexpr std::size_t TEMPERATURE_OFFSET = TEMPERATURE_INFO_OFFSET + 2;
constexpr std::size_t WITH_FIRST_TEMPERATURE_INFO =
    TEMPERATURE_INFO_OFFSET + STORAGE_TEMPERATURE_INFO_SIZE;

// Readings outside this window are sensor faults or placeholders, not heat.
constexpr std::int16_t LOWEST_PLAUSIBLE_CELSIUS = 1;
constexpr std::int16_t HIGHEST_PLAUSIBLE_CELSIUS = 149;

constexpr std::string_view DEVICE_PROPERTY_NAME = "StorageDeviceTemperatureProperty";
constexpr std::string_view ADAPTER_PROPERTY_NAME = "StorageAdapterTemperatureProperty";
constexpr std::string_view OPEN_FAILED_PROVIDER_NAME = "Windows Storage Temperature";
constexpr std::string_view NOTHING_READ_PROVIDER_NAME = "Windows Storage Temperature (Failed)";

struct PropertyReply {
    bool succeeded = false;
    std::uint32_t win32_error = 0;
    std::uint32_t bytes_returned = 0;
    std::array<std::uint8_t, REPLY_BUFFER_SIZE> data{};
};

PropertyReply query_property(Platform& platform, Handle device, std::uint32_t property_id) {
    const StoragePropertyQuery request = standard_property_query(property_id);
    PropertyReply reply;
    reply.succeeded = platform.device_io_control(device, IOCTL_STORAGE_QUERY_PROPERTY, request,
                                                 reply.data, reply.bytes_returned);
    if (!reply.succeeded) reply.win32_error = platform.get_last_error();
    return reply;
}

bool holds_descriptor_header(const PropertyReply& reply) {
    return reply.succeeded && reply.bytes_returned >= TEMPERATURE_INFO_OFFSET;
}

// What one property gave: the attempt, and the temperature when it is plausible.
struct PropertyReading {
    ProviderDiagnostic attempt;
    std::optional<std::int16_t> temperature;
};

PropertyReading evaluate_reply(const PropertyReply& reply, std::string_view property_name) {
    PropertyReading reading;
    ProviderDiagnostic& attempt = reading.attempt;
    attempt.provider_name = property_name;
    attempt.result = "FAILED";
    attempt.win32_error = reply.win32_error;

    if (!holds_descriptor_header(reply)) {
        attempt.detail = "DeviceIoControl failed or bytes returned too small: " +
                         std::to_string(reply.bytes_returned) +
                         " bytes, Win32Error: " + std::to_string(reply.win32_error);
        return reading;
    }
    const std::uint16_t info_count = get_u16(reply.data, INFO_COUNT_OFFSET);
    attempt.info_count = info_count;
    if (info_count == 0) {
        attempt.detail = "DeviceIoControl succeeded but InfoCount == 0";
        return reading;
    }
    if (reply.bytes_returned < WITH_FIRST_TEMPERATURE_INFO) return reading;

    const std::uint16_t index = get_u16(reply.data, INDEX_OFFSET);
    const std::int16_t temperature = get_i16(reply.data, TEMPERATURE_OFFSET);
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

void trace_device_descriptor(const enumeration::DiskIdentity& disk, const PropertyReply& reply) {
    trace::emit(trace::Level::Debug, TRACE_TARGET, [&] {
        return "PhysicalDrive" + std::to_string(disk.physical_drive) +
               ": StorageDeviceTemp descriptor Version=" +
               std::to_string(get_u32(reply.data, VERSION_OFFSET)) +
               ", Size=" + std::to_string(get_u32(reply.data, SIZE_OFFSET)) +
               ", InfoCount=" + std::to_string(get_u16(reply.data, INFO_COUNT_OFFSET));
    });
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
    const Handle device = platform_.create_file(utf8_to_utf16(disk.device_path), 0,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL);
    if (!is_valid_handle(device)) {
        const std::uint32_t code = platform_.get_last_error();
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

    const PropertyReply device_reply =
        query_property(platform_, device, StorageDeviceTemperatureProperty);
    if (holds_descriptor_header(device_reply)) trace_device_descriptor(disk, device_reply);
    PropertyReading reading = evaluate_reply(device_reply, DEVICE_PROPERTY_NAME);
    record.provider_diagnostics.push_back(reading.attempt);

    if (!reading.temperature) {
        reading =
            evaluate_reply(query_property(platform_, device, StorageAdapterTemperatureProperty),
                           ADAPTER_PROPERTY_NAME);
        record.provider_diagnostics.push_back(reading.attempt);
    }
    platform_.close_handle(device);

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
