#include "platform/simulated/disk.h"

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/simulated/win32_codes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

// The storage buses on which the disk itself is an ATA drive.
bool reports_ata_bus(const StorageProperties& properties) {
    namespace descriptor = layout::STORAGE_DEVICE_DESCRIPTOR;
    const auto found = properties.find(layout::StorageDeviceProperty);
    if (found == properties.end() || found->second.error != 0) return false;
    const std::vector<std::uint8_t>& bytes = found->second.bytes;
    if (bytes.size() < descriptor::BusType + 4) return false;
    const std::uint32_t bus_type = get_u32(bytes, descriptor::BusType);
    return bus_type == layout::BusTypeAta || bus_type == layout::BusTypeAtapi ||
           bus_type == layout::BusTypeSata;
}

// The disk's SCSI target as the port driver reaches it.
ScsiTarget scsi_target_of(Disk& disk) {
    return [&disk](std::span<const std::uint8_t> cdb, std::span<const std::uint8_t> data_out,
                   std::span<std::uint8_t> data_in) {
        return execute_scsi_command(disk, cdb, data_out, data_in);
    };
}

// { "on": false } or { "error": 1 }.
DevicePowerState read_device_power_state(JsonObject& object) {
    DevicePowerState state;
    state.on = object.boolean("on").value_or(state.on);
    state.error = object.u32("error").value_or(state.error);
    object.reject_unknown_keys();
    return state;
}

}  // namespace

Disk read_disk(JsonObject& object, std::uint32_t default_number) {
    Disk disk;
    disk.number = object.u32("number").value_or(default_number);
    if (const nlohmann::json* open = object.find("open")) {
        JsonObject rules(*open, object.place_of("open"));
        read_access_errors(rules, disk.open_errors);
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
    if (const nlohmann::json* ata = object.find("ata")) {
        JsonObject drive(*ata, object.place_of("ata"));
        disk.ata_drive = read_ata_drive(drive);
    }
    if (const nlohmann::json* ata = object.find("ata_pass_through")) {
        JsonObject behaviour(*ata, object.place_of("ata_pass_through"));
        disk.ata_pass_through = read_ata_pass_through_behaviour(behaviour);
    }
    if (const nlohmann::json* bridge = object.find("sat_bridge")) {
        JsonObject described(*bridge, object.place_of("sat_bridge"));
        disk.sat_bridge = read_sat_bridge(described);
    }
    // A three-line description of a SATA disk or a USB enclosure still has a
    // drive to answer SMART.
    if (!disk.ata_drive && (disk.sat_bridge || reports_ata_bus(disk.properties)))
        disk.ata_drive = default_ata_drive();
    if (const nlohmann::json* nvme = object.find("nvme")) {
        JsonObject described(*nvme, object.place_of("nvme"));
        disk.nvme = read_nvme_storage_device(described);
    }
    if (const nlohmann::json* bridge = object.find("nvme_bridge")) {
        JsonObject described(*bridge, object.place_of("nvme_bridge"));
        disk.nvme_bridge = read_nvme_bridge(described);
    }
    disk.silent = object.boolean("silent").value_or(false);
    if (const nlohmann::json* power = object.find("device_power_state")) {
        JsonObject described(*power, object.place_of("device_power_state"));
        disk.device_power_state = read_device_power_state(described);
    }
    if (const nlohmann::json* replay = object.find("replay"))
        disk.replay = RecordedReplies::read(*replay, object.place_of("replay"));
    if (disk.sat_bridge && disk.nvme_bridge)
        throw DescriptionError{object.place_of("nvme_bridge"), "a disk has one bridge"};
    object.reject_unknown_keys();
    return disk;
}

ScsiCommandOutcome execute_scsi_command(Disk& disk, std::span<const std::uint8_t> cdb,
                                        std::span<const std::uint8_t> data_out,
                                        std::span<std::uint8_t> data_in) {
    if (disk.silent) return no_completion();
    if (disk.sat_bridge) return execute_on_bridge(*disk.sat_bridge, *disk.ata_drive, cdb, data_in);
    if (disk.nvme_bridge) return execute(*disk.nvme_bridge, cdb, data_out, data_in);
    return check_condition(SENSE_KEY_ILLEGAL_REQUEST, ASC_INVALID_COMMAND_OPERATION_CODE, 0);
}

IoctlOutcome answer_disk_request(Disk& disk, std::uint32_t access, std::uint32_t io_control_code,
                                 std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (auto recorded = disk.replay.answer(io_control_code, in, out)) return *recorded;
    switch (io_control_code) {
        case IOCTL_STORAGE_QUERY_PROPERTY:
            return answer_storage_query_property(disk.properties, disk.nvme ? &*disk.nvme : nullptr,
                                                 disk.silent, in, out);
        case IOCTL_ATA_PASS_THROUGH:
            return answer_ata_pass_through(disk.ata_pass_through, access,
                                           disk.ata_drive ? &*disk.ata_drive : nullptr, disk.silent,
                                           in, out);
        case IOCTL_SCSI_PASS_THROUGH:
            return answer_scsi_pass_through(disk.scsi_pass_through, access,
                                            ScsiPassThroughForm::Buffered, scsi_target_of(disk), in,
                                            out);
        case IOCTL_SCSI_PASS_THROUGH_DIRECT:
            return answer_scsi_pass_through(disk.scsi_pass_through, access,
                                            ScsiPassThroughForm::Direct, scsi_target_of(disk), in,
                                            out);
        default:
            return failed_ioctl(ERROR_INVALID_FUNCTION);
    }
}

}  // namespace quartzmon::platform::simulated
