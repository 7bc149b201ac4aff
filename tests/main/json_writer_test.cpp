#include "main/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace quartzmon {
namespace {

using namespace sensors::disk;

const std::vector<std::string> RESULT_KEYS = {"timestamp", "is_elevated", "disks", "logs"};
const std::vector<std::string> DISK_KEYS = {"physical_drive",
                                            "drive_letters",
                                            "model",
                                            "serial_number",
                                            "firmware_revision",
                                            "bus_type",
                                            "vid",
                                            "pid",
                                            "bridge_vendor",
                                            "internal_protocol",
                                            "provider_name",
                                            "health_status",
                                            "temperature_celsius",
                                            "temperature_sensors",
                                            "wear_percentage",
                                            "critical_warning",
                                            "raw_temperature",
                                            "diagnostic_log",
                                            "provider_diagnostics",
                                            "timestamp"};
const std::vector<std::string> DIAGNOSTIC_KEYS = {"provider_name",
                                                  "result",
                                                  "win32_error",
                                                  "info_count",
                                                  "attribute_id",
                                                  "raw_value",
                                                  "temperature_c",
                                                  "scsi_op_code",
                                                  "ata_command",
                                                  "feature",
                                                  "data_transfer_length",
                                                  "scsi_status",
                                                  "sense_key",
                                                  "asc",
                                                  "ascq",
                                                  "detail"};

std::vector<std::string> keys_of(const nlohmann::ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) keys.push_back(item.key());
    return keys;
}

std::string serialize_text(const CollectionResult& result) {
    const std::vector<std::uint8_t> bytes = serialize_pretty(result);
    return std::string(bytes.begin(), bytes.end());
}

// Every document must be read back by an independent parser with its keys in
// field order at every level, and end in the closing brace.
nlohmann::ordered_json parse_document(const std::string& text) {
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '}');
    const auto document = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(keys_of(document), RESULT_KEYS);
    for (const auto& disk : document["disks"]) {
        EXPECT_EQ(keys_of(disk), DISK_KEYS);
        for (const auto& diagnostic : disk["provider_diagnostics"])
            EXPECT_EQ(keys_of(diagnostic), DIAGNOSTIC_KEYS);
    }
    return document;
}

CollectionResult run_with_two_logs() {
    CollectionResult result;
    result.timestamp = "09:05:03";
    result.logs = {"run started", "2 disks"};
    return result;
}

DiskHealthRecord plain_disk() {
    DiskHealthRecord disk;
    disk.physical_drive = 1;
    disk.model = "WDC WD40EFRX";
    disk.bus_type = "SATA";
    disk.provider_name = "None (Exhausted)";
    disk.timestamp = "09:05:04";
    return disk;
}

ProviderDiagnostic plain_diagnostic() {
    ProviderDiagnostic diagnostic;
    diagnostic.provider_name = "StorageDeviceTemperatureProperty";
    diagnostic.result = "FAILED";
    return diagnostic;
}

TEST(JsonWriter, DocumentWithoutDisks) {
    const std::string text = serialize_text(run_with_two_logs());
    EXPECT_EQ(text,
              "{\n"
              "  \"timestamp\": \"09:05:03\",\n"
              "  \"is_elevated\": false,\n"
              "  \"disks\": [],\n"
              "  \"logs\": [\n"
              "    \"run started\",\n"
              "    \"2 disks\"\n"
              "  ]\n"
              "}");
    EXPECT_EQ(parse_document(text)["logs"].size(), 2u);
}

TEST(JsonWriter, WholeDocumentWithEveryValuePresent) {
    ProviderDiagnostic diagnostic;
    diagnostic.provider_name = "SAT16";
    diagnostic.result = "SUCCESS";
    diagnostic.win32_error = 1117;
    diagnostic.info_count = 4294967295u;
    diagnostic.attribute_id = 194;
    diagnostic.raw_value = 18446744073709551615u;
    diagnostic.temperature_c = 36.6f;
    diagnostic.scsi_op_code = 0xA1;
    diagnostic.ata_command = 0xB0;
    diagnostic.feature = 0xD0;
    diagnostic.data_transfer_length = 512;
    diagnostic.scsi_status = 2;
    diagnostic.sense_key = 5;
    diagnostic.asc = 0x20;
    diagnostic.ascq = 0;
    diagnostic.detail = "Temp=Some(36.6), Attr=Some(194)";

    DiskHealthRecord disk;
    disk.physical_drive = 2;
    disk.drive_letters = {U'E'};
    disk.model = "Samsung SSD 980";
    disk.serial_number = "S64DNX0R";
    disk.firmware_revision = "1B4QFXO7";
    disk.bus_type = "USB";
    disk.vid = 0x174C;
    disk.pid = 0x2362;
    disk.bridge_vendor = "ASMedia";
    disk.internal_protocol = "NVMe";
    disk.provider_name = "SAT16";
    disk.health_status = HealthStatus::Caution;
    disk.temperature_celsius = 36.6f;
    disk.temperature_sensors = {36.6f, 0.00125f};
    disk.wear_percentage = 3;
    disk.critical_warning = 0;
    disk.raw_temperature = 310;
    disk.diagnostic_log = {"[09:05:04] start"};
    disk.provider_diagnostics = {diagnostic};
    disk.timestamp = "23:59:59";

    CollectionResult result;
    result.timestamp = "23:59:58";
    result.is_elevated = true;
    result.disks = {disk};
    result.logs = {"Health: 注意, 36.6°C"};

    const std::string text = serialize_text(result);
    EXPECT_EQ(text, R"json({
  "timestamp": "23:59:58",
  "is_elevated": true,
  "disks": [
    {
      "physical_drive": 2,
      "drive_letters": [
        "E"
      ],
      "model": "Samsung SSD 980",
      "serial_number": "S64DNX0R",
      "firmware_revision": "1B4QFXO7",
      "bus_type": "USB",
      "vid": 5964,
      "pid": 9058,
      "bridge_vendor": "ASMedia",
      "internal_protocol": "NVMe",
      "provider_name": "SAT16",
      "health_status": "Caution",
      "temperature_celsius": 36.6,
      "temperature_sensors": [
        36.6,
        0.00125
      ],
      "wear_percentage": 3,
      "critical_warning": 0,
      "raw_temperature": 310,
      "diagnostic_log": [
        "[09:05:04] start"
      ],
      "provider_diagnostics": [
        {
          "provider_name": "SAT16",
          "result": "SUCCESS",
          "win32_error": 1117,
          "info_count": 4294967295,
          "attribute_id": 194,
          "raw_value": 18446744073709551615,
          "temperature_c": 36.6,
          "scsi_op_code": 161,
          "ata_command": 176,
          "feature": 208,
          "data_transfer_length": 512,
          "scsi_status": 2,
          "sense_key": 5,
          "asc": 32,
          "ascq": 0,
          "detail": "Temp=Some(36.6), Attr=Some(194)"
        }
      ],
      "timestamp": "23:59:59"
    }
  ],
  "logs": [
    "Health: 注意, 36.6°C"
  ]
})json");
    const auto document = parse_document(text);
    EXPECT_EQ(document["disks"][0]["provider_diagnostics"][0]["raw_value"].get<std::uint64_t>(),
              18446744073709551615u);
}

TEST(JsonWriter, WholeDocumentWithEveryOptionalAbsent) {
    DiskHealthRecord disk = plain_disk();
    disk.provider_diagnostics = {plain_diagnostic()};
    CollectionResult result = run_with_two_logs();
    result.disks = {disk};

    const std::string text = serialize_text(result);
    EXPECT_EQ(text, R"json({
  "timestamp": "09:05:03",
  "is_elevated": false,
  "disks": [
    {
      "physical_drive": 1,
      "drive_letters": [],
      "model": "WDC WD40EFRX",
      "serial_number": "",
      "firmware_revision": "",
      "bus_type": "SATA",
      "vid": null,
      "pid": null,
      "bridge_vendor": "",
      "internal_protocol": "",
      "provider_name": "None (Exhausted)",
      "health_status": "Unavailable",
      "temperature_celsius": null,
      "temperature_sensors": [],
      "wear_percentage": null,
      "critical_warning": null,
      "raw_temperature": null,
      "diagnostic_log": [],
      "provider_diagnostics": [
        {
          "provider_name": "StorageDeviceTemperatureProperty",
          "result": "FAILED",
          "win32_error": 0,
          "info_count": null,
          "attribute_id": null,
          "raw_value": null,
          "temperature_c": null,
          "scsi_op_code": null,
          "ata_command": null,
          "feature": null,
          "data_transfer_length": null,
          "scsi_status": null,
          "sense_key": null,
          "asc": null,
          "ascq": null,
          "detail": ""
        }
      ],
      "timestamp": "09:05:04"
    }
  ],
  "logs": [
    "run started",
    "2 disks"
  ]
})json");
    parse_document(text);
}

struct DiskCase {
    const char* name;
    std::function<void(DiskHealthRecord&)> change;
    // Lines of the document, exactly as written at the disk's depth.
    std::string expected;
};

TEST(JsonWriter, DiskValueForms) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const std::vector<DiskCase> cases = {
        {"absent temperature", [](DiskHealthRecord&) {},
         "      \"temperature_celsius\": null,\n      \"temperature_sensors\": [],\n"},
        {"whole temperature keeps .0", [](DiskHealthRecord& d) { d.temperature_celsius = 40.0f; },
         "      \"temperature_celsius\": 40.0,\n"},
        {"half degree", [](DiskHealthRecord& d) { d.temperature_celsius = 36.5f; },
         "      \"temperature_celsius\": 36.5,\n"},
        {"non-finite temperature", [&](DiskHealthRecord& d) { d.temperature_celsius = infinity; },
         "      \"temperature_celsius\": null,\n"},
        {"NaN sensor keeps its place",
         [&](DiskHealthRecord& d) {
             d.temperature_sensors = {41.0f, nan, 38.5f, -infinity};
         },
         "      \"temperature_sensors\": [\n"
         "        41.0,\n"
         "        null,\n"
         "        38.5,\n"
         "        null\n"
         "      ],\n"},
        {"vid in decimal", [](DiskHealthRecord& d) { d.vid = 0x0BDA; },
         "      \"vid\": 3034,\n      \"pid\": null,\n"},
        {"drive letters one per line",
         [](DiskHealthRecord& d) {
             d.drive_letters = {U'C', U'D'};
         },
         "      \"drive_letters\": [\n"
         "        \"C\",\n"
         "        \"D\"\n"
         "      ],\n"},
        {"non-ASCII drive letter as UTF-8", [](DiskHealthRecord& d) { d.drive_letters = {U'Ä'}; },
         "      \"drive_letters\": [\n        \"Ä\"\n      ],\n"},
        {"health display name never written",
         [](DiskHealthRecord& d) { d.health_status = HealthStatus::Critical; },
         "      \"health_status\": \"Critical\",\n"},
        {"largest drive number", [](DiskHealthRecord& d) { d.physical_drive = 4294967295u; },
         "      \"physical_drive\": 4294967295,\n"},
        {"detail with line break, tab, control byte and é",
         [](DiskHealthRecord& d) {
             ProviderDiagnostic diagnostic = plain_diagnostic();
             diagnostic.detail =
                 "a\nb\tc\x01"
                 "d é";
             d.provider_diagnostics = {diagnostic};
         },
         "          \"detail\": \"a\\nb\\tc\\u0001d é\"\n"},
        {"every escaped byte and the bytes left alone",
         [](DiskHealthRecord& d) {
             d.model = std::string("\"\\\b\f\r\x1f\x7f/", 8) + std::string(1, '\0') + "注";
         },
         "      \"model\": \"\\\"\\\\\\b\\f\\r\\u001f\x7f/\\u0000注\",\n"},
        {"success has error 0, never null",
         [](DiskHealthRecord& d) { d.provider_diagnostics = {plain_diagnostic()}; },
         "          \"win32_error\": 0,\n"},
    };
    for (const DiskCase& c : cases) {
        SCOPED_TRACE(c.name);
        DiskHealthRecord disk = plain_disk();
        c.change(disk);
        CollectionResult result = run_with_two_logs();
        result.disks = {disk};
        const std::string text = serialize_text(result);
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        parse_document(text);
    }
}

TEST(JsonWriter, ParsedValuesMatchTheRecord) {
    DiskHealthRecord disk = plain_disk();
    disk.temperature_sensors = {41.0f, std::numeric_limits<float>::quiet_NaN(), 0.1f};
    disk.vid = 0x0BDA;
    ProviderDiagnostic diagnostic = plain_diagnostic();
    diagnostic.detail = std::string("\x01\x1f\"\\\n é", 8);
    disk.provider_diagnostics = {diagnostic};
    CollectionResult result = run_with_two_logs();
    result.disks = {disk};

    const auto parsed = parse_document(serialize_text(result))["disks"][0];
    EXPECT_EQ(parsed["vid"], 3034);
    EXPECT_EQ(parsed["temperature_sensors"][0].get<float>(), 41.0f);
    EXPECT_TRUE(parsed["temperature_sensors"][1].is_null());
    EXPECT_EQ(parsed["temperature_sensors"][2].get<float>(), 0.1f);
    EXPECT_EQ(parsed["provider_diagnostics"][0]["detail"], diagnostic.detail);
}

}  // namespace
}  // namespace quartzmon
