// Disk enumeration on the real Win32 layer against what Wine provides: its
// drives, its registry written by its own reg.exe, and a stand-in PowerShell
// in the prefix's system directory.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "platform/windows/windows_platform.h"
#include "sensors/disk/enumeration/drive_letters.h"
#include "sensors/disk/enumeration/physical_drives.h"
#include "sensors/disk/enumeration/powershell_drive_letters.h"
#include "sensors/disk/enumeration/usb_identity.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

using platform::utf16_to_utf8;
using platform::utf8_to_utf16;

std::wstring wide(const std::string& text) {
    const std::u16string units = utf8_to_utf16(text);
    return std::wstring(units.begin(), units.end());
}

// The process environment, which child processes inherit.
void set_environment(const char* name, const std::string& value) {
    _wputenv_s(wide(name).c_str(), wide(value).c_str());
}

void clear_environment(const char* name) {
    _wputenv_s(wide(name).c_str(), L"");
}

class WineEnumerationTest : public testing::Test {
protected:
    void TearDown() override {
        clear_environment("POWERSHELL_STAND_IN_RECORD");
        clear_environment("POWERSHELL_STAND_IN_STDOUT");
        clear_environment("POWERSHELL_STAND_IN_EXIT_CODE");
    }

    std::string system_directory() {
        std::array<char16_t, 261> buffer{};
        const std::uint32_t length = platform.get_system_directory(buffer);
        return utf16_to_utf8(std::u16string(buffer.data(), length));
    }

    std::string temp_file(const std::string& name) {
        std::array<char16_t, 261> buffer{};
        const std::uint32_t length = platform.get_temp_path(buffer);
        return utf16_to_utf8(std::u16string(buffer.data(), length)) + name;
    }

    // Runs a program of the system directory to its end; its exit code.
    std::uint32_t run_system_program(const std::string& program, const std::string& arguments) {
        const std::string path = system_directory() + "\\" + program;
        platform::ChildProcess child;
        EXPECT_TRUE(platform.create_process_with_output_pipe(
            utf8_to_utf16(path), utf8_to_utf16("\"" + path + "\" " + arguments),
            platform::CREATE_NO_WINDOW, child));
        std::array<std::uint8_t, 256> buffer{};
        std::uint32_t read = 0;
        while (platform.read_file(child.stdout_read, buffer, read) && read > 0) {
        }
        platform.wait_for_single_object(child.process, 30000);
        std::uint32_t exit_code = 0;
        platform.get_exit_code_process(child.process, exit_code);
        platform.close_handle(child.stdout_read);
        platform.close_handle(child.process);
        return exit_code;
    }

    // An empty file, so a stand-in that never ran leaves no arguments behind.
    void create_empty_file(const std::string& path) {
        const platform::Handle file =
            platform.create_file(utf8_to_utf16(path), platform::GENERIC_WRITE, 0,
                                 platform::CREATE_ALWAYS, platform::FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(platform::is_valid_handle(file));
        platform.close_handle(file);
    }

    // The stand-in's own path, then each argument it received.
    std::vector<std::string> recorded_run(const std::string& path) {
        std::vector<std::string> arguments;
        const platform::Handle file = platform.create_file(
            utf8_to_utf16(path), platform::GENERIC_READ, platform::FILE_SHARE_READ,
            platform::OPEN_EXISTING, platform::FILE_ATTRIBUTE_NORMAL);
        if (!platform::is_valid_handle(file)) return arguments;
        std::string bytes;
        std::array<std::uint8_t, 4096> buffer{};
        std::uint32_t read = 0;
        while (platform.read_file(file, buffer, read) && read > 0)
            bytes.append(buffer.begin(), buffer.begin() + read);
        platform.close_handle(file);
        for (std::size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos;
             start = end + 1) {
            arguments.push_back(bytes.substr(start, end - start));
        }
        return arguments;
    }

    platform::windows::WindowsPlatform platform;
};

std::vector<std::string> debug_events(const std::vector<trace::Event>& events) {
    std::vector<std::string> messages;
    for (const trace::Event& event : events) {
        EXPECT_EQ(event.target, "quartzmon::sensors::disk::enumeration");
        messages.push_back(event.message);
    }
    return messages;
}

// Wine's C: answers the extents query with no extent and Z: cannot be opened,
// so no letter is mapped; every other letter has no volume.
TEST_F(WineEnumerationTest, VolumePassOverWinesDrivesMapsNothing) {
    std::vector<trace::Event> events;
    trace::ScopedSink sink([&](const trace::Event& event) { events.push_back(event); });

    EXPECT_EQ(map_volume_letters(platform), DriveLetterMap{});

    std::vector<std::string> expected;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (letter == 'C' || letter == 'Z') continue;
        expected.push_back(std::string("Skipping virtual drive ") + letter +
                           ": from physical disk mapping");
    }
    EXPECT_EQ(debug_events(events), expected);
    EXPECT_FALSE(is_virtual_volume(platform, 'C'));
}

TEST_F(WineEnumerationTest, StandInPowerShellGetsTheScriptAndItsLinesBecomeTheMap) {
    const std::string record = temp_file("powershell_arguments.bin");
    create_empty_file(record);
    set_environment("POWERSHELL_STAND_IN_RECORD", record);
    set_environment("POWERSHELL_STAND_IN_STDOUT", "0:C\r\n1:d\r\n junk\r\n0:E\r\n");

    EXPECT_EQ(map_drive_letters_with_powershell(platform),
              (DriveLetterMap{{0, {U'C', U'E'}}, {1, {U'D'}}}));

    // The program that ran is the one in the system directory, although a
    // powershell.exe (the stand-in's build output) lies in this test
    // program's own directory, where a search by name would look first.
    const std::string powershell = system_directory() + "\\WindowsPowerShell\\v1.0\\powershell.exe";
    const std::vector<std::string> expected = {powershell,        powershell, "-NoProfile",
                                               "-NonInteractive", "-Command", std::string(DRIVE_LETTER_SCRIPT)};
    EXPECT_EQ(recorded_run(record), expected);
}

TEST_F(WineEnumerationTest, NonzeroPowerShellExitGivesAnEmptyMapDespiteItsOutput) {
    set_environment("POWERSHELL_STAND_IN_STDOUT", "0:C\r\n");
    set_environment("POWERSHELL_STAND_IN_EXIT_CODE", "3");
    EXPECT_EQ(map_drive_letters_with_powershell(platform), DriveLetterMap{});
    EXPECT_EQ(build_drive_letter_map(platform), DriveLetterMap{});
}

TEST_F(WineEnumerationTest, DriveLetterMapFallsBackToPowerShellOnWine) {
    set_environment("POWERSHELL_STAND_IN_STDOUT", "0:E\r\n0:F\r\n");
    EXPECT_EQ(build_drive_letter_map(platform), (DriveLetterMap{{0, {U'E', U'F'}}}));
}

// Wine's dummy PhysicalDrive0 has no texts and reports the SCSI bus.
TEST_F(WineEnumerationTest, WinesDummyDiskIsListedWithTheStandInsLetters) {
    set_environment("POWERSHELL_STAND_IN_STDOUT", "0:C\n");
    std::vector<trace::Event> events;
    trace::ScopedSink sink([&](const trace::Event& event) { events.push_back(event); },
                           trace::Level::Info);

    const std::vector<DiskIdentity> disks = enumerate_physical_disks(platform);

    ASSERT_EQ(disks.size(), 1u);
    const DiskIdentity& disk = disks[0];
    EXPECT_EQ(disk.physical_drive, 0u);
    EXPECT_EQ(disk.device_path, "\\\\.\\PhysicalDrive0");
    EXPECT_EQ(disk.model, "PhysicalDrive0");
    EXPECT_EQ(disk.bus_type, "SCSI");
    EXPECT_EQ(disk.bus_type_code, 1u);
    EXPECT_EQ(disk.internal_protocol, "");
    EXPECT_EQ(disk.drive_letters, std::vector<char32_t>{U'C'});
    EXPECT_FALSE(disk.vid.has_value());
    EXPECT_EQ(debug_events(events),
              std::vector<std::string>{"Enumerated Disk #0: PhysicalDrive0 | Bus: SCSI (code 1) | "
                                       "Bridge: None | Proto: None | Letters: ['C']"});
}

class WineRegistryTest : public WineEnumerationTest {
protected:
    static constexpr const char* DISK_ENUM_KEY =
        "\"HKLM\\SYSTEM\\CurrentControlSet\\Services\\disk\\Enum\"";

    void SetUp() override {
        add_value("0", "USBSTOR\\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\\0123456789&0");
        add_value("1", std::string(600, 'X'));  // 1202 bytes: more than the sensor reads
        add_value("3", "Z");
    }
    void TearDown() override {
        EXPECT_EQ(run_system_program("reg.exe", std::string("delete ") + DISK_ENUM_KEY + " /f"),
                  0u);
        WineEnumerationTest::TearDown();
    }

    void add_value(const std::string& name, const std::string& data) {
        ASSERT_EQ(run_system_program("reg.exe", std::string("add ") + DISK_ENUM_KEY + " /v " +
                                                    name + " /t REG_SZ /d \"" + data + "\" /f"),
                  0u);
    }
};

TEST_F(WineRegistryTest, DiskInstanceIdsComeBackExactly) {
    EXPECT_EQ(disk_instance_id(platform, 0),
              u"USBSTOR\\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\\0123456789&0");
    EXPECT_EQ(disk_instance_id(platform, 1), std::nullopt);
    EXPECT_EQ(disk_instance_id(platform, 2), std::nullopt);
    EXPECT_EQ(disk_instance_id(platform, 3), u"Z");
}

// Wine's configuration manager locates no device, so nothing is identified.
TEST_F(WineRegistryTest, UsbIdentityStaysAbsentWhereNoDeviceIsLocated) {
    const UsbIdentity identity = query_usb_identity(platform, 0);
    EXPECT_FALSE(identity.vid.has_value());
    EXPECT_FALSE(identity.pid.has_value());
    EXPECT_FALSE(identity.bridge.has_value());
}

TEST_F(WineEnumerationTest, DiskInstanceIdIsAbsentWithoutTheDriversList) {
    EXPECT_EQ(disk_instance_id(platform, 0), std::nullopt);
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
