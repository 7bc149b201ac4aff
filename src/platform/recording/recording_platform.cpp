#include "platform/recording/recording_platform.h"

#include <algorithm>

#include "platform/direct_data_buffer.h"
#include "platform/utf.h"

namespace quartzmon::platform::recording {
namespace {

std::vector<std::uint8_t> copy_of(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

RecordedCall call_of(Function function) {
    RecordedCall call;
    call.function = function;
    return call;
}

// A length or count that Windows returns as the units written: the text is
// there only when the call reported it fits.
std::u16string text_written(std::span<const char16_t> buffer, std::uint32_t length) {
    return length != 0 && length < buffer.size() ? text_until_zero(buffer) : std::u16string();
}

}  // namespace

void RecordingPlatform::keep(RecordedCall call, bool failed) {
    if (failed) call.last_error = inner_.get_last_error();
    calls_.push_back(std::move(call));
}

std::uint32_t RecordingPlatform::get_last_error() {
    RecordedCall call = call_of(Function::GetLastError);
    const std::uint32_t error = inner_.get_last_error();
    call.result = error;
    calls_.push_back(std::move(call));
    return error;
}

void RecordingPlatform::set_last_error(std::uint32_t error) {
    RecordedCall call = call_of(Function::SetLastError);
    call.code = error;
    inner_.set_last_error(error);
    calls_.push_back(std::move(call));
}

std::uint32_t RecordingPlatform::get_error_mode() {
    RecordedCall call = call_of(Function::GetErrorMode);
    const std::uint32_t mode = inner_.get_error_mode();
    call.result = mode;
    calls_.push_back(std::move(call));
    return mode;
}

std::uint32_t RecordingPlatform::set_error_mode(std::uint32_t mode) {
    RecordedCall call = call_of(Function::SetErrorMode);
    call.code = mode;
    const std::uint32_t previous = inner_.set_error_mode(mode);
    call.result = previous;
    calls_.push_back(std::move(call));
    return previous;
}

SystemTime RecordingPlatform::get_local_time() {
    RecordedCall call = call_of(Function::GetLocalTime);
    call.time = inner_.get_local_time();
    calls_.push_back(call);
    return call.time;
}

std::uint64_t RecordingPlatform::get_tick_count64() {
    RecordedCall call = call_of(Function::GetTickCount64);
    call.result = inner_.get_tick_count64();
    calls_.push_back(call);
    return call.result;
}

Handle RecordingPlatform::create_file(const std::u16string& path, std::uint32_t desired_access,
                                      std::uint32_t share_mode, std::uint32_t creation_disposition,
                                      std::uint32_t flags_and_attributes) {
    RecordedCall call = call_of(Function::CreateFileW);
    call.name = path;
    call.code = desired_access;
    const Handle handle = inner_.create_file(path, desired_access, share_mode, creation_disposition,
                                             flags_and_attributes);
    call.result = handle;
    keep(std::move(call), true);
    return handle;
}

bool RecordingPlatform::close_handle(Handle handle) {
    RecordedCall call = call_of(Function::CloseHandle);
    call.target = handle;
    const bool closed = inner_.close_handle(handle);
    call.result = closed;
    keep(std::move(call), !closed);
    return closed;
}

// The sensor passes one buffer as input and output, so the input is copied
// before the driver overwrites it.
bool RecordingPlatform::device_io_control(Handle device, std::uint32_t io_control_code,
                                          std::span<const std::uint8_t> in_buffer,
                                          std::span<std::uint8_t> out_buffer,
                                          std::uint32_t& bytes_returned) {
    RecordedCall call = call_of(Function::DeviceIoControl);
    call.target = device;
    call.code = io_control_code;
    call.input = copy_of(in_buffer);
    call.buffer_size = static_cast<std::uint32_t>(out_buffer.size());
    const bool answered =
        inner_.device_io_control(device, io_control_code, in_buffer, out_buffer, bytes_returned);
    call.result = answered;
    call.count = bytes_returned;
    call.output = copy_of(out_buffer);
    call.direct_data = copy_of(direct_data_buffer(io_control_code, call.input));
    keep(std::move(call), !answered);
    return answered;
}

bool RecordingPlatform::write_file(Handle file, std::span<const std::uint8_t> buffer,
                                   std::uint32_t& bytes_written) {
    RecordedCall call = call_of(Function::WriteFile);
    call.target = file;
    call.buffer_size = static_cast<std::uint32_t>(buffer.size());
    const bool written = inner_.write_file(file, buffer, bytes_written);
    call.result = written;
    call.count = bytes_written;
    keep(std::move(call), !written);
    return written;
}

bool RecordingPlatform::read_file(Handle file, std::span<std::uint8_t> buffer,
                                  std::uint32_t& bytes_read) {
    RecordedCall call = call_of(Function::ReadFile);
    call.target = file;
    call.buffer_size = static_cast<std::uint32_t>(buffer.size());
    const bool read = inner_.read_file(file, buffer, bytes_read);
    call.result = read;
    call.count = bytes_read;
    call.output = copy_of(buffer.first(std::min<std::size_t>(bytes_read, buffer.size())));
    keep(std::move(call), !read);
    return read;
}

bool RecordingPlatform::set_file_information_by_handle(Handle file, std::uint32_t info_class,
                                                       std::span<const std::uint8_t> info) {
    RecordedCall call = call_of(Function::SetFileInformationByHandle);
    call.target = file;
    call.code = info_class;
    call.input = copy_of(info);
    const bool set = inner_.set_file_information_by_handle(file, info_class, info);
    call.result = set;
    keep(std::move(call), !set);
    return set;
}

bool RecordingPlatform::get_device_power_state(Handle device, bool& on) {
    RecordedCall call = call_of(Function::GetDevicePowerState);
    call.target = device;
    const bool answered = inner_.get_device_power_state(device, on);
    call.result = answered;
    call.count = on;
    keep(std::move(call), !answered);
    return answered;
}

bool RecordingPlatform::has_get_temp_path2() {
    RecordedCall call = call_of(Function::GetProcAddressGetTempPath2W);
    const bool found = inner_.has_get_temp_path2();
    call.result = found;
    keep(std::move(call), !found);
    return found;
}

std::uint32_t RecordingPlatform::keep_path(Function function, std::span<const char16_t> buffer,
                                           std::uint32_t length) {
    RecordedCall call = call_of(function);
    call.buffer_size = static_cast<std::uint32_t>(buffer.size());
    call.result = length;
    call.text = text_written(buffer, length);
    keep(std::move(call), length == 0);
    return length;
}

std::uint32_t RecordingPlatform::get_temp_path2(std::span<char16_t> buffer) {
    return keep_path(Function::GetTempPath2W, buffer, inner_.get_temp_path2(buffer));
}

std::uint32_t RecordingPlatform::get_temp_path(std::span<char16_t> buffer) {
    return keep_path(Function::GetTempPathW, buffer, inner_.get_temp_path(buffer));
}

std::uint32_t RecordingPlatform::get_drive_type(const std::u16string& root_path) {
    RecordedCall call = call_of(Function::GetDriveTypeW);
    call.name = root_path;
    const std::uint32_t type = inner_.get_drive_type(root_path);
    call.result = type;
    calls_.push_back(std::move(call));
    return type;
}

bool RecordingPlatform::get_volume_information(const std::u16string& root_path,
                                               std::span<char16_t> volume_name,
                                               std::span<char16_t> file_system_name) {
    RecordedCall call = call_of(Function::GetVolumeInformationW);
    call.name = root_path;
    call.buffer_size = static_cast<std::uint32_t>(volume_name.size());
    const bool answered = inner_.get_volume_information(root_path, volume_name, file_system_name);
    call.result = answered;
    if (answered) {
        call.text = text_until_zero(volume_name);
        call.file_system = text_until_zero(file_system_name);
    }
    keep(std::move(call), !answered);
    return answered;
}

std::uint32_t RecordingPlatform::query_dos_device(const std::u16string& device_name,
                                                  std::span<char16_t> target_path) {
    RecordedCall call = call_of(Function::QueryDosDeviceW);
    call.name = device_name;
    call.buffer_size = static_cast<std::uint32_t>(target_path.size());
    const std::uint32_t count = inner_.query_dos_device(device_name, target_path);
    call.result = count;
    if (count != 0) call.text = text_until_zero(target_path);
    keep(std::move(call), count == 0);
    return count;
}

bool RecordingPlatform::create_process_with_output_pipe(const std::u16string& application_name,
                                                        const std::u16string& command_line,
                                                        std::uint32_t creation_flags,
                                                        ChildProcess& child) {
    RecordedCall call = call_of(Function::CreateProcessW);
    call.name = application_name;
    call.command_line = command_line;
    call.code = creation_flags;
    const bool started = inner_.create_process_with_output_pipe(application_name, command_line,
                                                                creation_flags, child);
    call.result = started;
    if (started) {
        call.created = child.process;
        call.created_pipe = child.stdout_read;
    }
    keep(std::move(call), !started);
    return started;
}

bool RecordingPlatform::peek_named_pipe(Handle pipe, std::uint32_t& bytes_available) {
    RecordedCall call = call_of(Function::PeekNamedPipe);
    call.target = pipe;
    const bool peeked = inner_.peek_named_pipe(pipe, bytes_available);
    call.result = peeked;
    call.count = bytes_available;
    keep(std::move(call), !peeked);
    return peeked;
}

std::uint32_t RecordingPlatform::wait_for_single_object(Handle handle, std::uint32_t milliseconds) {
    RecordedCall call = call_of(Function::WaitForSingleObject);
    call.target = handle;
    call.code = milliseconds;
    const std::uint32_t state = inner_.wait_for_single_object(handle, milliseconds);
    call.result = state;
    keep(std::move(call), state == WAIT_FAILED);
    return state;
}

bool RecordingPlatform::get_exit_code_process(Handle process, std::uint32_t& exit_code) {
    RecordedCall call = call_of(Function::GetExitCodeProcess);
    call.target = process;
    const bool answered = inner_.get_exit_code_process(process, exit_code);
    call.result = answered;
    if (answered) call.count = exit_code;
    keep(std::move(call), !answered);
    return answered;
}

bool RecordingPlatform::terminate_process(Handle process, std::uint32_t exit_code) {
    RecordedCall call = call_of(Function::TerminateProcess);
    call.target = process;
    call.code = exit_code;
    const bool terminated = inner_.terminate_process(process, exit_code);
    call.result = terminated;
    keep(std::move(call), !terminated);
    return terminated;
}

std::uint32_t RecordingPlatform::get_system_directory(std::span<char16_t> buffer) {
    return keep_path(Function::GetSystemDirectoryW, buffer, inner_.get_system_directory(buffer));
}

Handle RecordingPlatform::get_current_process() {
    RecordedCall call = call_of(Function::GetCurrentProcess);
    call.result = inner_.get_current_process();
    calls_.push_back(call);
    return call.result;
}

bool RecordingPlatform::open_process_token(Handle process, std::uint32_t desired_access,
                                           Handle& token) {
    RecordedCall call = call_of(Function::OpenProcessToken);
    call.target = process;
    call.code = desired_access;
    const bool opened = inner_.open_process_token(process, desired_access, token);
    call.result = opened;
    if (opened) call.created = token;
    keep(std::move(call), !opened);
    return opened;
}

bool RecordingPlatform::get_token_information(Handle token, std::uint32_t information_class,
                                              std::span<std::uint8_t> information,
                                              std::uint32_t& return_length) {
    RecordedCall call = call_of(Function::GetTokenInformation);
    call.target = token;
    call.code = information_class;
    call.buffer_size = static_cast<std::uint32_t>(information.size());
    const bool answered =
        inner_.get_token_information(token, information_class, information, return_length);
    call.result = answered;
    call.count = return_length;
    if (answered) call.output = copy_of(information);
    keep(std::move(call), !answered);
    return answered;
}

std::uint32_t RecordingPlatform::reg_open_key_ex(Handle key, const std::u16string& sub_key,
                                                 std::uint32_t options,
                                                 std::uint32_t desired_access, Handle& result) {
    RecordedCall call = call_of(Function::RegOpenKeyExW);
    call.target = key;
    call.name = sub_key;
    call.code = desired_access;
    const std::uint32_t status =
        inner_.reg_open_key_ex(key, sub_key, options, desired_access, result);
    call.result = status;
    if (status == ERROR_SUCCESS) call.created = result;
    calls_.push_back(std::move(call));
    return status;
}

std::uint32_t RecordingPlatform::reg_query_value_ex(Handle key, const std::u16string& value_name,
                                                    std::uint32_t& type,
                                                    std::span<std::uint8_t> data,
                                                    std::uint32_t& data_size) {
    RecordedCall call = call_of(Function::RegQueryValueExW);
    call.target = key;
    call.name = value_name;
    call.buffer_size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t status = inner_.reg_query_value_ex(key, value_name, type, data, data_size);
    call.result = status;
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        call.value_type = type;
        call.count = data_size;
    }
    if (status == ERROR_SUCCESS && !data.empty())
        call.output = copy_of(data.first(std::min<std::size_t>(data_size, data.size())));
    calls_.push_back(std::move(call));
    return status;
}

std::uint32_t RecordingPlatform::reg_close_key(Handle key) {
    RecordedCall call = call_of(Function::RegCloseKey);
    call.target = key;
    call.result = inner_.reg_close_key(key);
    calls_.push_back(call);
    return static_cast<std::uint32_t>(call.result);
}

std::uint32_t RecordingPlatform::cm_locate_devnode(DevInst& devinst,
                                                   const std::u16string& device_id,
                                                   std::uint32_t flags) {
    RecordedCall call = call_of(Function::CM_Locate_DevNodeW);
    call.name = device_id;
    call.code = flags;
    const std::uint32_t status = inner_.cm_locate_devnode(devinst, device_id, flags);
    call.result = status;
    if (status == CR_SUCCESS) call.count = devinst;
    calls_.push_back(std::move(call));
    return status;
}

std::uint32_t RecordingPlatform::cm_get_parent(DevInst& parent, DevInst devinst,
                                               std::uint32_t flags) {
    RecordedCall call = call_of(Function::CM_Get_Parent);
    call.target = devinst;
    call.code = flags;
    const std::uint32_t status = inner_.cm_get_parent(parent, devinst, flags);
    call.result = status;
    if (status == CR_SUCCESS) call.count = parent;
    calls_.push_back(call);
    return status;
}

std::uint32_t RecordingPlatform::cm_get_device_id(DevInst devinst, std::span<char16_t> buffer,
                                                  std::uint32_t flags) {
    RecordedCall call = call_of(Function::CM_Get_Device_IDW);
    call.target = devinst;
    call.code = flags;
    call.buffer_size = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t status = inner_.cm_get_device_id(devinst, buffer, flags);
    call.result = status;
    if (status == CR_SUCCESS) call.text = text_until_zero(buffer);
    calls_.push_back(std::move(call));
    return status;
}

}  // namespace quartzmon::platform::recording
