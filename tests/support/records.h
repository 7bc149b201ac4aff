// Shared by the provider tests: disk identities to query, and whole-record
// printers, so a scenario compares every field of a record or diagnostic in
// one readable line and a failure names what differs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "sensors/disk/enumeration/disk_identity.h"
#include "sensors/disk/records.h"

namespace quartzmon::test_support {

using sensors::disk::DiskHealthRecord;
using sensors::disk::ProviderDiagnostic;
using sensors::disk::enumeration::DiskIdentity;

// Disk 0 as enumeration lists each kind.
inline DiskIdentity nvme_disk() {
    DiskIdentity disk;
    disk.physical_drive = 0;
    disk.device_path = "\\\\.\\PhysicalDrive0";
    disk.drive_letters = {U'C'};
    disk.model = "Samsung SSD 980 PRO 1TB";
    disk.serial_number = "S5GXNF0R123456";
    disk.firmware_revision = "5B2QGXA7";
    disk.bus_type = "NVMe";
    disk.bus_type_code = 17;
    disk.internal_protocol = "NVMe";
    return disk;
}

inline DiskIdentity sata_disk() {
    DiskIdentity disk;
    disk.physical_drive = 0;
    disk.device_path = "\\\\.\\PhysicalDrive0";
    disk.drive_letters = {U'D'};
    disk.model = "WDC WD40EZRZ-00GXCB0";
    disk.serial_number = "WD-WCC7K0123456";
    disk.firmware_revision = "80.00A80";
    disk.bus_type = "SATA";
    disk.bus_type_code = 11;
    disk.internal_protocol = "SATA";
    return disk;
}

inline DiskIdentity usb_disk(std::string internal_protocol) {
    DiskIdentity disk;
    disk.physical_drive = 0;
    disk.device_path = "\\\\.\\PhysicalDrive0";
    disk.drive_letters = {U'E'};
    disk.model = "Portable SSD";
    disk.serial_number = "0123456789AB";
    disk.firmware_revision = "1.00";
    disk.bus_type = "USB";
    disk.bus_type_code = 7;
    disk.vid = 0x174C;
    disk.pid = 0x2362;
    disk.bridge_vendor = "ASMedia";
    disk.bridge_model = "ASM2362";
    disk.internal_protocol = std::move(internal_protocol);
    return disk;
}

template <typename T>
std::string optional_text(const std::optional<T>& value) {
    if (!value) return "-";
    if constexpr (std::is_same_v<T, float>) {
        // Nine significant digits tell every float apart.
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(*value));
        return text;
    } else {
        return std::to_string(static_cast<std::uint64_t>(*value));
    }
}

// Every field of a diagnostic in one line.
inline std::string describe(const ProviderDiagnostic& d) {
    return d.provider_name + " | " + d.result + " | error " + std::to_string(d.win32_error) +
           " | info_count " + optional_text(d.info_count) + " | attribute_id " +
           optional_text(d.attribute_id) + " | raw " + optional_text(d.raw_value) + " | temp " +
           optional_text(d.temperature_c) + " | op " + optional_text(d.scsi_op_code) + " ata " +
           optional_text(d.ata_command) + " feature " + optional_text(d.feature) + " length " +
           optional_text(d.data_transfer_length) + " | status " + optional_text(d.scsi_status) +
           " key " + optional_text(d.sense_key) + " asc " + optional_text(d.asc) + " ascq " +
           optional_text(d.ascq) + " | " + d.detail;
}

inline std::vector<std::string> describe_all(const std::vector<ProviderDiagnostic>& attempts) {
    std::vector<std::string> lines;
    for (const auto& attempt : attempts) lines.push_back(describe(attempt));
    return lines;
}

// Every field of a record but its identity, one line each, diagnostics last.
inline std::vector<std::string> describe(const DiskHealthRecord& r) {
    std::string sensors;
    for (const float sensor : r.temperature_sensors) sensors += std::to_string(sensor) + " ";
    std::vector<std::string> lines{
        "provider " + r.provider_name,
        "status " + std::string(json_text(r.health_status)),
        "temperature " + optional_text(r.temperature_celsius) + " sensors [" + sensors + "]",
        "wear " + optional_text(r.wear_percentage) + " warning " +
            optional_text(r.critical_warning) + " raw " + optional_text(r.raw_temperature),
        "protocol " + r.internal_protocol + " time " + r.timestamp,
    };
    for (const std::string& line : describe_all(r.provider_diagnostics)) lines.push_back(line);
    return lines;
}

}  // namespace quartzmon::test_support
