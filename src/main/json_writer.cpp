#include "main/json_writer.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/utf.h"
#include "sensors/disk/float_text.h"

namespace quartzmon {
namespace {

using sensors::disk::CollectionResult;
using sensors::disk::DiskHealthRecord;
using sensors::disk::float_text;
using sensors::disk::ProviderDiagnostic;

// The fixed pretty layout: every member and element on its own line, indented
// by two spaces per level; an empty array stays "[]".
class JsonWriter {
public:
    JsonWriter() { out_.reserve(128); }

    std::vector<std::uint8_t> take() { return std::move(out_); }

    void begin_object() { begin('{'); }
    void end_object() { end('}'); }
    void begin_array() { begin('['); }
    void end_array() { end(']'); }

    void key(std::string_view name) {
        next_entry();
        put_string(name);
        put(": ");
    }
    // Starts the next element of the array being written.
    void element() { next_entry(); }

    void string(std::string_view text) { put_string(text); }
    void boolean(bool value) { put(value ? "true" : "false"); }
    void null() { put("null"); }
    void number(std::uint64_t value) { put(std::to_string(value)); }
    void number(const std::optional<std::uint64_t>& value) {
        if (value)
            number(*value);
        else
            null();
    }
    void real(float value) {
        if (std::isfinite(value))
            put(float_text(value));
        else
            null();
    }
    void real(const std::optional<float>& value) {
        if (value)
            real(*value);
        else
            null();
    }

private:
    void begin(char bracket) {
        put(bracket);
        ++depth_;
        entries_.push_back(0);
    }

    void end(char bracket) {
        --depth_;
        const bool empty = entries_.back() == 0;
        entries_.pop_back();
        if (!empty) new_line();
        put(bracket);
    }

    void next_entry() {
        if (entries_.back() > 0) put(',');
        ++entries_.back();
        new_line();
    }

    void new_line() {
        put('\n');
        out_.insert(out_.end(), static_cast<std::size_t>(depth_) * 2, ' ');
    }

    // Byte by byte over the UTF-8 text: quote, backslash and control bytes
    // escaped; everything else, non-ASCII included, written as it is.
    void put_string(std::string_view text) {
        put('"');
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            switch (byte) {
                case '"':
                    put("\\\"");
                    break;
                case '\\':
                    put("\\\\");
                    break;
                case '\b':
                    put("\\b");
                    break;
                case '\f':
                    put("\\f");
                    break;
                case '\n':
                    put("\\n");
                    break;
                case '\r':
                    put("\\r");
                    break;
                case '\t':
                    put("\\t");
                    break;
                default:
                    if (byte < 0x20)
                        put_control_escape(byte);
                    else
                        put(c);
                    break;
            }
        }
        put('"');
    }

    void put_control_escape(unsigned char byte) {
        static constexpr char HEX_DIGITS[] = "0123456789abcdef";
        put("\\u00");
        put(HEX_DIGITS[byte >> 4]);
        put(HEX_DIGITS[byte & 0x0F]);
    }

    void put(char c) { out_.push_back(static_cast<std::uint8_t>(c)); }
    void put(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }

    std::vector<std::uint8_t> out_;
    int depth_ = 0;
    // Entries written so far in each open object or array, innermost last.
    std::vector<std::size_t> entries_;
};

// Every unsigned field, whatever its width, is written the same way.
template <typename Unsigned>
std::optional<std::uint64_t> widen(const std::optional<Unsigned>& value) {
    return value ? std::optional<std::uint64_t>(*value) : std::nullopt;
}

void write_strings(JsonWriter& json, const std::vector<std::string>& texts) {
    json.begin_array();
    for (const std::string& text : texts) {
        json.element();
        json.string(text);
    }
    json.end_array();
}

void write_letters(JsonWriter& json, const std::vector<char32_t>& letters) {
    json.begin_array();
    for (const char32_t letter : letters) {
        json.element();
        json.string(platform::scalar_to_utf8(letter));
    }
    json.end_array();
}

void write_floats(JsonWriter& json, const std::vector<float>& values) {
    json.begin_array();
    for (const float value : values) {
        json.element();
        json.real(value);
    }
    json.end_array();
}

void write_diagnostic(JsonWriter& json, const ProviderDiagnostic& diagnostic) {
    json.begin_object();
    json.key("provider_name");
    json.string(diagnostic.provider_name);
    json.key("result");
    json.string(diagnostic.result);
    json.key("win32_error");
    json.number(diagnostic.win32_error);
    json.key("info_count");
    json.number(widen(diagnostic.info_count));
    json.key("attribute_id");
    json.number(widen(diagnostic.attribute_id));
    json.key("raw_value");
    json.number(widen(diagnostic.raw_value));
    json.key("temperature_c");
    json.real(diagnostic.temperature_c);
    json.key("scsi_op_code");
    json.number(widen(diagnostic.scsi_op_code));
    json.key("ata_command");
    json.number(widen(diagnostic.ata_command));
    json.key("feature");
    json.number(widen(diagnostic.feature));
    json.key("data_transfer_length");
    json.number(widen(diagnostic.data_transfer_length));
    json.key("scsi_status");
    json.number(widen(diagnostic.scsi_status));
    json.key("sense_key");
    json.number(widen(diagnostic.sense_key));
    json.key("asc");
    json.number(widen(diagnostic.asc));
    json.key("ascq");
    json.number(widen(diagnostic.ascq));
    json.key("detail");
    json.string(diagnostic.detail);
    json.end_object();
}

void write_disk(JsonWriter& json, const DiskHealthRecord& disk) {
    json.begin_object();
    json.key("physical_drive");
    json.number(disk.physical_drive);
    json.key("drive_letters");
    write_letters(json, disk.drive_letters);
    json.key("model");
    json.string(disk.model);
    json.key("serial_number");
    json.string(disk.serial_number);
    json.key("firmware_revision");
    json.string(disk.firmware_revision);
    json.key("bus_type");
    json.string(disk.bus_type);
    json.key("vid");
    json.number(widen(disk.vid));
    json.key("pid");
    json.number(widen(disk.pid));
    json.key("bridge_vendor");
    json.string(disk.bridge_vendor);
    json.key("internal_protocol");
    json.string(disk.internal_protocol);
    json.key("provider_name");
    json.string(disk.provider_name);
    json.key("health_status");
    json.string(json_text(disk.health_status));
    json.key("temperature_celsius");
    json.real(disk.temperature_celsius);
    json.key("temperature_sensors");
    write_floats(json, disk.temperature_sensors);
    json.key("wear_percentage");
    json.number(widen(disk.wear_percentage));
    json.key("critical_warning");
    json.number(widen(disk.critical_warning));
    json.key("raw_temperature");
    json.number(widen(disk.raw_temperature));
    json.key("diagnostic_log");
    write_strings(json, disk.diagnostic_log);
    json.key("provider_diagnostics");
    json.begin_array();
    for (const ProviderDiagnostic& diagnostic : disk.provider_diagnostics) {
        json.element();
        write_diagnostic(json, diagnostic);
    }
    json.end_array();
    json.key("timestamp");
    json.string(disk.timestamp);
    json.end_object();
}

}  // namespace

std::vector<std::uint8_t> serialize_pretty(const CollectionResult& result) {
    JsonWriter json;
    json.begin_object();
    json.key("timestamp");
    json.string(result.timestamp);
    json.key("is_elevated");
    json.boolean(result.is_elevated);
    json.key("disks");
    json.begin_array();
    for (const DiskHealthRecord& disk : result.disks) {
        json.element();
        write_disk(json, disk);
    }
    json.end_array();
    json.key("logs");
    write_strings(json, result.logs);
    json.end_object();
    return json.take();
}

}  // namespace quartzmon
