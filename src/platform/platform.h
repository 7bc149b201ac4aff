// The operating-system boundary: every Windows call the sensor makes, as a thin
// mirror of the Win32 function. Arguments and results are as Windows has them,
// with fixed-width types instead of Windows typedefs; the thread's last error is
// state read with get_last_error() right after a failing call, exactly as on
// Windows. Everything the sensor decides (access masks, IOCTL codes, request
// bytes, buffer sizes, the order of calls) stays in the sensor code.
//
// Two implementations exist: the real one (platform/windows) that calls kernel32,
// advapi32 and cfgmgr32, and the simulated Windows machine (platform/simulated).
//
// The constants carry the SDK's names. <windows.h> defines most of them as
// macros, so it is included only by the real implementation's .cpp files, and
// there after every project header.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quartzmon::platform {

// An opaque Windows HANDLE (or HKEY); 0 and INVALID_HANDLE_VALUE are never valid.
using Handle = std::uint64_t;
// A configuration-manager device instance handle (DEVINST).
using DevInst = std::uint32_t;

inline constexpr Handle INVALID_HANDLE_VALUE = ~Handle{0};

inline bool is_valid_handle(Handle handle) {
    return handle != 0 && handle != INVALID_HANDLE_VALUE;
}

// Win32 error codes the sensor and its tests refer to.
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_READY = 21;
inline constexpr std::uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_BROKEN_PIPE = 109;
inline constexpr std::uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr std::uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;
inline constexpr std::uint32_t ERROR_IO_DEVICE = 1117;

// CreateFileW access, sharing, disposition and attributes.
inline constexpr std::uint32_t GENERIC_READ = 0x80000000;
inline constexpr std::uint32_t GENERIC_WRITE = 0x40000000;
inline constexpr std::uint32_t FILE_SHARE_READ = 0x1;
inline constexpr std::uint32_t FILE_SHARE_WRITE = 0x2;
inline constexpr std::uint32_t FILE_SHARE_DELETE = 0x4;
inline constexpr std::uint32_t CREATE_ALWAYS = 2;
inline constexpr std::uint32_t OPEN_EXISTING = 3;
inline constexpr std::uint32_t OPEN_ALWAYS = 4;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// SetFileInformationByHandle classes (FILE_INFO_BY_HANDLE_CLASS).
inline constexpr std::uint32_t FileAllocationInfo = 5;
inline constexpr std::uint32_t FileEndOfFileInfo = 6;

// SetErrorMode flags.
inline constexpr std::uint32_t SEM_FAILCRITICALERRORS = 0x0001;
inline constexpr std::uint32_t SEM_NOOPENFILEERRORBOX = 0x8000;

// Device I/O control codes.
inline constexpr std::uint32_t IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400;
inline constexpr std::uint32_t IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS = 0x00560000;
inline constexpr std::uint32_t IOCTL_ATA_PASS_THROUGH = 0x0004D02C;
inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH = 0x0004D004;
inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x0004D014;

// GetDriveTypeW results.
inline constexpr std::uint32_t DRIVE_UNKNOWN = 0;
inline constexpr std::uint32_t DRIVE_NO_ROOT_DIR = 1;
inline constexpr std::uint32_t DRIVE_REMOVABLE = 2;
inline constexpr std::uint32_t DRIVE_FIXED = 3;
inline constexpr std::uint32_t DRIVE_REMOTE = 4;
inline constexpr std::uint32_t DRIVE_CDROM = 5;
inline constexpr std::uint32_t DRIVE_RAMDISK = 6;

// Registry.
inline constexpr Handle HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr std::uint32_t KEY_READ = 0x20019;

// Configuration manager.
inline constexpr std::uint32_t CR_SUCCESS = 0;
inline constexpr std::uint32_t CR_NO_SUCH_DEVNODE = 0x0D;
inline constexpr std::uint32_t CR_INVALID_DEVICE_ID = 0x1E;
inline constexpr std::uint32_t CM_LOCATE_DEVNODE_NORMAL = 0;

// Process token.
inline constexpr std::uint32_t TOKEN_QUERY = 0x0008;
inline constexpr std::uint32_t TokenElevation = 20;

// Processes and waiting.
inline constexpr std::uint32_t CREATE_NO_WINDOW = 0x08000000;
inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;
inline constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFF;
inline constexpr std::uint32_t STILL_ACTIVE = 259;

// GetLocalTime's SYSTEMTIME.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day_of_week = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// A started child process: its process handle and the read end of the pipe
// that carries its standard output (PROCESS_INFORMATION plus the pipe).
struct ChildProcess {
    Handle process = 0;
    Handle stdout_read = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // ---- kernel32: last error, error mode, clock -------------------------
    virtual std::uint32_t get_last_error() = 0;
    virtual void set_last_error(std::uint32_t error) = 0;
    virtual std::uint32_t get_error_mode() = 0;
    virtual std::uint32_t set_error_mode(std::uint32_t mode) = 0;
    virtual SystemTime get_local_time() = 0;
    virtual std::uint64_t get_tick_count64() = 0;

    // ---- kernel32: files and devices ------------------------------------
    // CreateFileW with no security attributes and no template file.
    virtual Handle create_file(const std::u16string& path, std::uint32_t desired_access,
                               std::uint32_t share_mode, std::uint32_t creation_disposition,
                               std::uint32_t flags_and_attributes) = 0;
    virtual bool close_handle(Handle handle) = 0;
    // DeviceIoControl without an OVERLAPPED structure. An empty span stands for
    // a null buffer with size 0.
    virtual bool device_io_control(Handle device, std::uint32_t io_control_code,
                                   std::span<const std::uint8_t> in_buffer,
                                   std::span<std::uint8_t> out_buffer,
                                   std::uint32_t& bytes_returned) = 0;
    virtual bool write_file(Handle file, std::span<const std::uint8_t> buffer,
                            std::uint32_t& bytes_written) = 0;
    virtual bool read_file(Handle file, std::span<std::uint8_t> buffer,
                           std::uint32_t& bytes_read) = 0;
    // SetFileInformationByHandle with the class's structure as raw bytes.
    virtual bool set_file_information_by_handle(Handle file, std::uint32_t info_class,
                                                std::span<const std::uint8_t> info) = 0;
    // GetDevicePowerState: on receives TRUE when the device is in its working
    // state, FALSE when it is in a low-power state.
    virtual bool get_device_power_state(Handle device, bool& on) = 0;

    // ---- kernel32: temporary directory ----------------------------------
    // Whether kernel32 exports GetTempPath2W (looked up at run time on Windows).
    virtual bool has_get_temp_path2() = 0;
    virtual std::uint32_t get_temp_path2(std::span<char16_t> buffer) = 0;
    virtual std::uint32_t get_temp_path(std::span<char16_t> buffer) = 0;

    // ---- kernel32: volumes ----------------------------------------------
    virtual std::uint32_t get_drive_type(const std::u16string& root_path) = 0;
    // GetVolumeInformationW without serial number, maximum component length
    // and file-system flags.
    virtual bool get_volume_information(const std::u16string& root_path,
                                        std::span<char16_t> volume_name,
                                        std::span<char16_t> file_system_name) = 0;
    virtual std::uint32_t query_dos_device(const std::u16string& device_name,
                                           std::span<char16_t> target_path) = 0;

    // ---- kernel32: child processes --------------------------------------
    // CreateProcessW with standard input and standard error on the null
    // device and standard output on a new pipe, whose read end is returned.
    // The command line is passed exactly as given.
    virtual bool create_process_with_output_pipe(const std::u16string& application_name,
                                                 const std::u16string& command_line,
                                                 std::uint32_t creation_flags,
                                                 ChildProcess& child) = 0;
    virtual bool peek_named_pipe(Handle pipe, std::uint32_t& bytes_available) = 0;
    virtual std::uint32_t wait_for_single_object(Handle handle, std::uint32_t milliseconds) = 0;
    virtual bool get_exit_code_process(Handle process, std::uint32_t& exit_code) = 0;
    virtual bool terminate_process(Handle process, std::uint32_t exit_code) = 0;
    virtual std::uint32_t get_system_directory(std::span<char16_t> buffer) = 0;

    // ---- advapi32: process token ----------------------------------------
    virtual Handle get_current_process() = 0;
    virtual bool open_process_token(Handle process, std::uint32_t desired_access,
                                    Handle& token) = 0;
    virtual bool get_token_information(Handle token, std::uint32_t information_class,
                                       std::span<std::uint8_t> information,
                                       std::uint32_t& return_length) = 0;

    // ---- advapi32: registry (results are Win32 error codes) -------------
    virtual std::uint32_t reg_open_key_ex(Handle key, const std::u16string& sub_key,
                                          std::uint32_t options, std::uint32_t desired_access,
                                          Handle& result) = 0;
    virtual std::uint32_t reg_query_value_ex(Handle key, const std::u16string& value_name,
                                             std::uint32_t& type, std::span<std::uint8_t> data,
                                             std::uint32_t& data_size) = 0;
    virtual std::uint32_t reg_close_key(Handle key) = 0;

    // ---- cfgmgr32 (results are CONFIGRET codes) -------------------------
    virtual std::uint32_t cm_locate_devnode(DevInst& devinst, const std::u16string& device_id,
                                            std::uint32_t flags) = 0;
    virtual std::uint32_t cm_get_parent(DevInst& parent, DevInst devinst,
                                        std::uint32_t flags) = 0;
    virtual std::uint32_t cm_get_device_id(DevInst devinst, std::span<char16_t> buffer,
                                           std::uint32_t flags) = 0;
};

}  // namespace quartzmon::platform
