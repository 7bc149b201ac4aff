// A Platform that passes every call on to another one, unchanged, and keeps
// each call with its reply in a plain list: what the sensor passed and what
// Windows and the devices answered. It changes nothing the sensor sees; the
// only call it adds is GetLastError right after a failed call (and after
// CreateFileW, which reports ERROR_ALREADY_EXISTS on success), which reads the
// thread's last error without changing it.
//
// The list is what a machine description is built from (src/capture), so a
// run can be replayed on the simulated machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quartzmon::platform::recording {

enum class Function {
    GetLastError,
    SetLastError,
    GetErrorMode,
    SetErrorMode,
    GetLocalTime,
    GetTickCount64,
    CreateFileW,
    CloseHandle,
    DeviceIoControl,
    WriteFile,
    ReadFile,
    SetFileInformationByHandle,
    GetDevicePowerState,
    GetProcAddressGetTempPath2W,
    GetTempPath2W,
    GetTempPathW,
    GetDriveTypeW,
    GetVolumeInformationW,
    QueryDosDeviceW,
    CreateProcessW,
    PeekNamedPipe,
    WaitForSingleObject,
    GetExitCodeProcess,
    TerminateProcess,
    GetSystemDirectoryW,
    GetCurrentProcess,
    OpenProcessToken,
    GetTokenInformation,
    RegOpenKeyExW,
    RegQueryValueExW,
    RegCloseKey,
    CM_Locate_DevNodeW,
    CM_Get_Parent,
    CM_Get_Device_IDW,
};

// One call. Each function fills only the fields it has; the comments say which.
struct RecordedCall {
    Function function = Function::GetLastError;

    // ---- what the sensor passed ----
    // The handle, registry key, process, pipe, token or device instance the
    // call is on.
    std::uint64_t target = 0;
    // Path (CreateFileW), root path or device name (volumes), application
    // name, sub key, value name, device instance ID.
    std::u16string name;
    std::u16string command_line;  // CreateProcessW
    // Desired access, IOCTL code, information class, wait milliseconds, error
    // mode, last error set, exit code given.
    std::uint32_t code = 0;
    std::vector<std::uint8_t> input;  // DeviceIoControl's input bytes
    std::uint32_t buffer_size = 0;    // output buffer: bytes, or UTF-16 units for text

    // ---- what came back ----
    // The return value: BOOL, handle, length, count, status, drive type,
    // wait result, error mode, tick count.
    std::uint64_t result = 0;
    // GetLastError right after a failed call (and after every CreateFileW).
    std::uint32_t last_error = 0;
    // Output bytes: the device's reply (the whole output buffer), the bytes
    // read, the registry value's data, the token information.
    std::vector<std::uint8_t> output;
    // What a direct SCSI request's data buffer held after the call: what the
    // device sent, or for data out what was sent.
    std::vector<std::uint8_t> direct_data;
    // Output texts: volume label, DOS device target, temp path, system
    // directory, device instance ID; file_system is GetVolumeInformationW's
    // file-system name.
    std::u16string text;
    std::u16string file_system;
    // Byte counts (returned, read, written, available, needed), the registry
    // value's type, the exit code, the device instance found, the handle
    // created (token, key, process); GetDevicePowerState's working state (1).
    std::uint64_t count = 0;
    std::uint32_t value_type = 0;
    std::uint64_t created = 0;
    std::uint64_t created_pipe = 0;  // CreateProcessW's pipe read end
    SystemTime time;                 // GetLocalTime
};

class RecordingPlatform final : public Platform {
public:
    explicit RecordingPlatform(Platform& inner) : inner_(inner) {}

    const std::vector<RecordedCall>& calls() const { return calls_; }

    std::uint32_t get_last_error() override;
    void set_last_error(std::uint32_t error) override;
    std::uint32_t get_error_mode() override;
    std::uint32_t set_error_mode(std::uint32_t mode) override;
    SystemTime get_local_time() override;
    std::uint64_t get_tick_count64() override;

    Handle create_file(const std::u16string& path, std::uint32_t desired_access,
                       std::uint32_t share_mode, std::uint32_t creation_disposition,
                       std::uint32_t flags_and_attributes) override;
    bool close_handle(Handle handle) override;
    bool device_io_control(Handle device, std::uint32_t io_control_code,
                           std::span<const std::uint8_t> in_buffer,
                           std::span<std::uint8_t> out_buffer,
                           std::uint32_t& bytes_returned) override;
    bool write_file(Handle file, std::span<const std::uint8_t> buffer,
                    std::uint32_t& bytes_written) override;
    bool read_file(Handle file, std::span<std::uint8_t> buffer, std::uint32_t& bytes_read) override;
    bool set_file_information_by_handle(Handle file, std::uint32_t info_class,
                                        std::span<const std::uint8_t> info) override;
    bool get_device_power_state(Handle device, bool& on) override;

    bool has_get_temp_path2() override;
    std::uint32_t get_temp_path2(std::span<char16_t> buffer) override;
    std::uint32_t get_temp_path(std::span<char16_t> buffer) override;

    std::uint32_t get_drive_type(const std::u16string& root_path) override;
    bool get_volume_information(const std::u16string& root_path, std::span<char16_t> volume_name,
                                std::span<char16_t> file_system_name) override;
    std::uint32_t query_dos_device(const std::u16string& device_name,
                                   std::span<char16_t> target_path) override;

    bool create_process_with_output_pipe(const std::u16string& application_name,
                                         const std::u16string& command_line,
                                         std::uint32_t creation_flags,
                                         ChildProcess& child) override;
    bool peek_named_pipe(Handle pipe, std::uint32_t& bytes_available) override;
    std::uint32_t wait_for_single_object(Handle handle, std::uint32_t milliseconds) override;
    bool get_exit_code_process(Handle process, std::uint32_t& exit_code) override;
    bool terminate_process(Handle process, std::uint32_t exit_code) override;
    std::uint32_t get_system_directory(std::span<char16_t> buffer) override;

    Handle get_current_process() override;
    bool open_process_token(Handle process, std::uint32_t desired_access, Handle& token) override;
    bool get_token_information(Handle token, std::uint32_t information_class,
                               std::span<std::uint8_t> information,
                               std::uint32_t& return_length) override;

    std::uint32_t reg_open_key_ex(Handle key, const std::u16string& sub_key, std::uint32_t options,
                                  std::uint32_t desired_access, Handle& result) override;
    std::uint32_t reg_query_value_ex(Handle key, const std::u16string& value_name,
                                     std::uint32_t& type, std::span<std::uint8_t> data,
                                     std::uint32_t& data_size) override;
    std::uint32_t reg_close_key(Handle key) override;

    std::uint32_t cm_locate_devnode(DevInst& devinst, const std::u16string& device_id,
                                    std::uint32_t flags) override;
    std::uint32_t cm_get_parent(DevInst& parent, DevInst devinst, std::uint32_t flags) override;
    std::uint32_t cm_get_device_id(DevInst devinst, std::span<char16_t> buffer,
                                   std::uint32_t flags) override;

private:
    // Appends the call, with the last error when it failed.
    void keep(RecordedCall call, bool failed);
    // GetTempPath2W, GetTempPathW and GetSystemDirectoryW: the length, and
    // the path when it fit.
    std::uint32_t keep_path(Function function, std::span<const char16_t> buffer,
                            std::uint32_t length);

    Platform& inner_;
    std::vector<RecordedCall> calls_;
};

}  // namespace quartzmon::platform::recording
