#include "sensors/disk/report.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/utf.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk {
namespace {

std::string or_na(const std::string& text) {
    return text.empty() ? "N/A" : text;
}

std::string usb_id_text(const std::optional<std::uint16_t>& id) {
    return id ? hex4(*id) : "N/A";
}

// C and E give "C:, E:".
std::string volumes_text(const std::vector<char32_t>& letters) {
    if (letters.empty()) return "N/A";
    std::string text;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (i > 0) text += ", ";
        text += platform::scalar_to_utf8(letters[i]) + ":";
    }
    return text;
}

void add_line(std::string& report, std::string_view line) {
    report += line;
    report += '\n';
}

void add_byte_line(std::string& report, std::string_view label,
                   const std::optional<std::uint8_t>& value) {
    if (value) add_line(report, "  " + std::string(label) + ": 0x" + hex2(*value));
}

void add_number_line(std::string& report, std::string_view label,
                     const std::optional<std::uint64_t>& value) {
    if (value) add_line(report, "  " + std::string(label) + ": " + std::to_string(*value));
}

// One attempt: the command fields first, then what the attempt read.
void add_attempt(std::string& report, std::size_t number, const ProviderDiagnostic& attempt) {
    add_line(report, "[Provider #" + std::to_string(number) + ": " + attempt.provider_name + "]");
    add_line(report, "  Result: " + attempt.result);
    add_line(report, "  Win32Error: " + std::to_string(attempt.win32_error));
    add_byte_line(report, "SCSIOpCode", attempt.scsi_op_code);
    add_byte_line(report, "ATACommand", attempt.ata_command);
    add_byte_line(report, "Feature", attempt.feature);
    add_number_line(report, "DataTransferLength", attempt.data_transfer_length);
    add_byte_line(report, "ScsiStatus", attempt.scsi_status);
    add_byte_line(report, "SenseKey", attempt.sense_key);
    add_byte_line(report, "ASC", attempt.asc);
    add_byte_line(report, "ASCQ", attempt.ascq);
    add_number_line(report, "InfoCount", attempt.info_count);
    add_number_line(report, "AttributeID", attempt.attribute_id);
    add_number_line(report, "RawValue", attempt.raw_value);
    if (attempt.temperature_c) {
        add_line(report, "  Temperature: " + celsius_text(*attempt.temperature_c));
    }
    if (!attempt.detail.empty()) add_line(report, "  Detail: " + attempt.detail);
}

}  // namespace

std::string build_disk_report(const DiskHealthRecord& record,
                              const enumeration::DiskIdentity& identity, bool is_elevated) {
    const std::string elevated = is_elevated ? "true" : "false";
    std::string report = "\n";
    add_line(report, "================ DISK SENSOR DIAGNOSTIC ================");
    add_line(report, "PhysicalDrive: PhysicalDrive" + std::to_string(record.physical_drive));
    add_line(report, "Model: " + record.model);
    add_line(report, "Serial: " + record.serial_number);
    add_line(report, "Firmware: " + record.firmware_revision);
    add_line(report, "BusType: " + record.bus_type);
    add_line(report, "VendorId: " + or_na(identity.vendor_id));
    add_line(report, "ProductId: " + or_na(identity.product_id));
    add_line(report, "VID: " + usb_id_text(identity.vid));
    add_line(report, "PID: " + usb_id_text(identity.pid));
    add_line(report, "BridgeVendor: " + or_na(identity.bridge_vendor));
    add_line(report, "BridgeModel: " + or_na(identity.bridge_model));
    add_line(report,
             "InternalProtocol: " +
                 (identity.internal_protocol.empty() ? "Unknown" : identity.internal_protocol));
    add_line(report, "Volumes: " + volumes_text(record.drive_letters));
    add_line(report, "CurrentProvider: " + record.provider_name);
    add_line(report, "Elevation: " + elevated);
    add_line(report, "IsAdministrator: " + elevated);
    add_line(report, "--- Provider Diagnostics (Fallback History) ---");
    for (std::size_t i = 0; i < record.provider_diagnostics.size(); ++i) {
        add_attempt(report, i + 1, record.provider_diagnostics[i]);
    }
    add_line(report, "FinalHealth: " + std::string(display_name(record.health_status)));
    add_line(report, "FinalTemperature: " + (record.temperature_celsius
                                                 ? whole_number(*record.temperature_celsius) + "°C"
                                                 : "N/A"));
    add_line(report, std::string(56, '='));
    return report;
}

}  // namespace quartzmon::sensors::disk
