#include "platform/simulated/simulated_machine.h"

#include <optional>

#include "platform/description/device_names.h"
#include "platform/description/local_time_text.h"
#include "platform/simulated/call_log_text.h"
#include "platform/simulated/create_file_targets.h"
#include "platform/simulated/handle_table.h"
#include "platform/simulated/machine_description.h"
#include "platform/simulated/text_buffers.h"
#include "platform/simulated/win32_codes.h"
#include "platform/utf.h"

namespace quartzmon::platform::simulated {
namespace {

class Machine final : public SimulatedMachine {
public:
    explicit Machine(MachineDescription description)
        : machine_(std::move(description)), error_mode_(machine_.inherited_error_mode) {}

    const std::vector<std::string>& call_log() const override { return log_; }
    void clear_call_log() override { log_.clear(); }

    // ---- last error, error mode, clock ---------------------------------

    std::uint32_t get_last_error() override {
        log("GetLastError() -> " + decimal(last_error_));
        return last_error_;
    }

    void set_last_error(std::uint32_t error) override {
        last_error_ = error;
        log("SetLastError(" + decimal(error) + ")");
    }

    std::uint32_t get_error_mode() override {
        log("GetErrorMode() -> " + hex(error_mode_));
        return error_mode_;
    }

    std::uint32_t set_error_mode(std::uint32_t mode) override {
        const std::uint32_t previous = error_mode_;
        error_mode_ = mode;
        log("SetErrorMode(" + hex(mode) + ") -> " + hex(previous));
        return previous;
    }

    SystemTime get_local_time() override {
        const SystemTime time = machine_.clock.read_local_time();
        log("GetLocalTime() -> " + description::local_time_text(time, ' '));
        return time;
    }

    std::uint64_t get_tick_count64() override {
        const std::uint64_t ticks = machine_.clock.read_tick_count();
        log("GetTickCount64() -> " + decimal(ticks));
        return ticks;
    }

    // ---- files and devices ---------------------------------------------

    Handle create_file(const std::u16string& path, std::uint32_t desired_access,
                       std::uint32_t share_mode, std::uint32_t creation_disposition,
                       std::uint32_t flags_and_attributes) override {
        std::uint32_t error = 0;
        std::optional<OpenObject> opened;
        if (std::u16string_view(path).starts_with(description::DEVICE_PREFIX)) {
            opened =
                open_device(machine_.disks, machine_.volumes,
                            path.substr(description::DEVICE_PREFIX.size()), desired_access, error);
        } else {
            opened = open_file(path, desired_access, creation_disposition, error);
        }
        const Handle handle = opened ? handles_.add(std::move(*opened)) : INVALID_HANDLE_VALUE;
        last_error_ = error;
        log("CreateFileW(" + quote_text(path) + ", " + hex(desired_access) + ", " +
            hex(share_mode) + ", " + decimal(creation_disposition) + ", " +
            hex(flags_and_attributes) + ") -> " +
            (opened ? "handle " + hex(handle) : "INVALID_HANDLE_VALUE") + error_suffix(error));
        return handle;
    }

    // Registry keys close with RegCloseKey only. Closing the current-process
    // pseudo handle succeeds and changes nothing.
    bool close_handle(Handle handle) override {
        const bool kernel_object =
            handles_.contains(handle) && !handles_.opened<RegistryKeyHandle>(handle);
        if (kernel_object) handles_.erase(handle);
        const bool closed = kernel_object || handle == CURRENT_PROCESS;
        if (!closed) last_error_ = ERROR_INVALID_HANDLE;
        log("CloseHandle(" + hex(handle) + ") -> " + true_or_false(closed) +
            error_suffix(closed ? 0 : ERROR_INVALID_HANDLE));
        return closed;
    }

    bool device_io_control(Handle device, std::uint32_t io_control_code,
                           std::span<const std::uint8_t> in_buffer,
                           std::span<std::uint8_t> out_buffer,
                           std::uint32_t& bytes_returned) override {
        // Callers pass one buffer as input and output, as Windows allows; the
        // I/O manager reads the request before the driver writes the reply,
        // so every handler decodes this copy.
        const std::vector<std::uint8_t> request(in_buffer.begin(), in_buffer.end());
        IoctlOutcome outcome = failed_ioctl(ERROR_INVALID_HANDLE);
        if (const auto* disk = handles_.opened<DiskHandle>(device)) {
            outcome = answer_disk_request(*disk->disk, disk->access, io_control_code, request,
                                          out_buffer);
        } else if (const auto* volume = handles_.opened<VolumeHandle>(device)) {
            outcome = answer_volume_request(*volume->volume, io_control_code, request, out_buffer);
        } else if (handles_.contains(device)) {
            outcome = failed_ioctl(ERROR_INVALID_FUNCTION);
        }
        machine_.clock.advance(outcome.waited_ms);
        bytes_returned = outcome.bytes_returned;
        if (outcome.error != 0) last_error_ = outcome.error;
        log("DeviceIoControl(" + hex(device) + ", " + ioctl_text(io_control_code) + ", in " +
            decimal(in_buffer.size()) + ", out " + decimal(out_buffer.size()) + ") -> " +
            true_or_false(outcome.error == 0) + ", " + decimal(outcome.bytes_returned) + " bytes" +
            (outcome.detail.empty() ? "" : ", " + outcome.detail) + error_suffix(outcome.error));
        return outcome.error == 0;
    }

    bool get_device_power_state(Handle device, bool& on) override {
        std::uint32_t error = ERROR_INVALID_HANDLE;
        if (const auto* disk = handles_.opened<DiskHandle>(device)) {
            const DevicePowerState& state = disk->disk->device_power_state;
            error = state.error;
            if (error == 0) on = state.on;
        }
        if (error != 0) last_error_ = error;
        log("GetDevicePowerState(" + hex(device) + ") -> " + true_or_false(error == 0) +
            (error == 0 ? (on ? ", on" : ", off") : "") + error_suffix(error));
        return error == 0;
    }

    bool write_file(Handle file, std::span<const std::uint8_t> buffer,
                    std::uint32_t& bytes_written) override {
        FileTransfer transfer{ERROR_INVALID_HANDLE, 0};
        if (auto* host_file = handles_.opened<HostFile>(file)) {
            transfer = write_host_file(*host_file, buffer, machine_.files);
        } else if (handles_.contains(file)) {
            transfer = {ERROR_ACCESS_DENIED, 0};
        }
        return finish_transfer("WriteFile", file, buffer.size(), transfer, bytes_written);
    }

    bool read_file(Handle file, std::span<std::uint8_t> buffer,
                   std::uint32_t& bytes_read) override {
        FileTransfer transfer{ERROR_INVALID_HANDLE, 0};
        if (const auto* pipe = handles_.opened<PipeHandle>(file)) {
            const PipeRead read = children_[pipe->child].read(buffer, machine_.clock);
            transfer = {read.error, read.bytes};
        } else if (auto* host_file = handles_.opened<HostFile>(file)) {
            transfer = read_host_file(*host_file, buffer);
        } else if (handles_.contains(file)) {
            transfer = {ERROR_ACCESS_DENIED, 0};
        }
        return finish_transfer("ReadFile", file, buffer.size(), transfer, bytes_read);
    }

    bool set_file_information_by_handle(Handle file, std::uint32_t info_class,
                                        std::span<const std::uint8_t> info) override {
        std::uint32_t error = ERROR_INVALID_HANDLE;
        if (const auto* host_file = handles_.opened<HostFile>(file)) {
            error = set_host_file_information(*host_file, info_class, info, machine_.files);
        } else if (handles_.contains(file)) {
            error = ERROR_INVALID_PARAMETER;
        }
        if (error != 0) last_error_ = error;
        log("SetFileInformationByHandle(" + hex(file) + ", " + file_info_class_text(info_class) +
            ", " + decimal(info.size()) + ") -> " + true_or_false(error == 0) +
            error_suffix(error));
        return error == 0;
    }

    // ---- temporary directory -------------------------------------------

    bool has_get_temp_path2() override {
        const bool found = machine_.temp.has_get_temp_path2;
        if (!found) last_error_ = ERROR_PROC_NOT_FOUND;
        log(std::string("GetProcAddress(kernel32, \"GetTempPath2W\") -> ") +
            (found ? "found" : "NULL") + error_suffix(found ? 0 : ERROR_PROC_NOT_FOUND));
        return found;
    }

    // Without the export the call would jump through a null pointer; the
    // simulation fails it instead, and the log shows it.
    std::uint32_t get_temp_path2(std::span<char16_t> buffer) override {
        const std::uint32_t error =
            machine_.temp.has_get_temp_path2 ? machine_.temp.error : ERROR_PROC_NOT_FOUND;
        return answer_temp_path("GetTempPath2W", error, buffer);
    }

    std::uint32_t get_temp_path(std::span<char16_t> buffer) override {
        return answer_temp_path("GetTempPathW", machine_.temp.error, buffer);
    }

    // ---- volumes -------------------------------------------------------

    std::uint32_t get_drive_type(const std::u16string& root_path) override {
        const std::uint32_t type = drive_type_of(volume_at_root(root_path));
        const std::string_view name = drive_type_name(type);
        log("GetDriveTypeW(" + quote_text(root_path) + ") -> " +
            (name.empty() ? decimal(type) : std::string(name)));
        return type;
    }

    bool get_volume_information(const std::u16string& root_path, std::span<char16_t> volume_name,
                                std::span<char16_t> file_system_name) override {
        std::uint32_t error = 0;
        if (const Volume* volume = volume_at_root(root_path)) {
            error = copy_volume_information(*volume, volume_name, file_system_name);
        } else {
            error = description::drive_letter(root_path, true) ? ERROR_PATH_NOT_FOUND
                                                               : ERROR_INVALID_NAME;
        }
        if (error != 0) last_error_ = error;
        log("GetVolumeInformationW(" + quote_text(root_path) + ", " + decimal(volume_name.size()) +
            ", " + decimal(file_system_name.size()) + ") -> " + true_or_false(error == 0) +
            error_suffix(error));
        return error == 0;
    }

    std::uint32_t query_dos_device(const std::u16string& device_name,
                                   std::span<char16_t> target_path) override {
        DosDeviceAnswer answer{ERROR_FILE_NOT_FOUND, 0};
        const auto letter = description::drive_letter(device_name, false);
        if (const Volume* volume = letter ? volume_of(machine_.volumes, *letter) : nullptr)
            answer = query_dos_device_target(*volume, target_path);
        if (answer.error != 0) last_error_ = answer.error;
        log("QueryDosDeviceW(" + quote_text(device_name) + ", " + decimal(target_path.size()) +
            ") -> " + decimal(answer.count) + error_suffix(answer.error));
        return answer.count;
    }

    // ---- child processes -----------------------------------------------

    bool create_process_with_output_pipe(const std::u16string& application_name,
                                         const std::u16string& command_line,
                                         std::uint32_t creation_flags,
                                         ChildProcess& child) override {
        const Program* program = find_program(machine_.programs, utf16_to_utf8(application_name));
        const std::uint32_t error = program ? program->start_error : ERROR_FILE_NOT_FOUND;
        std::string started;
        if (error == 0) {
            children_.emplace_back(*program, machine_.clock);
            child.process = handles_.add(ProcessHandle{children_.size() - 1});
            child.stdout_read = handles_.add(PipeHandle{children_.size() - 1});
            started = ", process " + hex(child.process) + ", pipe " + hex(child.stdout_read);
        } else {
            last_error_ = error;
        }
        log("CreateProcessW(" + quote_text(application_name) + ", " + quote_text(command_line) +
            ", " + hex(creation_flags) + ") -> " + true_or_false(error == 0) + started +
            error_suffix(error));
        return error == 0;
    }

    bool peek_named_pipe(Handle pipe, std::uint32_t& bytes_available) override {
        std::uint32_t error = ERROR_INVALID_HANDLE;
        bytes_available = 0;
        if (const auto* opened_pipe = handles_.opened<PipeHandle>(pipe)) {
            const Child& child = children_[opened_pipe->child];
            error = child.peek_error(machine_.clock);
            if (error == 0) bytes_available = child.bytes_available();
        }
        if (error != 0) last_error_ = error;
        log("PeekNamedPipe(" + hex(pipe) + ") -> " + true_or_false(error == 0) +
            (error == 0 ? ", " + decimal(bytes_available) + " bytes available" : "") +
            error_suffix(error));
        return error == 0;
    }

    std::uint32_t wait_for_single_object(Handle handle, std::uint32_t milliseconds) override {
        WaitOutcome outcome{WAIT_FAILED, ERROR_INVALID_HANDLE};
        if (const auto* process = handles_.opened<ProcessHandle>(handle)) {
            outcome = children_[process->child].wait(milliseconds, machine_.clock);
        }
        if (outcome.result == WAIT_FAILED) last_error_ = outcome.error;
        log("WaitForSingleObject(" + hex(handle) + ", " + decimal(milliseconds) + ") -> " +
            wait_result_text(outcome.result) +
            error_suffix(outcome.result == WAIT_FAILED ? outcome.error : 0));
        return outcome.result;
    }

    bool get_exit_code_process(Handle process, std::uint32_t& exit_code) override {
        const auto* opened_process = handles_.opened<ProcessHandle>(process);
        if (opened_process) {
            exit_code = children_[opened_process->child].exit_code(machine_.clock);
        } else {
            last_error_ = ERROR_INVALID_HANDLE;
        }
        log("GetExitCodeProcess(" + hex(process) + ") -> " +
            true_or_false(opened_process != nullptr) +
            (opened_process ? ", exit code " + decimal(exit_code)
                            : error_suffix(ERROR_INVALID_HANDLE)));
        return opened_process != nullptr;
    }

    bool terminate_process(Handle process, std::uint32_t exit_code) override {
        std::uint32_t error = ERROR_INVALID_HANDLE;
        if (const auto* opened_process = handles_.opened<ProcessHandle>(process)) {
            error = children_[opened_process->child].terminate(exit_code, machine_.clock);
        }
        if (error != 0) last_error_ = error;
        log("TerminateProcess(" + hex(process) + ", " + decimal(exit_code) + ") -> " +
            true_or_false(error == 0) + error_suffix(error));
        return error == 0;
    }

    std::uint32_t get_system_directory(std::span<char16_t> buffer) override {
        const std::uint32_t length = copy_path_text(machine_.system_directory, buffer);
        log("GetSystemDirectoryW(" + decimal(buffer.size()) + ") -> " + decimal(length));
        return length;
    }

    // ---- process token -------------------------------------------------

    Handle get_current_process() override {
        log("GetCurrentProcess() -> " + hex(CURRENT_PROCESS));
        return CURRENT_PROCESS;
    }

    bool open_process_token(Handle process, std::uint32_t desired_access, Handle& token) override {
        const std::uint32_t error =
            process == CURRENT_PROCESS ? machine_.token.open_error : ERROR_INVALID_HANDLE;
        if (error == 0) {
            token = handles_.add(TokenHandle{});
        } else {
            last_error_ = error;
        }
        log("OpenProcessToken(" + hex(process) + ", " + hex(desired_access) + ") -> " +
            true_or_false(error == 0) + (error == 0 ? ", token " + hex(token) : "") +
            error_suffix(error));
        return error == 0;
    }

    bool get_token_information(Handle token, std::uint32_t information_class,
                               std::span<std::uint8_t> information,
                               std::uint32_t& return_length) override {
        TokenInformationAnswer answer{ERROR_INVALID_HANDLE, 0};
        if (handles_.opened<TokenHandle>(token))
            answer = answer_token_information(machine_.token, information_class, information);
        return_length = answer.return_length;
        if (answer.error != 0) last_error_ = answer.error;
        log("GetTokenInformation(" + hex(token) + ", " +
            token_information_class_text(information_class) + ", " + decimal(information.size()) +
            ") -> " + true_or_false(answer.error == 0) + ", " + decimal(answer.return_length) +
            " bytes" + error_suffix(answer.error));
        return answer.error == 0;
    }

    // ---- registry ------------------------------------------------------

    std::uint32_t reg_open_key_ex(Handle key, const std::u16string& sub_key, std::uint32_t options,
                                  std::uint32_t desired_access, Handle& result) override {
        std::uint32_t status = ERROR_INVALID_HANDLE;
        const std::optional<std::string> parent = registry_path_of(key);
        if (parent) {
            const std::string path = join_registry_path(*parent, utf16_to_utf8(sub_key));
            status = machine_.registry.key_exists(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
            if (status == ERROR_SUCCESS) result = handles_.add(RegistryKeyHandle{path});
        }
        log("RegOpenKeyExW(" + registry_key_text(key) + ", " + quote_text(sub_key) + ", " +
            decimal(options) + ", " + hex(desired_access) + ") -> " + decimal(status) +
            (status == ERROR_SUCCESS ? ", key " + hex(result) : ""));
        return status;
    }

    // The value's type and size are reported whether or not its data fits.
    std::uint32_t reg_query_value_ex(Handle key, const std::u16string& value_name,
                                     std::uint32_t& type, std::span<std::uint8_t> data,
                                     std::uint32_t& data_size) override {
        std::uint32_t status = ERROR_INVALID_HANDLE;
        const auto* opened_key = handles_.opened<RegistryKeyHandle>(key);
        const RegistryValue* value =
            opened_key ? machine_.registry.find_value(opened_key->path, utf16_to_utf8(value_name))
                       : nullptr;
        if (opened_key) status = ERROR_FILE_NOT_FOUND;
        if (value) {
            type = value->type;
            data_size = static_cast<std::uint32_t>(value->data.size());
            status = copy_registry_value(*value, data);
        }
        log("RegQueryValueExW(" + hex(key) + ", " + quote_text(value_name) + ", " +
            decimal(data.size()) + ") -> " + decimal(status) +
            (value ? ", type " + decimal(value->type) + ", " + decimal(data_size) + " bytes" : ""));
        return status;
    }

    std::uint32_t reg_close_key(Handle key) override {
        std::uint32_t status = ERROR_INVALID_HANDLE;
        if (handles_.opened<RegistryKeyHandle>(key)) {
            handles_.erase(key);
            status = ERROR_SUCCESS;
        }
        log("RegCloseKey(" + hex(key) + ") -> " + decimal(status));
        return status;
    }

    // ---- configuration manager -----------------------------------------

    std::uint32_t cm_locate_devnode(DevInst& devinst, const std::u16string& device_id,
                                    std::uint32_t flags) override {
        const std::uint32_t status = machine_.device_tree.locate(utf16_to_utf8(device_id), devinst);
        log("CM_Locate_DevNodeW(" + quote_text(device_id) + ", " + hex(flags) + ") -> " +
            hex(status) + (status == CR_SUCCESS ? ", devinst " + decimal(devinst) : ""));
        return status;
    }

    std::uint32_t cm_get_parent(DevInst& parent, DevInst devinst, std::uint32_t flags) override {
        const std::uint32_t status = machine_.device_tree.parent(devinst, parent);
        log("CM_Get_Parent(" + decimal(devinst) + ", " + hex(flags) + ") -> " + hex(status) +
            (status == CR_SUCCESS ? ", devinst " + decimal(parent) : ""));
        return status;
    }

    std::uint32_t cm_get_device_id(DevInst devinst, std::span<char16_t> buffer,
                                   std::uint32_t flags) override {
        const std::uint32_t status = machine_.device_tree.device_id(devinst, buffer);
        log("CM_Get_Device_IDW(" + decimal(devinst) + ", " + decimal(buffer.size()) + ", " +
            hex(flags) + ") -> " + hex(status));
        return status;
    }

private:
    void log(std::string line) { log_.push_back(std::move(line)); }

    const Volume* volume_at_root(std::u16string_view root_path) const {
        const auto letter = description::drive_letter(root_path, true);
        return letter ? volume_of(machine_.volumes, *letter) : nullptr;
    }

    std::optional<std::string> registry_path_of(Handle key) {
        if (key == HKEY_LOCAL_MACHINE) return std::string();
        if (const auto* opened_key = handles_.opened<RegistryKeyHandle>(key))
            return opened_key->path;
        return std::nullopt;
    }

    // A failure returns 0 with the last error set, as both functions do.
    std::uint32_t answer_temp_path(std::string_view function, std::uint32_t error,
                                   std::span<char16_t> buffer) {
        const std::uint32_t length =
            error == 0 ? copy_path_text(machine_.temp.directory, buffer) : 0;
        if (error != 0) last_error_ = error;
        log(std::string(function) + "(" + decimal(buffer.size()) + ") -> " + decimal(length) +
            error_suffix(error));
        return length;
    }

    bool finish_transfer(std::string_view function, Handle file, std::size_t size,
                         const FileTransfer& transfer, std::uint32_t& bytes) {
        bytes = transfer.bytes;
        if (transfer.error != 0) last_error_ = transfer.error;
        log(std::string(function) + "(" + hex(file) + ", " + decimal(size) + ") -> " +
            true_or_false(transfer.error == 0) + ", " + decimal(transfer.bytes) + " bytes" +
            error_suffix(transfer.error));
        return transfer.error == 0;
    }

    MachineDescription machine_;
    HandleTable handles_;
    std::vector<Child> children_;
    std::uint32_t last_error_ = 0;
    std::uint32_t error_mode_;
    std::vector<std::string> log_;
};

std::expected<std::unique_ptr<SimulatedMachine>, std::string> machine_from(
    std::expected<MachineDescription, std::string> description) {
    if (!description) return std::unexpected(description.error());
    return std::make_unique<Machine>(std::move(*description));
}

}  // namespace

std::expected<std::unique_ptr<SimulatedMachine>, std::string> SimulatedMachine::from_json(
    std::string_view description, std::string_view source_name) {
    return machine_from(parse_machine_description(description, source_name));
}

std::expected<std::unique_ptr<SimulatedMachine>, std::string> SimulatedMachine::from_file(
    const std::filesystem::path& path) {
    return machine_from(read_machine_description_file(path));
}

}  // namespace quartzmon::platform::simulated
