#include "platform/windows/windows_platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

// After every project header: it defines the SDK names the project's constants
// also carry as macros.
#include <windows.h>
// Needs the types <windows.h> declares.
#include <cfgmgr32.h>

namespace quartzmon::platform::windows {
namespace {

HANDLE to_native(Handle handle) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
}

Handle from_native(HANDLE handle) {
    return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(handle));
}

// The predefined registry keys are 32-bit values that 64-bit Windows
// sign-extends into a handle (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002); the
// boundary carries them as the plain 32-bit value 0x80000002.
HKEY to_native_key(Handle key) {
    constexpr Handle first_predefined_key = 0x80000000;
    constexpr Handle last_predefined_key = 0xFFFFFFFF;
    if (key >= first_predefined_key && key <= last_predefined_key) {
        const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(key));
        return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(value));
    }
    return static_cast<HKEY>(to_native(key));
}

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Some calls take a writable string they may modify (CreateProcessW's command
// line, CM_Locate_DevNodeW's device id): they get a terminated copy.
std::vector<wchar_t> writable_copy(const std::u16string& text) {
    std::vector<wchar_t> copy(text.begin(), text.end());
    copy.push_back(L'\0');
    return copy;
}

// Buffer sizes as Windows takes them; a larger span is offered only in part.
DWORD dword_size(std::size_t size) {
    return static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

wchar_t* wide_buffer(std::span<char16_t> buffer) {
    return buffer.empty() ? nullptr : reinterpret_cast<wchar_t*>(buffer.data());
}

// Windows checks the alignment of some information buffers (the token and file
// information classes hold 4- and 8-byte fields) and refuses a misaligned one.
// The boundary's byte spans promise no alignment, so those calls work on an
// 8-byte-aligned copy.
class AlignedBuffer {
public:
    explicit AlignedBuffer(std::span<const std::uint8_t> bytes)
        : words_((bytes.size() + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t)),
          size_(bytes.size()) {
        if (!bytes.empty()) std::memcpy(words_.data(), bytes.data(), bytes.size());
    }
    void* data() { return size_ == 0 ? nullptr : words_.data(); }
    DWORD size() const { return dword_size(size_); }
    void copy_to(std::span<std::uint8_t> bytes) const {
        if (!bytes.empty()) std::memcpy(bytes.data(), words_.data(), bytes.size());
    }

private:
    std::vector<std::uint64_t> words_;
    std::size_t size_;
};

using GetTempPath2WFunction = DWORD(WINAPI*)(DWORD, LPWSTR);

// GetTempPath2W exists from Windows 11 and Server 2022 on; earlier systems
// (and Wine) lack it, so it is looked up once instead of imported.
GetTempPath2WFunction get_temp_path2_function() {
    static const GetTempPath2WFunction function = [] {
        const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
        const FARPROC address =
            kernel32 == nullptr ? nullptr : GetProcAddress(kernel32, "GetTempPath2W");
        // The detour through void(*)() is the sanctioned way to convert between
        // unrelated function pointer types.
        return reinterpret_cast<GetTempPath2WFunction>(reinterpret_cast<void (*)()>(address));
    }();
    return function;
}

// The cleanup behind a failure must not replace the failing call's error.
class PreservedLastError {
public:
    PreservedLastError() : error_(GetLastError()) {}
    ~PreservedLastError() { SetLastError(error_); }
    PreservedLastError(const PreservedLastError&) = delete;
    PreservedLastError& operator=(const PreservedLastError&) = delete;

private:
    DWORD error_;
};

}  // namespace

// ---- kernel32: last error, error mode, clock ------------------------------

std::uint32_t WindowsPlatform::get_last_error() {
    return GetLastError();
}

void WindowsPlatform::set_last_error(std::uint32_t error) {
    SetLastError(error);
}

std::uint32_t WindowsPlatform::get_error_mode() {
    return GetErrorMode();
}

std::uint32_t WindowsPlatform::set_error_mode(std::uint32_t mode) {
    return SetErrorMode(mode);
}

SystemTime WindowsPlatform::get_local_time() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return SystemTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                      now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

std::uint64_t WindowsPlatform::get_tick_count64() {
    return GetTickCount64();
}

// ---- kernel32: files and devices ------------------------------------------

Handle WindowsPlatform::create_file(const std::u16string& path, std::uint32_t desired_access,
                                    std::uint32_t share_mode, std::uint32_t creation_disposition,
                                    std::uint32_t flags_and_attributes) {
    return from_native(CreateFileW(wide(path), desired_access, share_mode, nullptr,
                                   creation_disposition, flags_and_attributes, nullptr));
}

bool WindowsPlatform::close_handle(Handle handle) {
    return CloseHandle(to_native(handle)) != 0;
}

bool WindowsPlatform::device_io_control(Handle device, std::uint32_t io_control_code,
                                        std::span<const std::uint8_t> in_buffer,
                                        std::span<std::uint8_t> out_buffer,
                                        std::uint32_t& bytes_returned) {
    // DeviceIoControl takes a non-const input pointer but only reads from it.
    void* input = in_buffer.empty() ? nullptr : const_cast<std::uint8_t*>(in_buffer.data());
    void* output = out_buffer.empty() ? nullptr : out_buffer.data();
    DWORD returned = 0;
    const BOOL succeeded =
        DeviceIoControl(to_native(device), io_control_code, input, dword_size(in_buffer.size()),
                        output, dword_size(out_buffer.size()), &returned, nullptr);
    bytes_returned = returned;
    return succeeded != 0;
}

bool WindowsPlatform::write_file(Handle file, std::span<const std::uint8_t> buffer,
                                 std::uint32_t& bytes_written) {
    DWORD written = 0;
    const BOOL succeeded =
        WriteFile(to_native(file), buffer.data(), dword_size(buffer.size()), &written, nullptr);
    bytes_written = written;
    return succeeded != 0;
}

bool WindowsPlatform::read_file(Handle file, std::span<std::uint8_t> buffer,
                                std::uint32_t& bytes_read) {
    DWORD read = 0;
    const BOOL succeeded =
        ReadFile(to_native(file), buffer.data(), dword_size(buffer.size()), &read, nullptr);
    bytes_read = read;
    return succeeded != 0;
}

bool WindowsPlatform::set_file_information_by_handle(Handle file, std::uint32_t info_class,
                                                     std::span<const std::uint8_t> info) {
    AlignedBuffer aligned(info);
    return SetFileInformationByHandle(to_native(file),
                                      static_cast<FILE_INFO_BY_HANDLE_CLASS>(info_class),
                                      aligned.data(), aligned.size()) != 0;
}

bool WindowsPlatform::get_device_power_state(Handle device, bool& on) {
    // Working unless the call says otherwise: an implementation that answers
    // without filling it in must not make a disk look asleep.
    BOOL working = TRUE;
    const bool answered = GetDevicePowerState(to_native(device), &working) != 0;
    on = working != FALSE;
    return answered;
}

// ---- kernel32: temporary directory ----------------------------------------

bool WindowsPlatform::has_get_temp_path2() {
    return get_temp_path2_function() != nullptr;
}

std::uint32_t WindowsPlatform::get_temp_path2(std::span<char16_t> buffer) {
    const GetTempPath2WFunction function = get_temp_path2_function();
    if (function == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return 0;
    }
    return function(dword_size(buffer.size()), wide_buffer(buffer));
}

std::uint32_t WindowsPlatform::get_temp_path(std::span<char16_t> buffer) {
    return GetTempPathW(dword_size(buffer.size()), wide_buffer(buffer));
}

// ---- kernel32: volumes ----------------------------------------------------

std::uint32_t WindowsPlatform::get_drive_type(const std::u16string& root_path) {
    return GetDriveTypeW(wide(root_path));
}

bool WindowsPlatform::get_volume_information(const std::u16string& root_path,
                                             std::span<char16_t> volume_name,
                                             std::span<char16_t> file_system_name) {
    return GetVolumeInformationW(wide(root_path), wide_buffer(volume_name),
                                 dword_size(volume_name.size()), nullptr, nullptr, nullptr,
                                 wide_buffer(file_system_name),
                                 dword_size(file_system_name.size())) != 0;
}

std::uint32_t WindowsPlatform::query_dos_device(const std::u16string& device_name,
                                                std::span<char16_t> target_path) {
    return QueryDosDeviceW(wide(device_name), wide_buffer(target_path),
                           dword_size(target_path.size()));
}

// ---- kernel32: child processes --------------------------------------------

bool WindowsPlatform::create_process_with_output_pipe(const std::u16string& application_name,
                                                      const std::u16string& command_line,
                                                      std::uint32_t creation_flags,
                                                      ChildProcess& child) {
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;

    HANDLE output_read = nullptr;
    HANDLE output_write = nullptr;
    if (!CreatePipe(&output_read, &output_write, &inheritable, 0)) return false;

    // Only the write end goes to the child; an inherited read end would keep
    // the pipe open after the child exits and the parent would never see the end.
    if (!SetHandleInformation(output_read, HANDLE_FLAG_INHERIT, 0)) {
        PreservedLastError preserved;
        CloseHandle(output_read);
        CloseHandle(output_write);
        return false;
    }

    const HANDLE null_device =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (null_device == INVALID_HANDLE_VALUE) {
        PreservedLastError preserved;
        CloseHandle(output_read);
        CloseHandle(output_write);
        return false;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null_device;
    startup.hStdOutput = output_write;
    startup.hStdError = null_device;

    std::vector<wchar_t> command = writable_copy(command_line);
    PROCESS_INFORMATION started{};
    const BOOL created = CreateProcessW(application_name.empty() ? nullptr : wide(application_name),
                                        command.data(), nullptr, nullptr, TRUE, creation_flags,
                                        nullptr, nullptr, &startup, &started);

    PreservedLastError preserved;
    // The parent keeps only the read end: once the child exits, its copy of
    // the write end is the last one and closing it ends the pipe.
    CloseHandle(output_write);
    CloseHandle(null_device);
    if (!created) {
        CloseHandle(output_read);
        return false;
    }
    CloseHandle(started.hThread);
    child.process = from_native(started.hProcess);
    child.stdout_read = from_native(output_read);
    return true;
}

bool WindowsPlatform::peek_named_pipe(Handle pipe, std::uint32_t& bytes_available) {
    DWORD available = 0;
    const BOOL succeeded = PeekNamedPipe(to_native(pipe), nullptr, 0, nullptr, &available, nullptr);
    bytes_available = available;
    return succeeded != 0;
}

std::uint32_t WindowsPlatform::wait_for_single_object(Handle handle, std::uint32_t milliseconds) {
    return WaitForSingleObject(to_native(handle), milliseconds);
}

bool WindowsPlatform::get_exit_code_process(Handle process, std::uint32_t& exit_code) {
    DWORD code = 0;
    const BOOL succeeded = GetExitCodeProcess(to_native(process), &code);
    exit_code = code;
    return succeeded != 0;
}

bool WindowsPlatform::terminate_process(Handle process, std::uint32_t exit_code) {
    return TerminateProcess(to_native(process), exit_code) != 0;
}

std::uint32_t WindowsPlatform::get_system_directory(std::span<char16_t> buffer) {
    return GetSystemDirectoryW(wide_buffer(buffer), dword_size(buffer.size()));
}

// ---- advapi32: process token ----------------------------------------------

Handle WindowsPlatform::get_current_process() {
    return from_native(GetCurrentProcess());
}

bool WindowsPlatform::open_process_token(Handle process, std::uint32_t desired_access,
                                         Handle& token) {
    HANDLE opened = nullptr;
    const BOOL succeeded = OpenProcessToken(to_native(process), desired_access, &opened);
    token = from_native(opened);
    return succeeded != 0;
}

bool WindowsPlatform::get_token_information(Handle token, std::uint32_t information_class,
                                            std::span<std::uint8_t> information,
                                            std::uint32_t& return_length) {
    AlignedBuffer aligned(information);
    DWORD length = 0;
    const BOOL succeeded = GetTokenInformation(
        to_native(token), static_cast<TOKEN_INFORMATION_CLASS>(information_class), aligned.data(),
        aligned.size(), &length);
    aligned.copy_to(information);
    return_length = length;
    return succeeded != 0;
}

// ---- advapi32: registry ---------------------------------------------------

std::uint32_t WindowsPlatform::reg_open_key_ex(Handle key, const std::u16string& sub_key,
                                               std::uint32_t options, std::uint32_t desired_access,
                                               Handle& result) {
    HKEY opened = nullptr;
    const LSTATUS status =
        RegOpenKeyExW(to_native_key(key), wide(sub_key), options, desired_access, &opened);
    result = from_native(opened);
    return static_cast<std::uint32_t>(status);
}

std::uint32_t WindowsPlatform::reg_query_value_ex(Handle key, const std::u16string& value_name,
                                                  std::uint32_t& type, std::span<std::uint8_t> data,
                                                  std::uint32_t& data_size) {
    DWORD value_type = 0;
    DWORD size = dword_size(data.size());
    const LSTATUS status =
        RegQueryValueExW(to_native_key(key), wide(value_name), nullptr, &value_type,
                         data.empty() ? nullptr : data.data(), &size);
    type = value_type;
    data_size = size;
    return static_cast<std::uint32_t>(status);
}

std::uint32_t WindowsPlatform::reg_close_key(Handle key) {
    return static_cast<std::uint32_t>(RegCloseKey(to_native_key(key)));
}

// ---- cfgmgr32 -------------------------------------------------------------

std::uint32_t WindowsPlatform::cm_locate_devnode(DevInst& devinst, const std::u16string& device_id,
                                                 std::uint32_t flags) {
    std::vector<wchar_t> id = writable_copy(device_id);
    DEVINST located = 0;
    const CONFIGRET result = CM_Locate_DevNodeW(&located, id.data(), flags);
    devinst = located;
    return result;
}

std::uint32_t WindowsPlatform::cm_get_parent(DevInst& parent, DevInst devinst,
                                             std::uint32_t flags) {
    DEVINST found = 0;
    const CONFIGRET result = CM_Get_Parent(&found, devinst, flags);
    parent = found;
    return result;
}

std::uint32_t WindowsPlatform::cm_get_device_id(DevInst devinst, std::span<char16_t> buffer,
                                                std::uint32_t flags) {
    return CM_Get_Device_IDW(devinst, wide_buffer(buffer), dword_size(buffer.size()), flags);
}

}  // namespace quartzmon::platform::windows
