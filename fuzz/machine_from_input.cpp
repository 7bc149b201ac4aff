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
#include "sensors/disk/enumeration/bridge_chips.h"
#include "sensors/disk/enumeration/usb_devices.h"

namespace quartzmon::fuzz {
namespace {

using nlohmann::json;
using platform::description::access_mask_key;
using platform::description::hex_text;
using sensors::disk::enumeration::BridgeChipIds;

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

// The USB IDs the sensor knows, which most enclosures are drawn from: two raw
// 16-bit numbers almost never name an identified bridge, and only those get
// their family's own read. The bridge chip table's, then the known devices'.
const std::vector<BridgeChipIds>& known_bridge_ids() {
    static const std::vector<BridgeChipIds> ids = [] {
        std::vector<BridgeChipIds> known = sensors::disk::enumeration::bridge_chip_ids();
        for (const auto& device : sensors::disk::enumeration::usb_device_table())
            known.push_back({device.vid, device.pid});
        return known;
    }();
    return ids;
}

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

// "VID_vvvv&PID_pppp": three times in four a row of the known IDs (a vendor's
// fallback row with any product), otherwise any two numbers.
std::string usb_ids(FuzzInput& input) {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    if (input.choice(4) != 0) {
        const auto& known = known_bridge_ids();
        const BridgeChipIds& row = known[input.u16() % known.size()];
        vid = row.vid;
        pid = row.pid ? *row.pid : input.u16();
    } else {
        vid = input.u16();
        pid = input.u16();
    }
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", unsigned{vid}, unsigned{pid});
    return ids;
}

// The USB device a disk hangs from: mostly one whose ID carries a vendor and
// product ID, otherwise any ID.
std::string usb_parent_id(FuzzInput& input) {
    if (!input.flag()) return device_id_text(input, 64);
    const std::string ids = usb_ids(input);
    return "USB\\" + ids + "\\" + device_id_text(input, 16);
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
        const std::string parent = usb_parent_id(input);
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

// A request the sensor sends, keyed as a recording keys it: a storage
// property (with the protocol-specific fields of an NVMe log query), an ATA
// pass-through by its task file, or a SCSI command block of either form, data
// in or out.
json recorded_request(FuzzInput& input) {
    switch (input.choice(3)) {
        case 0: {
            json request{{"ioctl", "IOCTL_STORAGE_QUERY_PROPERTY"},
                         {"property_id", input.byte()},
                         {"query_type", input.choice(2)}};
            if (input.flag()) {
                request["protocol_type"] = input.byte();
                request["data_type"] = input.byte();
                request["request_value"] = input.byte();
                request["request_sub_value"] = input.u32();
                request["request_sub_value2"] = input.u32();
            }
            return request;
        }
        case 1:
            return json{{"ioctl", "IOCTL_ATA_PASS_THROUGH"},
                        {"ata_flags", input.u16()},
                        {"data_transfer_length", input.u16()},
                        {"task_file", hex_text(input.bytes(7))}};
        default:
            return json{{"ioctl", input.flag() ? "IOCTL_SCSI_PASS_THROUGH_DIRECT"
                                               : "IOCTL_SCSI_PASS_THROUGH"},
                        {"cdb", command_block(input)},
                        {"data_in", input.choice(2)},
                        {"data_transfer_length", input.u16()}};
    }
}

// A reply as a recording keeps it; what a data-out request sent is kept for
// the reader and answers nothing.
json recorded_reply(FuzzInput& input) {
    json reply{{"request", recorded_request(input)},
               {"error", win32_error(input)},
               {"out", hex_text(input.blob(1024))}};
    if (input.flag()) reply["bytes_returned"] = input.u16() % 2048;
    if (input.flag()) reply["direct_data"] = hex_text(input.blob(SECTOR_SIZE));
    if (input.flag()) reply["data_out"] = hex_text(input.blob(SECTOR_SIZE));
    return reply;
}

json recorded_replies(FuzzInput& input) {
    json replies = json::array();
    for (std::uint32_t i = 1 + input.choice(4); i > 0; --i)
        replies.push_back(recorded_reply(input));
    return replies;
}

// Any real date and time of day, as the description writes local times. The
// fields are drawn one statement each: the order in which a call's arguments
// are evaluated is the compiler's choice.
std::string local_time(FuzzInput& input) {
    const unsigned year = 1601 + input.u16() % 8399u;
    const unsigned month = 1 + input.choice(12);
    const unsigned day = 1 + input.choice(28);
    const unsigned hour = input.choice(24);
    const unsigned minute = input.choice(60);
    const unsigned second = input.choice(60);
    const unsigned millisecond = input.u16() % 1000u;
    char time[32];
    std::snprintf(time, sizeof time, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", year, month, day, hour,
                  minute, second, millisecond);
    return time;
}

// The local time at the start and the readings that follow. The tick count
// only starts somewhere else: readings of it would let a run's time jump, and
// the whole-run target bounds how long a run takes.
json clock(FuzzInput& input) {
    json described{{"local_time", local_time(input)}, {"tick_count", input.u32()}};
    json readings = json::array();
    for (std::uint32_t i = input.choice(4); i > 0; --i) readings.push_back(local_time(input));
    if (!readings.empty()) described["local_times"] = readings;
    return described;
}

// What only a captured machine holds: the disks' recorded replies and the
// clock. Read last, so inputs written before they existed still describe the
// machines they did.
void recorded_run(FuzzInput& input, json& description) {
    for (json& described : description["disks"]) {
        if (input.flag()) described["replay"] = recorded_replies(input);
    }
    if (input.flag()) description["clock"] = clock(input);
}

constexpr std::array<const char*, 4> POWER_MODES{"active", "idle", "standby", "standby_y"};

// What a run with --no-wake asks before it reads a disk: the system's power
// state and the drive's power mode. Drawn after everything else, so inputs
// written before still describe the machines they did.
void power_states(FuzzInput& input, json& disks) {
    for (json& described : disks) {
        if (input.flag()) {
            described["ata"]["power_mode"] = POWER_MODES[input.choice(POWER_MODES.size())];
            described["ata"]["power_management"] = input.choice(8) != 0;
        }
        if (input.flag()) {
            described["device_power_state"] =
                input.flag() ? json{{"on", input.flag()}} : json{{"error", nonzero_error(input)}};
        }
    }
}

}  // namespace

bool leaves_sleeping_disks(std::span<const std::uint8_t> data) {
    return !data.empty() && (data[0] & 2) != 0;
}

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
    recorded_run(input, description);
    power_states(input, description["disks"]);
    return description.dump(2);
}

}  // namespace quartzmon::fuzz
