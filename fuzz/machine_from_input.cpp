#include "machine_from_input.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "platform/ascii_case.h"
#include "platform/description/access_mask_key.h"
#include "platform/description/hex_text.h"
#include "platform/utf.h"

namespace quartzmon::fuzz {
namespace {

using nlohmann::json;
using platform::description::access_mask_key;
using platform::description::hex_text;

constexpr std::size_t MAX_DISKS = 4;
constexpr std::size_t MAX_DRIVE_NUMBER = 16;
constexpr std::size_t MAX_VOLUMES = 4;
constexpr std::size_t SECTOR_SIZE = 512;
constexpr std::string_view POWERSHELL_PATH =
    "C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe";
constexpr std::string_view DISK_ENUM_KEY = "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum";

// Bus types a disk most often has (STORAGE_BUS_TYPE: SCSI, ATA, USB, RAID,
// SATA, SD, NVMe), then any value at all.
constexpr std::array<std::uint32_t, 7> COMMON_BUS_TYPES = {1, 3, 7, 8, 11, 12, 17};

// Win32 errors drivers answer with, then any value.
constexpr std::array<std::uint32_t, 7> COMMON_ERRORS = {0, 1, 5, 31, 50, 87, 121};

std::string text(FuzzInput& input, std::size_t max_size) {
    const std::vector<std::uint8_t> bytes = input.blob(max_size);
    return platform::utf8_lossy(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::uint32_t win32_error(FuzzInput& input) {
    const std::uint32_t pick = input.choice(COMMON_ERRORS.size() + 1);
    return pick < COMMON_ERRORS.size() ? COMMON_ERRORS[pick] : input.u32();
}

std::uint32_t nonzero_error(FuzzInput& input) {
    const std::uint32_t error = win32_error(input);
    return error == 0 ? 1 : error;
}

// Errors by the access mask a handle was opened with: read-write, read, none
// are the masks the sensor tries.
json access_errors(FuzzInput& input) {
    json rules = json::object();
    for (const std::uint32_t mask : {0xC0000000u, 0x80000000u, 0x0u}) {
        if (input.flag()) rules[access_mask_key(mask)] = win32_error(input);
    }
    if (input.flag()) rules["other"] = win32_error(input);
    return rules;
}

// A device request: the described reply, raw bytes, or an error; the byte
// count may be overridden.
json device_reply(FuzzInput& input, json fields, std::size_t max_raw_size) {
    switch (input.choice(4)) {
        case 0:
            return fields;
        case 1:
            return json{{"error", nonzero_error(input)}};
        default: {
            json reply{{"raw", hex_text(input.blob(max_raw_size))}};
            if (input.flag()) reply["bytes_returned"] = input.u16() % 2048;
            return reply;
        }
    }
}

json device_descriptor(FuzzInput& input) {
    const std::uint32_t pick = input.choice(COMMON_BUS_TYPES.size() + 1);
    json fields{{"vendor_id", text(input, 24)},
                {"product_id", text(input, 48)},
                {"product_revision", text(input, 16)},
                {"serial_number", text(input, 40)},
                {"bus_type", pick < COMMON_BUS_TYPES.size() ? COMMON_BUS_TYPES[pick]
                                                            : std::uint32_t{input.byte()}},
                {"removable_media", input.flag()}};
    return device_reply(input, std::move(fields), 1024);
}

json temperature_property(FuzzInput& input) {
    json sensors = json::array();
    for (std::uint32_t i = input.choice(4); i > 0; --i) {
        sensors.push_back({{"temperature", static_cast<std::int16_t>(input.u16())},
                           {"over_threshold", static_cast<std::int16_t>(input.u16())}});
    }
    json fields{{"sensors", sensors}};
    // A count that disagrees with the entries that follow.
    if (input.flag()) fields["info_count"] = input.u16();
    return device_reply(input, std::move(fields), 256);
}

json smart_block(FuzzInput& input) {
    return json{{"hex", hex_text(input.bytes(SECTOR_SIZE))}};
}

json nvme_controller(FuzzInput& input) {
    return json{{"health_log", json{{"hex", hex_text(input.bytes(SECTOR_SIZE))}}},
                {"log_page_offset", input.flag()}};
}

json sat_bridge(FuzzInput& input) {
    static constexpr std::array<std::string_view, 7> dialects = {
        "sat16", "sat12", "asmedia", "jmicron", "sunplus", "prolific", "cypress"};
    static constexpr std::array<std::string_view, 3> sense_formats = {"fixed", "descriptor",
                                                                      "none"};
    json accepted = json::array();
    const std::uint8_t mask = input.byte();
    for (std::size_t i = 0; i < dialects.size(); ++i) {
        if ((mask >> i & 1) != 0) accepted.push_back(dialects[i]);
    }
    return json{{"dialects", accepted},
                {"rejection",
                 {{"status", input.byte()},
                  {"sense_format", sense_formats[input.choice(sense_formats.size())]},
                  {"sense_key", input.byte()},
                  {"asc", input.byte()},
                  {"ascq", input.byte()}}}};
}

std::string command_block(FuzzInput& input) {
    std::vector<std::uint8_t> cdb = input.blob(16);
    if (cdb.empty()) cdb.push_back(0);
    return hex_text(cdb);
}

json nvme_bridge(FuzzInput& input) {
    json bridge = nvme_controller(input);
    json health_log_commands = json::array();
    for (std::uint32_t i = input.choice(3); i > 0; --i)
        health_log_commands.push_back(command_block(input));
    json uncompleted = json::array();
    for (std::uint32_t i = input.choice(2); i > 0; --i) {
        uncompleted.push_back({{"cdb", command_block(input)}, {"error", nonzero_error(input)}});
    }
    bridge["health_log_commands"] = health_log_commands;
    bridge["uncompleted_commands"] = uncompleted;
    bridge["other_commands"] = {{"status", input.byte()},
                                {"sense_key", input.byte()},
                                {"asc", input.byte()},
                                {"ascq", input.byte()}};
    static constexpr std::array<std::string_view, 3> families = {"asmedia", "jmicron", "realtek"};
    if (const std::uint32_t family = input.choice(families.size() + 1); family < families.size())
        bridge["family"] = families[family];
    return bridge;
}

json scsi_pass_through(FuzzInput& input) {
    return json{{"access", access_errors(input)},
                {"direct_error", win32_error(input)},
                {"buffered_error", win32_error(input)},
                {"direct_data_zero", input.flag()}};
}

json disk(FuzzInput& input, std::uint32_t number) {
    json properties{{"StorageDeviceProperty", device_descriptor(input)}};
    if (input.flag()) properties["StorageDeviceTemperatureProperty"] = temperature_property(input);
    if (input.flag()) properties["StorageAdapterTemperatureProperty"] = temperature_property(input);
    json described{{"number", number}, {"properties", properties}};
    if (input.flag()) described["open"] = access_errors(input);
    if (input.flag()) described["scsi_pass_through"] = scsi_pass_through(input);
    if (input.flag()) described["ata"] = json{{"smart", smart_block(input)}};
    if (input.flag()) {
        described["ata_pass_through"] = {{"access", access_errors(input)},
                                         {"bytes_returned", input.u16() % 1200}};
    }
    if (input.flag()) described["nvme"] = nvme_controller(input);
    switch (input.choice(3)) {
        case 1:
            described["sat_bridge"] = sat_bridge(input);
            break;
        case 2:
            described["nvme_bridge"] = nvme_bridge(input);
            break;
        default:
            break;
    }
    // A silent device only moves the simulated clock, but every request it
    // gets then takes its timeout: rare, so most runs reach the replies.
    described["silent"] = input.choice(16) == 0;
    return described;
}

// A device instance ID: text without the zero that ends a string, which no ID
// on Windows can hold.
std::string device_id_text(FuzzInput& input, std::size_t max_size) {
    std::string id = text(input, max_size);
    std::ranges::replace(id, '\0', '0');
    return id;
}

// The disk driver's list of instance IDs and the device tree above them, where
// the USB parent's ID carries the vendor and product IDs. Device IDs are
// unique without regard to case, so a disk whose IDs are taken keeps none.
void usb_device_tree(FuzzInput& input, const json& disks, json& description) {
    json enum_values = json::object();
    json tree = json::array();
    std::set<std::string> known_ids;
    const auto is_new = [&known_ids](const std::string& id) {
        return known_ids.insert(platform::ascii_lower(id)).second;
    };
    for (const json& described : disks) {
        if (!input.flag()) continue;
        const std::string number = std::to_string(described["number"].get<std::uint32_t>());
        const std::string instance =
            "USBSTOR\\DISK&VEN_" + device_id_text(input, 16) + "\\" + number;
        const unsigned vid = input.u16();
        const unsigned pid = input.u16();
        char usb_ids[32];
        std::snprintf(usb_ids, sizeof usb_ids, "VID_%04X&PID_%04X", vid, pid);
        const std::string parent =
            input.flag() ? "USB\\" + std::string(usb_ids) + "\\" + device_id_text(input, 16)
                         : device_id_text(input, 64);
        if (!is_new(instance)) continue;
        if (is_new(parent)) tree.push_back({{"id", parent}});
        enum_values[number] = instance;
        tree.push_back({{"id", instance}, {"parent", parent}});
    }
    if (!enum_values.empty()) description["registry"] = {{DISK_ENUM_KEY, enum_values}};
    if (!tree.empty()) description["device_tree"] = tree;
}

json volumes(FuzzInput& input, const json& disks) {
    json described = json::object();
    for (std::uint32_t i = input.choice(MAX_VOLUMES + 1); i > 0; --i) {
        const std::string letter(1, static_cast<char>('C' + input.choice(24)));
        json extents = json::array();
        for (std::uint32_t e = input.choice(3); e > 0; --e) {
            const json& target = disks[input.choice(static_cast<std::uint32_t>(disks.size()))];
            extents.push_back({{"disk", input.flag() ? target["number"].get<std::uint32_t>()
                                                     : std::uint32_t{input.byte()}}});
        }
        described[letter] = {
            {"drive_type", input.choice(8)},
            {"label", text(input, 32)},
            {"volume_information_error", win32_error(input)},
            {"disk_extents", device_reply(input, json{{"extents", extents}}, 128)}};
    }
    return described;
}

json powershell(FuzzInput& input) {
    json program{{"stdout_hex", hex_text(input.blob(512))}, {"exit_code", input.u32()}};
    if (input.choice(8) == 0) {
        program["never_exits"] = true;
    } else {
        program["exits_after_ms"] = input.u16();
    }
    return program;
}

}  // namespace

std::string machine_from_input(std::span<const std::uint8_t> data) {
    FuzzInput input(data);
    json description = json::object();
    description["token"] = {{"elevated", input.flag()}};

    json disks = json::array();
    std::array<bool, MAX_DRIVE_NUMBER> used{};
    const std::uint32_t disk_count = 1 + input.choice(MAX_DISKS);
    for (std::uint32_t i = 0; i < disk_count; ++i) {
        std::uint32_t number = input.choice(MAX_DRIVE_NUMBER);
        while (used[number]) number = (number + 1) % MAX_DRIVE_NUMBER;
        used[number] = true;
        disks.push_back(disk(input, number));
    }
    description["disks"] = disks;
    description["volumes"] = volumes(input, disks);
    usb_device_tree(input, disks, description);
    if (input.flag()) description["programs"] = {{POWERSHELL_PATH, powershell(input)}};
    return description.dump(2);
}

}  // namespace quartzmon::fuzz
