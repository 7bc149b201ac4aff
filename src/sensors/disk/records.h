// The result document: one collection run, one record per physical disk, one
// entry per low-level attempt. Field names and order are those of the JSON keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quartzmon::sensors::disk {

enum class HealthStatus : std::uint8_t { Healthy = 0, Caution = 1, Critical = 2, Unavailable = 3 };

// The text written into the JSON document.
std::string_view json_text(HealthStatus status);
// The name shown in every human-readable text (logs and reports).
std::string_view display_name(HealthStatus status);

struct ProviderDiagnostic {
    std::string provider_name;
    std::string result;
    std::uint32_t win32_error = 0;
    std::optional<std::uint32_t> info_count;
    std::optional<std::uint8_t> attribute_id;
    std::optional<std::uint64_t> raw_value;
    std::optional<float> temperature_c;
    std::optional<std::uint8_t> scsi_op_code;
    std::optional<std::uint8_t> ata_command;
    std::optional<std::uint8_t> feature;
    std::optional<std::uint32_t> data_transfer_length;
    std::optional<std::uint8_t> scsi_status;
    std::optional<std::uint8_t> sense_key;
    std::optional<std::uint8_t> asc;
    std::optional<std::uint8_t> ascq;
    std::string detail;
};

struct DiskHealthRecord {
    std::uint32_t physical_drive = 0;
    std::vector<char32_t> drive_letters;
    std::string model;
    std::string serial_number;
    std::string firmware_revision;
    std::string bus_type;
    std::optional<std::uint16_t> vid;
    std::optional<std::uint16_t> pid;
    std::string bridge_vendor;
    std::string internal_protocol;
    std::string provider_name;
    HealthStatus health_status = HealthStatus::Unavailable;
    std::optional<float> temperature_celsius;
    std::vector<float> temperature_sensors;
    std::optional<std::uint8_t> wear_percentage;
    std::optional<std::uint8_t> critical_warning;
    std::optional<std::uint32_t> raw_temperature;
    std::vector<std::string> diagnostic_log;
    std::vector<ProviderDiagnostic> provider_diagnostics;
    std::string timestamp;
};

struct CollectionResult {
    std::string timestamp;
    bool is_elevated = false;
    std::vector<DiskHealthRecord> disks;
    std::vector<std::string> logs;
};

}  // namespace quartzmon::sensors::disk
