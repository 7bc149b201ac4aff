#include "platform/simulated/disk.h"

#include "platform/platform.h"
#include "platform/simulated/win32_codes.h"

namespace quartzmon::platform::simulated {
namespace {

// "open": { "0x80000000": 5, "0x0": 0, "other": 5 }
void read_open_rules(JsonObject& open, Disk& disk) {
    for (const auto& [key, value] : open.members()) {
        const std::string place = open.place_of(key);
        const std::uint32_t error = read_u32(*value, place);
        if (key == "other") {
            disk.other_access_error = error;
        } else {
            disk.open_errors[parse_u32_text(key, place)] = error;
        }
    }
}

}  // namespace

Disk read_disk(JsonObject& object, std::uint32_t default_number) {
    Disk disk;
    disk.number = object.u32("number").value_or(default_number);
    if (const nlohmann::json* open = object.find("open")) {
        JsonObject rules(*open, object.place_of("open"));
        read_open_rules(rules, disk);
    }
    if (const nlohmann::json* properties = object.find("properties")) {
        JsonObject described(*properties, object.place_of("properties"));
        disk.properties = read_storage_properties(&described);
    } else {
        disk.properties = read_storage_properties(nullptr);
    }
    if (const nlohmann::json* scsi = object.find("scsi_pass_through")) {
        JsonObject behaviour(*scsi, object.place_of("scsi_pass_through"));
        disk.scsi_pass_through = read_scsi_pass_through_behaviour(behaviour);
    }
    if (const nlohmann::json* nvme = object.find("nvme")) {
        JsonObject described(*nvme, object.place_of("nvme"));
        disk.nvme = read_nvme_storage_device(described);
    }
    if (const nlohmann::json* bridge = object.find("nvme_bridge")) {
        JsonObject described(*bridge, object.place_of("nvme_bridge"));
        disk.nvme_bridge = read_nvme_bridge(described);
    }
    object.reject_unknown_keys();
    return disk;
}

std::uint32_t disk_open_error(const Disk& disk, std::uint32_t desired_access) {
    const auto rule = disk.open_errors.find(desired_access);
    return rule == disk.open_errors.end() ? disk.other_access_error : rule->second;
}

}  // namespace quartzmon::platform::simulated
