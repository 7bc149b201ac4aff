// The simulated Windows machine: a Platform built from a JSON machine
// description. It models Windows and the devices, not the sensor: it decodes
// each request as the driver or device would and answers from the description.
// Every call is recorded in order in the call log. Files (the result file, the
// temp directory) are real files of the host file system.
//
// The description's format (every key, its default, and what a capture adds)
// is documented in machines/README.md; unknown keys are errors, so a typo is
// caught.
//
// Call log: one line per Platform call, in call order:
//
//   Name(arguments) -> result[, details][, error N]
//
// - Name is the Win32 function the call mirrors (has_get_temp_path2 is the
//   GetProcAddress look-up that decides it on Windows).
// - Texts are in double quotes as UTF-8, verbatim (a backslash stays one
//   backslash, a quote stays a quote); only control characters are escaped:
//   \n, \r, \t, else \xNN.
// - Handles, access masks, share modes, flags, error modes and CONFIGRET codes
//   are hexadecimal with 0x and upper-case digits (0x100, 0x80000000, 0x3,
//   0x0); IOCTL codes by their SDK name where known, else as 0x%08X; every
//   other number (dispositions, buffer sizes, byte counts, Win32 errors,
//   device instances, milliseconds) is decimal.
// - Buffer sizes are as the caller passed them: bytes for byte buffers, UTF-16
//   units for text buffers.
// - ", error N" is the last error the call set, shown when it failed (and for
//   CreateFileW's ERROR_ALREADY_EXISTS on success).
//
// The lines:
//
// clang-format off
//   GetLastError() -> 2
//   SetLastError(0)
//   GetErrorMode() -> 0x0
//   SetErrorMode(0x8001) -> 0x0
//   GetLocalTime() -> 2024-05-14 09:05:03.250
//   GetTickCount64() -> 7200000
//   CreateFileW("\\.\PhysicalDrive0", 0x80000000, 0x3, 3, 0x80) -> handle 0x100
//   CreateFileW("\\.\PhysicalDrive9", 0x0, 0x3, 3, 0x80) -> INVALID_HANDLE_VALUE, error 2
//   CreateFileW("/tmp/kiv_disk_health.json", 0x40000000, 0x7, 4, 0x80) -> handle 0x104, error 183
//   CloseHandle(0x100) -> TRUE
//   DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 1024) -> TRUE, 40 bytes
//   DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 512) -> FALSE, 0 bytes, error 50
//   DeviceIoControl(0x100, IOCTL_SCSI_PASS_THROUGH, in 600, out 600) -> TRUE, 88 bytes, CDB 85 08 ..., status 2
//     (a handler may add what it decoded; a data address never appears)
//   GetDevicePowerState(0x100) -> TRUE, off                 (or -> FALSE, error 1)
//   WriteFile(0x104, 2048) -> TRUE, 2048 bytes
//   ReadFile(0x10C, 4096) -> FALSE, 0 bytes, error 109
//   SetFileInformationByHandle(0x104, FileAllocationInfo, 8) -> FALSE, error 120
//   GetProcAddress(kernel32, "GetTempPath2W") -> found          (or -> NULL, error 127)
//   GetTempPath2W(261) -> 5
//   GetTempPathW(261) -> 5
//   GetDriveTypeW("C:\") -> DRIVE_FIXED
//   GetVolumeInformationW("C:\", 260, 260) -> TRUE
//   QueryDosDeviceW("C:", 1024) -> 25
//   CreateProcessW("C:\...\powershell.exe", ""C:\...\powershell.exe" -NoProfile ...", 0x8000000) -> TRUE, process 0x108, pipe 0x10C
//   PeekNamedPipe(0x10C) -> TRUE, 12 bytes available
//   WaitForSingleObject(0x108, 60000) -> WAIT_TIMEOUT
//   GetExitCodeProcess(0x108) -> TRUE, exit code 259
//   TerminateProcess(0x108, 1) -> TRUE
//   GetSystemDirectoryW(260) -> 19
//   GetCurrentProcess() -> 0xFFFFFFFFFFFFFFFF
//   OpenProcessToken(0xFFFFFFFFFFFFFFFF, 0x8) -> TRUE, token 0x110
//   GetTokenInformation(0x110, TokenElevation, 4) -> TRUE, 4 bytes
//   RegOpenKeyExW(HKEY_LOCAL_MACHINE, "SYSTEM\CurrentControlSet\Services\disk\Enum", 0, 0x20019) -> 0, key 0x114
//   RegQueryValueExW(0x114, "0", 1024) -> 0, type 1, 120 bytes
//   RegCloseKey(0x114) -> 0
//   CM_Locate_DevNodeW("SCSI\Disk&Ven_&Prod_X\4&1&0", 0x0) -> 0x0, devinst 7
//   CM_Get_Parent(7, 0x0) -> 0x0, devinst 6
//   CM_Get_Device_IDW(6, 512, 0x0) -> 0x0
// clang-format on
//
// tests/support/call_log.h filters the log by function name.
#pragma once

#include <expected>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace quartzmon::platform::simulated {

class SimulatedMachine : public Platform {
public:
    // Builds a machine from description text. On a malformed description the
    // error names source_name and the place in the description (a JSON
    // pointer), for example "machines/x.json: at /disks/0/open: expected an object".
    static std::expected<std::unique_ptr<SimulatedMachine>, std::string> from_json(
        std::string_view description, std::string_view source_name);
    // Reads the description from a file; an unreadable file is an error naming it.
    static std::expected<std::unique_ptr<SimulatedMachine>, std::string> from_file(
        const std::filesystem::path& path);

    // One line per platform call, in call order (format above).
    virtual const std::vector<std::string>& call_log() const = 0;
    virtual void clear_call_log() = 0;
};

}  // namespace quartzmon::platform::simulated
