// The result document of a collection whose every text, number and float is
// drawn from the input. The document must parse with an independent parser,
// every text must read back equal and every float bit-equal through strtof.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "invariant.h"
#include "main/json_writer.h"

using namespace quartzmon::sensors::disk;
using nlohmann::json;
using quartzmon::fuzz::FuzzInput;
using quartzmon::fuzz::require;

namespace {

std::string text(FuzzInput& input) {
    const std::vector<std::uint8_t> bytes = input.blob(40);
    return quartzmon::platform::utf8_lossy(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

float any_float(FuzzInput& input) {
    return std::bit_cast<float>(input.u32());
}

std::optional<float> optional_float(FuzzInput& input) {
    return input.flag() ? std::optional<float>(any_float(input)) : std::nullopt;
}

char32_t scalar(FuzzInput& input) {
    const char32_t value = input.u32() % 0x110000;
    return value >= 0xD800 && value <= 0xDFFF ? U'?' : value;
}

ProviderDiagnostic diagnostic(FuzzInput& input) {
    ProviderDiagnostic d;
    d.provider_name = text(input);
    d.result = text(input);
    d.win32_error = input.u32();
    if (input.flag()) d.info_count = input.u32();
    if (input.flag()) d.raw_value = static_cast<std::uint64_t>(input.u32()) << 32 | input.u32();
    d.temperature_c = optional_float(input);
    if (input.flag()) d.sense_key = input.byte();
    d.detail = text(input);
    return d;
}

DiskHealthRecord record(FuzzInput& input) {
    DiskHealthRecord r;
    r.physical_drive = input.u32();
    for (std::uint32_t i = input.choice(4); i > 0; --i) r.drive_letters.push_back(scalar(input));
    r.model = text(input);
    r.serial_number = text(input);
    r.firmware_revision = text(input);
    r.bus_type = text(input);
    if (input.flag()) r.vid = input.u16();
    r.bridge_vendor = text(input);
    r.internal_protocol = text(input);
    r.provider_name = text(input);
    r.health_status = static_cast<HealthStatus>(input.choice(4));
    r.temperature_celsius = optional_float(input);
    for (std::uint32_t i = input.choice(5); i > 0; --i)
        r.temperature_sensors.push_back(any_float(input));
    if (input.flag()) r.wear_percentage = input.byte();
    for (std::uint32_t i = input.choice(3); i > 0; --i) r.diagnostic_log.push_back(text(input));
    for (std::uint32_t i = input.choice(3); i > 0; --i)
        r.provider_diagnostics.push_back(diagnostic(input));
    r.timestamp = text(input);
    return r;
}

// The float texts of a document in document order, as written.
struct FloatTexts : json::json_sax_t {
    std::vector<std::string> texts;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t& written) override {
        texts.push_back(written);
        return true;
    }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
};

void check_float(const json& written, const std::optional<float>& value,
                 std::vector<float>& finite_values) {
    const bool finite = value && std::isfinite(*value);
    require(written.is_null() == !finite, "null exactly for absent and non-finite floats");
    if (finite) finite_values.push_back(*value);
}

void check_diagnostic(const json& written, const ProviderDiagnostic& d,
                      std::vector<float>& floats) {
    require(written["provider_name"] == d.provider_name && written["result"] == d.result &&
                written["detail"] == d.detail,
            "diagnostic texts read back equal");
    check_float(written["temperature_c"], d.temperature_c, floats);
}

void check_record(const json& written, const DiskHealthRecord& r, std::vector<float>& floats) {
    require(written["model"] == r.model && written["serial_number"] == r.serial_number &&
                written["firmware_revision"] == r.firmware_revision &&
                written["bus_type"] == r.bus_type && written["bridge_vendor"] == r.bridge_vendor &&
                written["internal_protocol"] == r.internal_protocol &&
                written["provider_name"] == r.provider_name && written["timestamp"] == r.timestamp,
            "record texts read back equal");
    require(written["diagnostic_log"] == json(r.diagnostic_log), "log lines read back equal");
    require(written["drive_letters"].size() == r.drive_letters.size(), "one text per letter");
    for (std::size_t i = 0; i < r.drive_letters.size(); ++i) {
        require(
            written["drive_letters"][i] == quartzmon::platform::scalar_to_utf8(r.drive_letters[i]),
            "each letter reads back as its character");
    }
    check_float(written["temperature_celsius"], r.temperature_celsius, floats);
    require(written["temperature_sensors"].size() == r.temperature_sensors.size(),
            "every sensor written");
    for (std::size_t i = 0; i < r.temperature_sensors.size(); ++i) {
        check_float(written["temperature_sensors"][i], r.temperature_sensors[i], floats);
    }
    require(written["provider_diagnostics"].size() == r.provider_diagnostics.size(),
            "every diagnostic written");
    for (std::size_t i = 0; i < r.provider_diagnostics.size(); ++i) {
        check_diagnostic(written["provider_diagnostics"][i], r.provider_diagnostics[i], floats);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(std::span(data, size));
    CollectionResult result;
    result.timestamp = text(input);
    result.is_elevated = input.flag();
    for (std::uint32_t i = input.choice(3); i > 0; --i) result.disks.push_back(record(input));
    for (std::uint32_t i = input.choice(3); i > 0; --i) result.logs.push_back(text(input));

    const std::vector<std::uint8_t> bytes = quartzmon::serialize_pretty(result);
    const std::string document(bytes.begin(), bytes.end());
    const json written = json::parse(document, nullptr, false);
    require(!written.is_discarded(), "the document parses");
    require(written["timestamp"] == result.timestamp && written["logs"] == json(result.logs),
            "run texts read back equal");
    require(written["disks"].size() == result.disks.size(), "one record per disk");

    std::vector<float> floats;
    for (std::size_t i = 0; i < result.disks.size(); ++i)
        check_record(written["disks"][i], result.disks[i], floats);

    FloatTexts float_texts;
    json::sax_parse(document, &float_texts);
    require(float_texts.texts.size() == floats.size(), "every finite float written as a number");
    for (std::size_t i = 0; i < floats.size(); ++i) {
        const float read_back = std::strtof(float_texts.texts[i].c_str(), nullptr);
        require(std::bit_cast<std::uint32_t>(read_back) == std::bit_cast<std::uint32_t>(floats[i]),
                "each float reads back bit-equal");
    }
    return 0;
}
