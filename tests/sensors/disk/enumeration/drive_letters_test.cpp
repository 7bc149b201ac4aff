// Drive letters on described machines: the volume pass and, when it maps
// nothing, PowerShell.
#include "sensors/disk/enumeration/drive_letters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/disk/enumeration/trace_recorder.h"
#include "support/call_log.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

using quartzmon::test_support::calls_to;
using quartzmon::test_support::make_machine;
using quartzmon::test_support::TraceRecorder;

const std::string TARGET = "quartzmon::sensors::disk::enumeration";

std::string skipped(char letter) {
    return "DEBUG " + TARGET + ": Skipping virtual drive " + letter +
           ": from physical disk mapping";
}

std::string mapped(char letter, int disk) {
    return "DEBUG " + TARGET + ": Volume Mapping: " + letter + ": -> PhysicalDrive" +
           std::to_string(disk);
}

TEST(BuildDriveLetterMap, VolumePassLeavesOutWhatIsNoLocalDiskVolume) {
    auto machine = make_machine(R"({ "volumes": {
        "C": { "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "D": { "disk_extents": { "extents": [ { "disk": 1 } ] } },
        "E": { "drive_type": "DRIVE_REMOVABLE", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "F": { "label": "Virtual Machines", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "G": { "label": "Google Drive", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "H": { "label": "My DROPBOX", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "I": { "label": "OneDrive - Contoso", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "J": { "dos_device": "\\??\\C:\\Users\\me\\Projects", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "K": { "disk_extents": { "extents": [ { "disk": 1 }, { "disk": 2 } ] } },
        "L": { "drive_type": "DRIVE_REMOTE", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "M": { "drive_type": "DRIVE_CDROM", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "N": { "drive_type": "DRIVE_RAMDISK", "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "O": { "drive_type": "DRIVE_UNKNOWN", "disk_extents": { "extents": [ { "disk": 3 } ] } },
        "P": { "drive_type": 7, "disk_extents": { "extents": [ { "disk": 3 } ] } },
        "Q": { "volume_information_error": 21, "disk_extents": { "extents": [ { "disk": 3 } ] } },
        "R": { "dos_device_error": 2, "disk_extents": { "extents": [ { "disk": 3 } ] } },
        "S": { "dos_device": "\\Device\\PhysicalDrive4", "disk_extents": { "extents": [ { "disk": 4 } ] } },
        "T": { "open_error": 21 },
        "U": { "disk_extents": { "error": 1 } },
        "V": { "disk_extents": { "extents": [] } },
        "W": { "disk_extents": { "extents": [ { "disk": 5 } ], "bytes_returned": 31 } },
        "X": { "disk_extents": { "extents": [ { "disk": 5 } ], "bytes_returned": 32 } }
    } })");
    TraceRecorder trace;

    EXPECT_EQ(build_drive_letter_map(*machine), (DriveLetterMap{{0, {U'C', U'E'}},
                                                                {1, {U'D', U'K'}},
                                                                {3, {U'O', U'P', U'Q', U'R'}},
                                                                {4, {U'S'}},
                                                                {5, {U'X'}}}));
    EXPECT_EQ(trace.events(),
              (std::vector<std::string>{
                  skipped('A'),   skipped('B'),   mapped('C', 0), mapped('D', 1), mapped('E', 0),
                  skipped('F'),   skipped('G'),   skipped('H'),   skipped('I'),   skipped('J'),
                  mapped('K', 1), skipped('L'),   skipped('M'),   skipped('N'),   mapped('O', 3),
                  mapped('P', 3), mapped('Q', 3), mapped('R', 3), mapped('S', 4), mapped('X', 5),
                  skipped('Y'),   skipped('Z')}));
    EXPECT_EQ(calls_to(machine->call_log(), {"GetSystemDirectoryW", "CreateProcessW"}).size(), 0u);
}

TEST(BuildDriveLetterMap, EachLocalVolumeIsAskedForItsExtentsOnceAndClosed) {
    auto machine = make_machine(R"({ "volumes": {
        "C": { "label": "Windows", "dos_device": "\\Device\\HarddiskVolume3",
               "disk_extents": { "extents": [ { "disk": 0 } ] } },
        "D": { "drive_type": "DRIVE_CDROM" },
        "E": { "label": "Virtual", "disk_extents": { "extents": [ { "disk": 0 } ] } }
    } })");
    build_drive_letter_map(*machine);
    std::vector<std::string> expected = {
        "GetDriveTypeW(\"A:\\\") -> DRIVE_NO_ROOT_DIR",
        "GetDriveTypeW(\"B:\\\") -> DRIVE_NO_ROOT_DIR",
        "GetDriveTypeW(\"C:\\\") -> DRIVE_FIXED",
        "GetVolumeInformationW(\"C:\\\", 260, 260) -> TRUE",
        "QueryDosDeviceW(\"C:\", 1024) -> 25",
        "CreateFileW(\"\\\\.\\C:\", 0x0, 0x3, 3, 0x80) -> handle 0x100",
        "DeviceIoControl(0x100, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, in 0, out 1024) "
        "-> TRUE, 32 bytes",
        "CloseHandle(0x100) -> TRUE",
        "GetDriveTypeW(\"D:\\\") -> DRIVE_CDROM",
        "GetDriveTypeW(\"E:\\\") -> DRIVE_FIXED",
        "GetVolumeInformationW(\"E:\\\", 260, 260) -> TRUE",
    };
    for (char letter = 'F'; letter <= 'Z'; ++letter)
        expected.push_back(std::string("GetDriveTypeW(\"") + letter +
                           ":\\\") -> DRIVE_NO_ROOT_DIR");
    EXPECT_EQ(
        calls_to(machine->call_log(), {"GetDriveTypeW", "GetVolumeInformationW", "QueryDosDeviceW",
                                       "CreateFileW", "DeviceIoControl", "CloseHandle"}),
        expected);
}

// The PowerShell child as the call log shows it, given the system directory.
std::string powershell_started(const std::string& system_directory, const std::string& result) {
    const std::string program = system_directory + "\\WindowsPowerShell\\v1.0\\powershell.exe";
    return "CreateProcessW(\"" + program + "\", \"\"" + program +
           "\" -NoProfile -NonInteractive -Command \""
           "\\n"
           "$parts = Get-CimInstance Win32_LogicalDiskToPartition -ErrorAction SilentlyContinue\\n"
           "foreach ($p in $parts) {\\n"
           "    $dep = [string]$p.Dependent.DeviceID\\n"
           "    $ant = [string]$p.Antecedent.DeviceID\\n"
           "    if ($dep -match '^([A-Za-z]):?$') {\\n"
           "        $let = $matches[1].ToUpper()\\n"
           "        if ($ant -match 'Disk #(\\d+)') {\\n"
           "            Write-Output \\\"$($matches[1]):$let\\\"\\n"
           "        }\\n"
           "    }\\n"
           "}\\n"
           "\"\", 0x8000000) -> " +
           result;
}

std::string machine_with_powershell(const std::string& program) {
    return R"({ "volumes": { "C": { "open_error": 5 } }, "programs": {
        "C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe": )" +
           program + " } }";
}

// Started by its full path in the system directory, never by a search that
// would look in the sensor's own and the current folder first.
TEST(BuildDriveLetterMap, PowerShellRunsFromTheSystemDirectoryWhenNoVolumeAnswers) {
    auto machine = make_machine(machine_with_powershell(
        R"({ "stdout": "0:C\r\n1:D\r\n0:E\r\n", "exits_after_ms": 1500 })"));
    EXPECT_EQ(build_drive_letter_map(*machine), (DriveLetterMap{{0, {U'C', U'E'}}, {1, {U'D'}}}));
    const auto calls =
        calls_to(machine->call_log(), {"GetSystemDirectoryW", "CreateProcessW",
                                       "GetExitCodeProcess", "TerminateProcess", "CloseHandle"});
    EXPECT_EQ(calls,
              (std::vector<std::string>{
                  "GetSystemDirectoryW(260) -> 19",
                  powershell_started("C:\\Windows\\system32", "TRUE, process 0x100, pipe 0x104"),
                  "GetExitCodeProcess(0x100) -> TRUE, exit code 0",
                  "CloseHandle(0x104) -> TRUE",
                  "CloseHandle(0x100) -> TRUE",
              }));
}

TEST(BuildDriveLetterMap, PowerShellPathFollowsTheSystemDirectory) {
    auto machine = make_machine(R"({ "system_directory": "D:\\WINNT\\System32", "programs": {
        "D:\\WINNT\\System32\\WindowsPowerShell\\v1.0\\powershell.exe": { "stdout": "2:F\n" } } })");
    EXPECT_EQ(build_drive_letter_map(*machine), (DriveLetterMap{{2, {U'F'}}}));
    EXPECT_EQ(calls_to(machine->call_log(), {"CreateProcessW"}),
              std::vector<std::string>{
                  powershell_started("D:\\WINNT\\System32", "TRUE, process 0x100, pipe 0x104")});
}

TEST(BuildDriveLetterMap, PowerShellFailuresGiveAnEmptyMap) {
    const std::pair<const char*, std::string> cases[] = {
        {"nonzero exit code", R"({ "stdout": "0:C\r\n", "exit_code": 1 })"},
        {"cannot be started", R"({ "start_error": 2 })"},
    };
    for (const auto& [name, program] : cases) {
        auto machine = make_machine(machine_with_powershell(program));
        EXPECT_EQ(build_drive_letter_map(*machine), DriveLetterMap{}) << name;
    }
}

TEST(BuildDriveLetterMap, OutputLargerThanOneReadIsReadWhole) {
    std::string output;
    for (int i = 0; i < 3000; ++i) output += "7:Z\\r\\n";  // 15000 bytes
    auto machine = make_machine(machine_with_powershell(R"({ "stdout": ")" + output + "\" }"));
    const DriveLetterMap map = build_drive_letter_map(*machine);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.at(7), std::vector<char32_t>(3000, U'Z'));
}

// A stalled query must not keep the worker alive: after a minute of
// simulated time the child is terminated and its letters are not used.
TEST(BuildDriveLetterMap, PowerShellThatNeverExitsIsTerminatedAfterOneMinute) {
    auto machine = make_machine(R"({ "clock": { "tick_count": 5000 },
        "volumes": { "C": { "open_error": 5 } }, "programs": {
        "C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe":
            { "stdout": "0:C\r\n", "never_exits": true } } })");
    EXPECT_EQ(build_drive_letter_map(*machine), DriveLetterMap{});

    const std::vector<std::string>& log = machine->call_log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(
        std::vector<std::string>(log.end() - 4, log.end()),
        (std::vector<std::string>{"GetTickCount64() -> 65000", "TerminateProcess(0x100, 1) -> TRUE",
                                  "CloseHandle(0x104) -> TRUE", "CloseHandle(0x100) -> TRUE"}));
    EXPECT_EQ(calls_to(log, {"GetTickCount64"}).front(), "GetTickCount64() -> 5000");
    EXPECT_EQ(calls_to(log, {"GetExitCodeProcess"}).size(), 0u);
}

TEST(BuildDriveLetterMap, PowerShellFinishingWithinTheMinuteIsUsed) {
    auto machine = make_machine(
        machine_with_powershell(R"({ "stdout": "0:C\r\n", "exits_after_ms": 59990 })"));
    EXPECT_EQ(build_drive_letter_map(*machine), (DriveLetterMap{{0, {U'C'}}}));
    EXPECT_EQ(calls_to(machine->call_log(), {"TerminateProcess"}).size(), 0u);
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
