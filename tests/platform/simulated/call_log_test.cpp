#include "support/call_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::calls_to;
using quartzmon::test_support::make_machine;

constexpr const char* MACHINE = R"({
    "token": {"elevated": false},
    "clock": {"local_time": "2024-12-31T23:59:59.500", "tick_count": 1000},
    "disks": [{"open": {"0x80000000": 5}}],
    "volumes": {"C": {"disk_extents": {"extents": [{"disk": 0}]}}},
    "registry": {"SYSTEM\\Enum": {"0": "SCSI\\Disk\\1"}},
    "device_tree": [{"id": "SCSI\\Disk\\1", "parent": "USB\\VID_1\\2"}, {"id": "USB\\VID_1\\2"}],
    "programs": {"C:\\ps.exe": {"stdout": "0:C\n", "exits_after_ms": 800}}
})";

TEST(CallLogTest, OneLinePerCallWithArgumentsResultAndError) {
    auto machine = make_machine(MACHINE);
    std::vector<std::uint8_t> query(12, 0);
    std::vector<std::uint8_t> out(1024);
    std::vector<char16_t> text(260);
    std::uint32_t count = 0;
    std::uint32_t type = 0;
    Handle handle = 0;
    DevInst node = 0;
    ChildProcess child;

    machine->get_error_mode();
    machine->set_error_mode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    machine->get_local_time();
    machine->create_file(u"\\\\.\\PhysicalDrive0", GENERIC_READ, 3, OPEN_EXISTING, 0x80);
    machine->get_last_error();
    handle = machine->create_file(u"\\\\.\\PhysicalDrive0", 0, 3, OPEN_EXISTING, 0x80);
    machine->device_io_control(handle, IOCTL_STORAGE_QUERY_PROPERTY, query, out, count);
    machine->device_io_control(handle, 0x2D1080, {}, out, count);
    machine->close_handle(handle);
    machine->get_drive_type(u"C:\\");
    machine->get_volume_information(u"C:\\", text, text);
    machine->query_dos_device(u"C:", text);
    const Handle token_process = machine->get_current_process();
    machine->open_process_token(token_process, TOKEN_QUERY, handle);
    std::vector<std::uint8_t> elevation(4);
    machine->get_token_information(handle, TokenElevation, elevation, count);
    machine->close_handle(handle);
    machine->reg_open_key_ex(HKEY_LOCAL_MACHINE, u"SYSTEM\\Enum", 0, KEY_READ, handle);
    machine->reg_query_value_ex(handle, u"0", type, out, count);
    machine->reg_close_key(handle);
    machine->cm_locate_devnode(node, u"SCSI\\Disk\\1", 0);
    machine->cm_get_parent(node, node, 0);
    machine->cm_get_device_id(node, text, 0);
    machine->create_process_with_output_pipe(u"C:\\ps.exe", u"\"ps\" -Command \"\nx\"",
                                             CREATE_NO_WINDOW, child);
    machine->peek_named_pipe(child.stdout_read, count);
    machine->wait_for_single_object(child.process, 500);
    machine->get_tick_count64();
    machine->wait_for_single_object(child.process, 500);
    machine->get_local_time();
    machine->get_exit_code_process(child.process, count);
    machine->close_handle(0x999);

    const std::vector<std::string> expected{
        "GetErrorMode() -> 0x0",
        "SetErrorMode(0x8001) -> 0x0",
        "GetLocalTime() -> 2024-12-31 23:59:59.500",
        R"(CreateFileW("\\.\PhysicalDrive0", 0x80000000, 0x3, 3, 0x80) -> INVALID_HANDLE_VALUE, error 5)",
        "GetLastError() -> 5",
        R"(CreateFileW("\\.\PhysicalDrive0", 0x0, 0x3, 3, 0x80) -> handle 0x100)",
        "DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, in 12, out 1024) -> TRUE, 77 bytes",
        "DeviceIoControl(0x100, 0x002D1080, in 0, out 1024) -> FALSE, 0 bytes, error 1",
        "CloseHandle(0x100) -> TRUE",
        R"(GetDriveTypeW("C:\") -> DRIVE_FIXED)",
        R"(GetVolumeInformationW("C:\", 260, 260) -> TRUE)",
        R"(QueryDosDeviceW("C:", 260) -> 25)",
        "GetCurrentProcess() -> 0xFFFFFFFFFFFFFFFF",
        "OpenProcessToken(0xFFFFFFFFFFFFFFFF, 0x8) -> TRUE, token 0x104",
        "GetTokenInformation(0x104, TokenElevation, 4) -> TRUE, 4 bytes",
        "CloseHandle(0x104) -> TRUE",
        R"(RegOpenKeyExW(HKEY_LOCAL_MACHINE, "SYSTEM\Enum", 0, 0x20019) -> 0, key 0x108)",
        R"(RegQueryValueExW(0x108, "0", 1024) -> 0, type 1, 24 bytes)",
        "RegCloseKey(0x108) -> 0",
        R"(CM_Locate_DevNodeW("SCSI\Disk\1", 0x0) -> 0x0, devinst 2)",
        "CM_Get_Parent(2, 0x0) -> 0x0, devinst 3",
        "CM_Get_Device_IDW(3, 260, 0x0) -> 0x0",
        R"(CreateProcessW("C:\ps.exe", ""ps" -Command "\nx"", 0x8000000) -> TRUE, process 0x10C, pipe 0x110)",
        "PeekNamedPipe(0x110) -> TRUE, 4 bytes available",
        "WaitForSingleObject(0x10C, 500) -> WAIT_TIMEOUT",
        "GetTickCount64() -> 1500",
        "WaitForSingleObject(0x10C, 500) -> WAIT_OBJECT_0",
        "GetLocalTime() -> 2025-01-01 00:00:00.300",
        "GetExitCodeProcess(0x10C) -> TRUE, exit code 0",
        "CloseHandle(0x999) -> FALSE, error 6",
    };
    EXPECT_EQ(machine->call_log(), expected);
    EXPECT_EQ(elevation, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(CallLogTest, FilterKeepsTheNamedCallsInOrder) {
    auto machine = make_machine(MACHINE);
    std::vector<std::uint8_t> out(16);
    std::uint32_t count = 0;
    machine->create_file(u"\\\\.\\PhysicalDrive0", GENERIC_READ, 3, OPEN_EXISTING, 0x80);
    machine->get_last_error();
    machine->device_io_control(INVALID_HANDLE_VALUE, IOCTL_STORAGE_QUERY_PROPERTY, out, out, count);

    EXPECT_EQ(
        calls_to(machine->call_log(), {"DeviceIoControl", "CreateFileW"}),
        (std::vector<std::string>{
            R"(CreateFileW("\\.\PhysicalDrive0", 0x80000000, 0x3, 3, 0x80) -> INVALID_HANDLE_VALUE, error 5)",
            "DeviceIoControl(0xFFFFFFFFFFFFFFFF, IOCTL_STORAGE_QUERY_PROPERTY, in 16, out 16) -> "
            "FALSE, 0 bytes, error 6"}));
    machine->clear_call_log();
    EXPECT_TRUE(machine->call_log().empty());
}

TEST(MachineStateTest, ErrorModeTokenAndLastError) {
    auto machine = make_machine(R"({"token": {"open_error": 5}})");
    EXPECT_EQ(machine->set_error_mode(3), 0u);
    EXPECT_EQ(machine->set_error_mode(0), 3u);
    Handle token = 0;
    EXPECT_FALSE(machine->open_process_token(machine->get_current_process(), TOKEN_QUERY, token));
    EXPECT_EQ(machine->get_last_error(), ERROR_ACCESS_DENIED);
    machine->set_last_error(0);
    EXPECT_EQ(machine->get_last_error(), 0u);
}

TEST(MachineStateTest, TokenInformation) {
    auto elevated = make_machine("{}");
    Handle token = 0;
    ASSERT_TRUE(elevated->open_process_token(elevated->get_current_process(), TOKEN_QUERY, token));
    std::vector<std::uint8_t> elevation(4);
    std::uint32_t length = 0;
    ASSERT_TRUE(elevated->get_token_information(token, TokenElevation, elevation, length));
    EXPECT_EQ(elevation, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    std::vector<std::uint8_t> small(2);
    EXPECT_FALSE(elevated->get_token_information(token, TokenElevation, small, length));
    EXPECT_EQ(elevated->get_last_error(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 4u);

    auto failing = make_machine(R"({"token": {"information_error": 87}})");
    ASSERT_TRUE(failing->open_process_token(failing->get_current_process(), TOKEN_QUERY, token));
    EXPECT_FALSE(failing->get_token_information(token, TokenElevation, elevation, length));
    EXPECT_EQ(failing->get_last_error(), 87u);
}

TEST(MachineStateTest, LocalTimeCarriesTheWeekday) {
    auto machine = make_machine(R"({"clock": {"local_time": "2024-05-14T09:05:03"}})");
    const SystemTime time = machine->get_local_time();
    EXPECT_EQ(time.year, 2024);
    EXPECT_EQ(time.month, 5);
    EXPECT_EQ(time.day, 14);
    EXPECT_EQ(time.day_of_week, 2);  // a Tuesday
    EXPECT_EQ(time.hour, 9);
    EXPECT_EQ(time.minute, 5);
    EXPECT_EQ(time.second, 3);
    EXPECT_EQ(time.milliseconds, 0);
}

}  // namespace
