#include "capture/machine_from_recording.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "platform/ascii_case.h"
#include "platform/bytes.h"
#include "platform/description/access_mask_key.h"
#include "platform/description/device_names.h"
#include "platform/description/device_request.h"
#include "platform/description/hex_text.h"
#include "platform/description/local_time_text.h"
#include "platform/utf.h"
#include "platform/windows_layouts.h"

namespace quartzmon::capture {
namespace {

using namespace quartzmon::platform;
using nlohmann::json;
using platform::recording::Function;
using platform::recording::RecordedCall;

// A REG_SZ whose data is UTF-16 text ending in its one zero is written as
// text; anything else keeps its type and exact bytes.
json registry_value(std::uint32_t type, std::span<const std::uint8_t> data) {
    if (type == layout::REG_SZ && data.size() % 2 == 0 && data.size() >= 2) {
        std::u16string units;
        for (std::size_t i = 0; i < data.size(); i += 2)
            units += static_cast<char16_t>(get_u16(data, i));
        if (units.back() == u'\0' && units.find(u'\0') == units.size() - 1) {
            units.pop_back();
            return utf16_to_utf8(units);
        }
    }
    return {{"type", type}, {"hex", description::hex_text(data)}};
}

struct VolumeFacts {
    std::optional<std::uint32_t> drive_type;
    json description = json::object();
};

struct DeviceNode {
    std::optional<std::string> id;
    std::optional<DevInst> parent;
    std::uint32_t parent_error = 0;
    std::uint32_t device_id_error = 0;
};

struct ChildFacts {
    std::uint32_t start_error = 0;
    std::vector<std::uint8_t> output;
    std::optional<std::uint32_t> exit_code;
    bool exited = false;
};

// What a handle the run opened refers to.
struct Opened {
    enum class Kind { Disk, Volume, RegistryKey, Process, Pipe } kind;
    std::uint32_t disk = 0;
    char letter = 0;
    std::string path;  // registry key path, or the child's program
};

class DescriptionBuilder {
public:
    void add(const RecordedCall& call) {
        switch (call.function) {
            case Function::GetErrorMode:
                first_error_mode(call);
                break;
            case Function::GetLocalTime:
                local_times_.push_back(description::local_time_text(call.time));
                break;
            case Function::GetTickCount64:
                tick_counts_.push_back(call.result);
                break;
            case Function::CreateFileW:
                opened_file(call);
                break;
            case Function::CloseHandle:
            case Function::RegCloseKey:
                handles_.erase(call.target);
                break;
            case Function::DeviceIoControl:
                device_request(call);
                break;
            case Function::GetDevicePowerState:
                device_power_state(call);
                break;
            case Function::GetProcAddressGetTempPath2W:
                temp_["has_get_temp_path2"] = call.result != 0;
                break;
            case Function::GetTempPath2W:
            case Function::GetTempPathW:
                temp_path(call);
                break;
            case Function::GetDriveTypeW:
                drive_type(call);
                break;
            case Function::GetVolumeInformationW:
                volume_information(call);
                break;
            case Function::QueryDosDeviceW:
                dos_device(call);
                break;
            case Function::CreateProcessW:
                started_process(call);
                break;
            case Function::ReadFile:
                read_pipe(call);
                break;
            case Function::WaitForSingleObject:
                waited(call);
                break;
            case Function::GetExitCodeProcess:
                exit_code(call);
                break;
            case Function::GetSystemDirectoryW:
                system_directory(call);
                break;
            case Function::OpenProcessToken:
                opened_token(call);
                break;
            case Function::GetTokenInformation:
                token_information(call);
                break;
            case Function::RegOpenKeyExW:
                opened_key(call);
                break;
            case Function::RegQueryValueExW:
                registry_value_read(call);
                break;
            case Function::CM_Locate_DevNodeW:
                located(call);
                break;
            case Function::CM_Get_Parent:
                parent_found(call);
                break;
            case Function::CM_Get_Device_IDW:
                device_id(call);
                break;
            default:
                break;  // answers that describe nothing of the machine
        }
    }

    json description() const {
        json machine = json::object();
        json clock = json::object();
        if (!local_times_.empty()) clock["local_times"] = local_times_;
        if (!tick_counts_.empty()) clock["tick_counts"] = tick_counts_;
        if (!clock.empty()) machine["clock"] = clock;
        if (!token_.empty()) machine["token"] = token_;
        if (!temp_.empty()) machine["temp"] = temp_;
        if (inherited_error_mode_) machine["inherited_error_mode"] = *inherited_error_mode_;
        if (system_directory_) machine["system_directory"] = *system_directory_;
        if (const json disks = disk_descriptions(); !disks.empty()) machine["disks"] = disks;
        if (const json volumes = volume_descriptions(); !volumes.empty())
            machine["volumes"] = volumes;
        if (!registry_.empty()) machine["registry"] = registry_;
        if (const json tree = device_tree(); !tree.empty()) machine["device_tree"] = tree;
        if (const json programs = program_descriptions(); !programs.empty())
            machine["programs"] = programs;
        return machine;
    }

private:
    const Opened* opened(std::uint64_t handle, Opened::Kind kind) const {
        const auto found = handles_.find(handle);
        return found != handles_.end() && found->second.kind == kind ? &found->second : nullptr;
    }

    void first_error_mode(const RecordedCall& call) {
        if (!inherited_error_mode_) inherited_error_mode_ = static_cast<std::uint32_t>(call.result);
    }

    void opened_file(const RecordedCall& call) {
        if (!std::u16string_view(call.name).starts_with(description::DEVICE_PREFIX)) return;
        const std::u16string device = call.name.substr(description::DEVICE_PREFIX.size());
        const bool valid = is_valid_handle(call.result);
        const std::uint32_t error = valid ? 0 : call.last_error;
        if (const auto number = description::physical_drive_number(device)) {
            disks_[*number].open[description::access_mask_key(call.code)] = error;
            if (valid) handles_[call.result] = {Opened::Kind::Disk, *number, 0, {}};
        } else if (const auto letter = description::drive_letter(device, false)) {
            volumes_[*letter].description["open_error"] = error;
            if (valid) handles_[call.result] = {Opened::Kind::Volume, 0, *letter, {}};
        }
    }

    // The output buffer started zeroed, so the zeros that end a reply are
    // left out. A data-out request's buffer is what was sent, part of its
    // key, not something the device answered.
    void device_request(const RecordedCall& call) {
        json reply = {
            {"request", description::device_request_key(call.code, call.input, call.direct_data)}};
        if (call.result == 0) reply["error"] = call.last_error;
        const std::vector<std::uint8_t> output =
            description::described_reply(call.code, call.output);
        const auto out = description::without_trailing_zeros(output);
        if (!out.empty()) reply["out"] = description::hex_text(out);
        if (call.count != out.size()) reply["bytes_returned"] = call.count;
        const auto data = description::without_trailing_zeros(call.direct_data);
        if (!description::scsi_data_out(call.code, call.input, call.direct_data) && !data.empty())
            reply["direct_data"] = description::hex_text(data);
        if (const Opened* disk = opened(call.target, Opened::Kind::Disk)) {
            disks_[disk->disk].replay.push_back(reply);
        } else if (const Opened* volume = opened(call.target, Opened::Kind::Volume)) {
            volumes_[volume->letter].description["replay"].push_back(reply);
        }
    }

    void device_power_state(const RecordedCall& call) {
        const Opened* disk = opened(call.target, Opened::Kind::Disk);
        if (disk == nullptr) return;
        disks_[disk->disk].power_state =
            call.result != 0 ? json{{"on", call.count != 0}} : json{{"error", call.last_error}};
    }

    void temp_path(const RecordedCall& call) {
        if (call.result == 0) temp_["error"] = call.last_error;
    }

    void drive_type(const RecordedCall& call) {
        if (const auto letter = description::drive_letter(call.name, true))
            volumes_[*letter].drive_type = static_cast<std::uint32_t>(call.result);
    }

    void volume_information(const RecordedCall& call) {
        const auto letter = description::drive_letter(call.name, true);
        if (!letter) return;
        json& volume = volumes_[*letter].description;
        if (call.result != 0) {
            volume["label"] = utf16_to_utf8(call.text);
            volume["file_system"] = utf16_to_utf8(call.file_system);
        } else {
            volume["volume_information_error"] = call.last_error;
        }
    }

    void dos_device(const RecordedCall& call) {
        const auto letter = description::drive_letter(call.name, false);
        if (!letter) return;
        json& volume = volumes_[*letter].description;
        if (call.result != 0) {
            volume["dos_device"] = utf16_to_utf8(call.text);
        } else {
            volume["dos_device_error"] = call.last_error;
        }
    }

    void started_process(const RecordedCall& call) {
        const std::string program = utf16_to_utf8(call.name);
        ChildFacts& child = children_[program];
        if (call.result == 0) {
            child.start_error = call.last_error;
            return;
        }
        handles_[call.created] = {Opened::Kind::Process, 0, 0, program};
        handles_[call.created_pipe] = {Opened::Kind::Pipe, 0, 0, program};
    }

    void read_pipe(const RecordedCall& call) {
        if (const Opened* pipe = opened(call.target, Opened::Kind::Pipe)) {
            std::vector<std::uint8_t>& output = children_[pipe->path].output;
            output.insert(output.end(), call.output.begin(), call.output.end());
        }
    }

    void waited(const RecordedCall& call) {
        const Opened* process = opened(call.target, Opened::Kind::Process);
        if (process && call.result == WAIT_OBJECT_0) children_[process->path].exited = true;
    }

    void exit_code(const RecordedCall& call) {
        const Opened* process = opened(call.target, Opened::Kind::Process);
        if (process && call.result != 0 && call.count != STILL_ACTIVE)
            children_[process->path].exit_code = static_cast<std::uint32_t>(call.count);
    }

    void system_directory(const RecordedCall& call) {
        if (!call.text.empty()) system_directory_ = utf16_to_utf8(call.text);
    }

    void opened_token(const RecordedCall& call) {
        if (call.result == 0) token_["open_error"] = call.last_error;
    }

    // A buffer too small is the simulated machine's own answer; any other
    // failure is described.
    void token_information(const RecordedCall& call) {
        if (call.code != TokenElevation) return;
        if (call.result != 0 && call.output.size() >= layout::TOKEN_ELEVATION::size) {
            token_["elevated"] =
                get_u32(call.output, layout::TOKEN_ELEVATION::TokenIsElevated) != 0;
        } else if (call.result == 0 && call.last_error != ERROR_INSUFFICIENT_BUFFER) {
            token_["information_error"] = call.last_error;
        }
    }

    void opened_key(const RecordedCall& call) {
        std::optional<std::string> parent;
        if (call.target == HKEY_LOCAL_MACHINE) {
            parent = std::string();
        } else if (const Opened* key = opened(call.target, Opened::Kind::RegistryKey)) {
            parent = key->path;
        }
        if (!parent || call.result != ERROR_SUCCESS) return;
        const std::string sub_key = utf16_to_utf8(call.name);
        const std::string path = parent->empty() ? sub_key : *parent + "\\" + sub_key;
        if (!registry_.contains(path)) registry_[path] = json::object();
        handles_[call.created] = {Opened::Kind::RegistryKey, 0, 0, path};
    }

    void registry_value_read(const RecordedCall& call) {
        const Opened* key = opened(call.target, Opened::Kind::RegistryKey);
        if (!key || call.result != ERROR_SUCCESS || call.buffer_size == 0) return;
        registry_[key->path][utf16_to_utf8(call.name)] =
            registry_value(call.value_type, call.output);
    }

    void located(const RecordedCall& call) {
        const std::string id = utf16_to_utf8(call.name);
        if (call.result == CR_SUCCESS) {
            nodes_[static_cast<DevInst>(call.count)].id = id;
        } else if (call.result != CR_NO_SUCH_DEVNODE) {
            unlocatable_[id] = static_cast<std::uint32_t>(call.result);
        }
    }

    void parent_found(const RecordedCall& call) {
        DeviceNode& node = nodes_[static_cast<DevInst>(call.target)];
        if (call.result == CR_SUCCESS) {
            node.parent = static_cast<DevInst>(call.count);
            nodes_[*node.parent];
        } else {
            node.parent_error = static_cast<std::uint32_t>(call.result);
        }
    }

    void device_id(const RecordedCall& call) {
        DeviceNode& node = nodes_[static_cast<DevInst>(call.target)];
        if (call.result == CR_SUCCESS) {
            node.id = utf16_to_utf8(call.text);
        } else {
            node.device_id_error = static_cast<std::uint32_t>(call.result);
        }
    }

    // A drive that answered every open with ERROR_FILE_NOT_FOUND is not there.
    json disk_descriptions() const {
        json disks = json::array();
        for (const auto& [number, disk] : disks_) {
            const bool present = std::ranges::any_of(disk.open.items(), [](const auto& open) {
                return open.value() != ERROR_FILE_NOT_FOUND;
            });
            if (!present) continue;
            json described = {
                {"number", number},
                {"open", disk.open},
                {"properties", {{"StorageDeviceProperty", {{"error", ERROR_NOT_SUPPORTED}}}}}};
            if (!disk.replay.empty()) described["replay"] = disk.replay;
            if (!disk.power_state.is_null()) described["device_power_state"] = disk.power_state;
            disks.push_back(described);
        }
        return disks;
    }

    // A letter without a volume needs no description: the simulated machine
    // answers an undescribed letter as Windows answers one without a volume.
    json volume_descriptions() const {
        json volumes = json::object();
        for (const auto& [letter, facts] : volumes_) {
            if (facts.drive_type == DRIVE_NO_ROOT_DIR) continue;
            json described = facts.description;
            if (facts.drive_type) described["drive_type"] = *facts.drive_type;
            volumes[std::string(1, letter)] = described;
        }
        return volumes;
    }

    // A node whose ID was never read still needs one to be described by.
    std::string node_id(DevInst devinst) const {
        const auto node = nodes_.find(devinst);
        if (node != nodes_.end() && node->second.id) return *node->second.id;
        return "RECORDED\\DEVINST\\" + std::to_string(devinst);
    }

    bool is_root(DevInst devinst) const {
        return equal_ignoring_case(node_id(devinst), description::ROOT_DEVICE_ID);
    }

    json device_tree() const {
        json tree = json::array();
        for (const auto& [devinst, node] : nodes_) {
            if (is_root(devinst)) continue;
            json described = {{"id", node_id(devinst)}};
            if (node.parent && !is_root(*node.parent)) described["parent"] = node_id(*node.parent);
            if (node.parent_error != 0) described["parent_error"] = node.parent_error;
            if (node.device_id_error != 0) described["device_id_error"] = node.device_id_error;
            tree.push_back(described);
        }
        for (const auto& [id, error] : unlocatable_)
            tree.push_back({{"id", id}, {"locate_error", error}});
        return tree;
    }

    json program_descriptions() const {
        json programs = json::object();
        for (const auto& [path, child] : children_) {
            json described = json::object();
            if (child.start_error != 0) {
                described["start_error"] = child.start_error;
            } else {
                described["stdout_hex"] = description::hex_text(child.output);
                if (child.exit_code) described["exit_code"] = *child.exit_code;
                if (!child.exited) described["never_exits"] = true;
            }
            programs[path] = described;
        }
        return programs;
    }

    struct DiskFacts {
        json open = json::object();
        json replay = json::array();
        json power_state;  // the last GetDevicePowerState answer; null when never asked
    };

    std::map<std::uint64_t, Opened> handles_;
    std::map<std::uint32_t, DiskFacts> disks_;
    std::map<char, VolumeFacts> volumes_;
    std::map<DevInst, DeviceNode> nodes_;
    std::map<std::string, std::uint32_t> unlocatable_;
    std::map<std::string, ChildFacts> children_;
    json registry_ = json::object();
    json token_ = json::object();
    json temp_ = json::object();
    std::vector<std::string> local_times_;
    std::vector<std::uint64_t> tick_counts_;
    std::optional<std::uint32_t> inherited_error_mode_;
    std::optional<std::string> system_directory_;
};

}  // namespace

json build_machine_description(std::span<const RecordedCall> calls) {
    DescriptionBuilder builder;
    for (const RecordedCall& call : calls) builder.add(call);
    return builder.description();
}

}  // namespace quartzmon::capture
