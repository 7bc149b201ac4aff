#include "sensors/disk/providers/usb_nvme.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/disk/enumeration/trace_recorder.h"
#include "sensors/disk/text.h"
#include "support/call_log.h"
#include "support/machine.h"
#include "support/real_nvme_page.h"
#include "support/records.h"

namespace quartzmon::sensors::disk::providers {
namespace {

using test_support::describe;

// The three bridge commands as the bridges' vendors would have them read the
// health log; the bridge described in each scenario decides which it takes.
const std::string ASMEDIA = "E6 02 00 00 80 01 02 00 7F 00 00 00 00 00 00 00";
const std::string JMICRON = "A1 80 00 00 02 00 02 00 00 00 00 00";
const std::string REALTEK = "FC 02 00 02 00 00 02 00 00 00 00 00 00 00 00 00";

const char* const ASMEDIA_NAME = "USB NVMe (ASMedia ASM2362 (0xE6))";
const char* const JMICRON_NAME = "USB NVMe (JMicron JMS583 (0xA1))";
const char* const REALTEK_NAME = "USB NVMe (Realtek RTL9210 (0xFC))";

const char* const JMICRON_READ = "USB NVMe (JMicron (0xA1, three phases))";

const std::string TRACE = "INFO quartzmon::sensors::disk::providers::usb_nvme: PhysicalDrive0: ";

// A bridge of one family, reading the health log at 318 K.
std::string family(const std::string& name, const std::string& more = "") {
    return R"("nvme_bridge": { "family": ")" + name +
           R"(", "health_log": { "composite_kelvin": 318 })" + more + " }";
}

// A bridge that reads the health log with the given command blocks.
std::string bridge(const std::string& commands, const std::string& more = "") {
    return R"("nvme_bridge": { "health_log_commands": [ )" + commands + " ]" + more + " }";
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

ProviderDiagnostic failed(const char* name, std::uint8_t op_code, std::uint32_t error,
                          std::optional<std::uint8_t> status, std::uint8_t key, std::uint8_t asc,
                          std::string detail) {
    ProviderDiagnostic made;
    made.provider_name = name;
    made.result = "FAILED";
    made.win32_error = error;
    made.scsi_op_code = op_code;
    made.data_transfer_length = 512;
    made.scsi_status = status;
    if (key != 0) made.sense_key = key;
    if (asc != 0) made.asc = asc;
    made.detail = std::move(detail);
    return made;
}

ProviderDiagnostic rejected(const char* name, std::uint8_t op_code, std::uint32_t error = 0,
                            std::uint8_t asc = 0x20) {
    return failed(name, op_code, error, 2, 5, asc,
                  "USB NVMe passthrough failed: ScsiStatus=2, SenseKey=0x05, ASC=0x" + hex2(asc) +
                      ", ASCQ=0x00, Win32Error=" + std::to_string(error));
}

// A command never completed: both forms time out with ERROR_SEM_TIMEOUT.
ProviderDiagnostic timed_out(const char* name, std::uint8_t op_code) {
    return failed(name, op_code, 121, std::nullopt, 0, 0,
                  "USB NVMe passthrough failed: ScsiStatus=255, SenseKey=0x00, ASC=0x00, "
                  "ASCQ=0x00, Win32Error=121");
}

ProviderDiagnostic not_sent(const char* name, std::uint8_t op_code) {
    return failed(name, op_code, 0, std::nullopt, 0, 0,
                  "Not sent: this USB device is known to hang or disconnect on SCSI operation "
                  "code 0x" +
                      hex2(op_code));
}

ProviderDiagnostic implausible(const char* name, std::uint8_t op_code) {
    return failed(name, op_code, 0, 0, 0, 0,
                  "USB NVMe passthrough failed: ScsiStatus=0, SenseKey=0x00, ASC=0x00, "
                  "ASCQ=0x00, Win32Error=0");
}

ProviderDiagnostic succeeded(const char* name, std::uint8_t op_code, std::uint16_t kelvin,
                             float celsius, std::string detail) {
    ProviderDiagnostic made;
    made.provider_name = name;
    made.result = "SUCCESS";
    made.raw_value = kelvin;
    made.temperature_c = celsius;
    made.scsi_op_code = op_code;
    made.data_transfer_length = 512;
    made.scsi_status = 0;
    made.sense_key = 0;
    made.asc = 0;
    made.ascq = 0;
    made.detail = std::move(detail);
    return made;
}

ProviderDiagnostic open_failed(std::string detail) {
    ProviderDiagnostic made;
    made.provider_name = "USB NVMe Bridge";
    made.result = "FAILED";
    made.win32_error = 5;
    made.detail = std::move(detail);
    return made;
}

DiskHealthRecord record(const char* provider, std::vector<ProviderDiagnostic> attempts) {
    DiskHealthRecord made;
    made.internal_protocol = "NVMe";
    made.provider_name = provider;
    made.health_status = HealthStatus::Unavailable;
    made.provider_diagnostics = std::move(attempts);
    made.timestamp = "10:20:30";
    return made;
}

DiskHealthRecord reading(DiskHealthRecord made, HealthStatus status, float celsius,
                         std::uint8_t wear, std::uint8_t warning, std::uint32_t kelvin) {
    made.health_status = status;
    made.temperature_celsius = celsius;
    made.temperature_sensors = {celsius};
    made.wear_percentage = wear;
    made.critical_warning = warning;
    made.raw_temperature = kelvin;
    return made;
}

// A request the bridge never completes waits for the 3-second timeout; one of
// the three variants is sent in both forms, a JMicron phase only once.
DiskHealthRecord after_timeouts(DiskHealthRecord made, int timeouts) {
    made.timestamp = "10:20:3" + std::to_string(timeouts * 3);
    return made;
}

struct Scenario {
    const char* name;
    std::string disk;  // members of disk 0's description
    DiskHealthRecord expected;
    std::vector<std::string> trace = {};
    std::vector<std::string> pass_through_calls = {};  // checked when given
    // The NVMe bridge enumeration identified; none leaves the protocol unnamed.
    const char* identified = "";
    std::optional<std::uint8_t> mishandled_op_code = std::nullopt;
};

enumeration::DiskIdentity identity_of(const Scenario& scenario) {
    if (std::string(scenario.identified).empty()) return test_support::usb_disk("");
    enumeration::DiskIdentity disk = test_support::usb_disk("NVMe");
    disk.bridge_vendor = scenario.identified;
    disk.nvme_read_family = enumeration::family_of_vendor(scenario.identified);
    disk.mishandled_op_code = scenario.mishandled_op_code;
    return disk;
}

// The three variants as a bridge of one family answers them: the ASMedia
// firmware finds an invalid field in the first, the JMicron firmware in the
// second, and every firmware knows no other operation code.
std::vector<ProviderDiagnostic> variants_refused_by(const std::string& family_name,
                                                    std::uint32_t error = 0) {
    return {rejected(ASMEDIA_NAME, 0xE6, error, family_name == "asmedia" ? 0x24 : 0x20),
            rejected(JMICRON_NAME, 0xA1, error, family_name == "jmicron" ? 0x24 : 0x20),
            rejected(REALTEK_NAME, 0xFC, error)};
}

std::vector<ProviderDiagnostic> plus(std::vector<ProviderDiagnostic> attempts,
                                     ProviderDiagnostic attempt) {
    attempts.push_back(std::move(attempt));
    return attempts;
}

// The three variants refused, then the family's read of the page at 318 K.
DiskHealthRecord family_read(const std::string& family_name, std::uint8_t op_code,
                             const std::string& shown, std::uint32_t error = 0) {
    const std::string provider = "USB NVMe (" + shown + ")";
    return reading(
        record(provider.c_str(), plus(variants_refused_by(family_name, error),
                                      succeeded(provider.c_str(), op_code, 318, 44.850006f,
                                                "NVMe Health Log read successful via " + shown +
                                                    " (Raw: 318 K, Temp: 44.9°C)"))),
        HealthStatus::Healthy, 44.850006f, 2, 0, 318);
}

std::string pass_through(const char* form, const char* sizes, const std::string& result,
                         const std::string& cdb, const std::string& end) {
    return std::string("DeviceIoControl(0x100, ") + form + ", " + sizes + ") -> " + result +
           ", CDB " + cdb + end;
}

std::vector<std::string> pass_through_calls(const std::vector<std::string>& log) {
    std::vector<std::string> calls;
    for (const std::string& call : test_support::calls_to(log, {"DeviceIoControl"})) {
        if (call.find("SCSI_PASS_THROUGH") != std::string::npos) calls.push_back(call);
    }
    return calls;
}

// Disk 0 is a USB disk with no protocol named by enumeration; the record
// always says NVMe.
TEST(UsbNvmeBridgeProvider, Scenarios) {
    const auto& real = test_support::REAL_NVME_PAGE;
    const char* const direct = "IOCTL_SCSI_PASS_THROUGH_DIRECT";
    const char* const buffered = "IOCTL_SCSI_PASS_THROUGH";
    std::vector<Scenario> scenarios{
        {"carried error; the third variant reads",
         bridge(quoted(REALTEK), R"(,
             "uncompleted_commands": [ { "cdb": ")" +
                                     ASMEDIA + R"(", "error": 1 } ],
             "other_commands": { "sense_key": 5, "asc": 36 },
             "health_log": { "composite_kelvin": 318, "percentage_used": 3 })"),
         after_timeouts(
             reading(record(REALTEK_NAME,
                            {failed(ASMEDIA_NAME, 0xE6, 1, std::nullopt, 0, 0,
                                    "USB NVMe passthrough failed: ScsiStatus=255, SenseKey=0x00, "
                                    "ASC=0x00, ASCQ=0x00, Win32Error=1"),
                             failed(JMICRON_NAME, 0xA1, 1, 2, 5, 0x24,
                                    "USB NVMe passthrough failed: ScsiStatus=2, SenseKey=0x05, "
                                    "ASC=0x24, ASCQ=0x00, Win32Error=1"),
                             succeeded(REALTEK_NAME, 0xFC, 318, 44.850006f,
                                       "NVMe Health Log read successful via Realtek RTL9210 (0xFC) "
                                       "(Raw: 318 K, Temp: 44.9°C)")}),
                     HealthStatus::Healthy, 44.850006f, 3, 0, 318),
             2),
         {TRACE + "USB-NVMe [Realtek RTL9210 (0xFC)] SUCCESS: 44.9°C"}},
        {"373 K is read",
         bridge(quoted(ASMEDIA), R"(, "health_log": { "composite_kelvin": 373 })"),
         reading(record(ASMEDIA_NAME,
                        {succeeded(ASMEDIA_NAME, 0xE6, 373, 99.850006f,
                                   "NVMe Health Log read successful via ASMedia ASM2362 (0xE6) "
                                   "(Raw: 373 K, Temp: 99.9°C)")}),
                 HealthStatus::Healthy, 99.850006f, 2, 0, 373),
         {TRACE + "USB-NVMe [ASMedia ASM2362 (0xE6)] SUCCESS: 99.9°C"}},
        {"374 K is no reading",
         bridge(quoted(ASMEDIA), R"(, "health_log": { "composite_kelvin": 374 })"),
         record("USB NVMe (Failed)", {implausible(ASMEDIA_NAME, 0xE6), rejected(JMICRON_NAME, 0xA1),
                                      rejected(REALTEK_NAME, 0xFC)})},
        {"273 K is no reading",
         bridge(quoted(JMICRON), R"(, "health_log": { "composite_kelvin": 273 })"),
         record("USB NVMe (Failed)", {rejected(ASMEDIA_NAME, 0xE6), implausible(JMICRON_NAME, 0xA1),
                                      rejected(REALTEK_NAME, 0xFC)})},
        {"every command rejected, the direct form refused",
         bridge("") + R"(, "scsi_pass_through": { "direct_error": 50 })",
         record("USB NVMe (Failed)",
                {rejected(ASMEDIA_NAME, 0xE6, 50), rejected(JMICRON_NAME, 0xA1, 50),
                 rejected(REALTEK_NAME, 0xFC, 50)}),
         {},
         {pass_through(direct, "in 88, out 88", "FALSE, 0 bytes", ASMEDIA, ", error 50"),
          pass_through(buffered, "in 600, out 600", "TRUE, 74 bytes", ASMEDIA, ", status 2"),
          pass_through(direct, "in 88, out 88", "FALSE, 0 bytes", JMICRON, ", error 50"),
          pass_through(buffered, "in 600, out 600", "TRUE, 74 bytes", JMICRON, ", status 2"),
          pass_through(direct, "in 88, out 88", "FALSE, 0 bytes", REALTEK, ", error 50"),
          pass_through(buffered, "in 600, out 600", "TRUE, 74 bytes", REALTEK, ", status 2")}},
        {"a buffered reading clears the carried error; critical warning",
         bridge(quoted(ASMEDIA),
                R"(, "health_log": { "critical_warning": 2, "composite_kelvin": 318 })") +
             R"(, "scsi_pass_through": { "direct_error": 1 })",
         reading(record(ASMEDIA_NAME,
                        {succeeded(ASMEDIA_NAME, 0xE6, 318, 44.850006f,
                                   "NVMe Health Log read successful via ASMedia ASM2362 (0xE6) "
                                   "(Raw: 318 K, Temp: 44.9°C)")}),
                 HealthStatus::Critical, 44.850006f, 2, 2, 318),
         {TRACE + "USB-NVMe [ASMedia ASM2362 (0xE6)] SUCCESS: 44.9°C"}},
        {"a buffered GOOD status clears the carried error, a failed call sets it again",
         bridge(quoted(ASMEDIA), R"(, "health_log": { "composite_kelvin": 374 })") +
             R"(, "scsi_pass_through": { "direct_error": 1 })",
         record("USB NVMe (Failed)",
                {implausible(ASMEDIA_NAME, 0xE6), rejected(JMICRON_NAME, 0xA1, 1),
                 rejected(REALTEK_NAME, 0xFC, 1)})},
        {"a completed direct request without data is sent again buffered",
         bridge(quoted(ASMEDIA), R"(, "health_log": { "composite_kelvin": 318 })") +
             R"(, "scsi_pass_through": { "direct_data_zero": true })",
         reading(record(ASMEDIA_NAME,
                        {succeeded(ASMEDIA_NAME, 0xE6, 318, 44.850006f,
                                   "NVMe Health Log read successful via ASMedia ASM2362 (0xE6) "
                                   "(Raw: 318 K, Temp: 44.9°C)")}),
                 HealthStatus::Healthy, 44.850006f, 2, 0, 318),
         {TRACE + "USB-NVMe [ASMedia ASM2362 (0xE6)] SUCCESS: 44.9°C"},
         {pass_through(direct, "in 88, out 88", "TRUE, 56 bytes", ASMEDIA,
                       " (NVMe health log read), status 0"),
          pass_through(buffered, "in 600, out 600", "TRUE, 600 bytes", ASMEDIA,
                       " (NVMe health log read), status 0")}},
        {"sense in descriptor format",
         bridge("", R"(, "other_commands": { "sense_format": "descriptor", "asc": 36 })"),
         record("USB NVMe (Failed)",
                {rejected(ASMEDIA_NAME, 0xE6, 0, 0x24), rejected(JMICRON_NAME, 0xA1, 0, 0x24),
                 rejected(REALTEK_NAME, 0xFC, 0, 0x24)})},
        {"ASMedia: the family's read after the three variants",
         family("asmedia"),
         family_read("asmedia", 0xE6, "ASMedia (0xE6, Get Log Page 02h)"),
         {TRACE + "USB-NVMe [ASMedia (0xE6, Get Log Page 02h)] SUCCESS: 44.9°C"},
         {},
         "ASMedia"},
        {"Realtek: the family's read after the three variants",
         family("realtek"),
         family_read("realtek", 0xE4, "Realtek (0xE4, Get Log Page 02h)"),
         {TRACE + "USB-NVMe [Realtek (0xE4, Get Log Page 02h)] SUCCESS: 44.9°C"},
         {},
         "Realtek"},
        {"JMicron: three phases, the command block sent buffered",
         family("jmicron") + R"(, "scsi_pass_through": { "direct_error": 1 })",
         family_read("jmicron", 0xA1, "JMicron (0xA1, three phases)", 1),
         {TRACE + "USB-NVMe [JMicron (0xA1, three phases)] SUCCESS: 44.9°C"},
         {},
         "JMicron"},
        {"JMicron: no phase resent when it brought nothing; the carried error stays",
         family("jmicron",
                R"(, "uncompleted_commands": [ { "cdb": ")" + ASMEDIA + R"(", "error": 1 } ])") +
             R"(, "scsi_pass_through": { "direct_data_zero": true })",
         after_timeouts(
             record("USB NVMe (Failed)",
                    {failed(ASMEDIA_NAME, 0xE6, 1, std::nullopt, 0, 0,
                            "USB NVMe passthrough failed: ScsiStatus=255, SenseKey=0x00, "
                            "ASC=0x00, ASCQ=0x00, Win32Error=1"),
                     rejected(JMICRON_NAME, 0xA1, 1, 0x24), rejected(REALTEK_NAME, 0xFC, 1),
                     failed(JMICRON_READ, 0xA1, 1, 0, 0, 0,
                            "USB NVMe passthrough failed: ScsiStatus=0, SenseKey=0x00, ASC=0x00, "
                            "ASCQ=0x00, Win32Error=1")}),
             2),
         {},
         {},
         "JMicron"},
        {"JMicron: the drive fails the command, the response says so",
         R"("nvme_bridge": { "family": "jmicron", "log_page_status": 130 })",
         record("USB NVMe (Failed)",
                plus(variants_refused_by("jmicron"), implausible(JMICRON_READ, 0xA1))),
         {},
         {},
         "JMicron"},
        {"an unidentified bridge gets no family read", family("asmedia"),
         record("USB NVMe (Failed)", variants_refused_by("asmedia"))},
        {"only the identified family's read is sent",
         family("asmedia"),
         record("USB NVMe (Failed)",
                plus(variants_refused_by("asmedia"),
                     rejected("USB NVMe (Realtek (0xE4, Get Log Page 02h))", 0xE4))),
         {},
         {},
         "Realtek"},
        {"nothing with the operation code the device mishandles is sent",
         family("asmedia"),
         record("USB NVMe (Failed)",
                {not_sent(ASMEDIA_NAME, 0xE6), rejected(JMICRON_NAME, 0xA1),
                 rejected(REALTEK_NAME, 0xFC),
                 not_sent("USB NVMe (ASMedia (0xE6, Get Log Page 02h))", 0xE6)}),
         {},
         {},
         "ASMedia",
         0xE6},
        {"no access mask opens the disk", R"("open": { "other": 5 })",
         record("USB NVMe Bridge (Failed)",
                {open_failed(R"(Failed to open handle to USB NVMe drive \\.\PhysicalDrive0 )"
                             "(Win32Error: 5)")})},
        {"the real page; a bridge that takes a variant is read by it alone",
         bridge(quoted(ASMEDIA), R"(, "family": "asmedia", "health_log": { "hex": ")" +
                                     test_support::real_nvme_page_hex() + "\" }"),
         reading(record(ASMEDIA_NAME,
                        {succeeded(ASMEDIA_NAME, 0xE6, real.raw_temperature_kelvin,
                                   real.temperature_celsius,
                                   "NVMe Health Log read successful via ASMedia ASM2362 (0xE6) "
                                   "(Raw: 314 K, Temp: 40.9°C)")}),
                 real.health_status, real.temperature_celsius, real.percentage_used,
                 real.critical_warning, real.raw_temperature_kelvin),
         {TRACE + "USB-NVMe [ASMedia ASM2362 (0xE6)] SUCCESS: 40.9°C"},
         {},
         "ASMedia"},
    };
    // JMicron: the attempt ends at whichever phase never completes, which is
    // not sent again: the device may have taken it.
    for (const char* phase : {"80", "82", "8F"}) {
        scenarios.push_back(
            {"JMicron: a phase never completes",
             family("jmicron", R"(, "uncompleted_commands": [ { "cdb": "A1 )" + std::string(phase) +
                                   R"( 00 00 02 00 00 00 00 00 00 00", "error": 121 } ])"),
             after_timeouts(record("USB NVMe (Failed)", plus(variants_refused_by("jmicron"),
                                                             timed_out(JMICRON_READ, 0xA1))),
                            1),
             {},
             {},
             "JMicron"});
    }
    for (const Scenario& scenario : scenarios) {
        auto machine = test_support::make_machine(
            R"({ "clock": { "local_time": "2024-05-14T10:20:30.000" },
                 "disks": [ { )" +
            scenario.disk + " } ] }");
        const UsbNvmeBridgeProvider provider(*machine);
        test_support::TraceRecorder trace(trace::Level::Info);

        const auto result = provider.query(identity_of(scenario));

        ASSERT_TRUE(result) << scenario.name << ": the provider never fails";
        EXPECT_EQ(describe(*result), describe(scenario.expected)) << scenario.name;
        EXPECT_EQ(trace.events(), scenario.trace) << scenario.name;
        if (scenario.pass_through_calls.empty()) continue;
        EXPECT_EQ(pass_through_calls(machine->call_log()), scenario.pass_through_calls)
            << scenario.name;
    }
}

TEST(UsbNvmeBridgeProvider, SupportsUsbDisksThatMayHoldNvme) {
    const UsbNvmeBridgeProvider provider(*test_support::make_machine("{}"));
    EXPECT_TRUE(provider.supports(test_support::usb_disk("NVMe")));
    EXPECT_TRUE(provider.supports(test_support::usb_disk("")));
    EXPECT_FALSE(provider.supports(test_support::usb_disk("SATA")));
    EXPECT_FALSE(provider.supports(test_support::nvme_disk()));
}

}  // namespace
}  // namespace quartzmon::sensors::disk::providers
