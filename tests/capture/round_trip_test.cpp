// A run recorded on a simulated machine, its machine description built, and
// the run replayed on that description: both documents are the same, byte for
// byte. The recording itself changes nothing: the recorded run's document is
// the one a run without it writes. A second capture of the same machine is the
// same description, which holds no address of the capturing process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "capture/machine_from_recording.h"
#include "machine_from_input.h"
#include "main/entry.h"
#include "platform/description/hex_text.h"
#include "platform/recording/recording_platform.h"
#include "platform/windows_layouts.h"
#include "support/machine.h"

namespace quartzmon {
namespace {

using platform::recording::RecordedCall;
using platform::recording::RecordingPlatform;
using test_support::make_machine;

struct Machine {
    std::string name;
    std::string description;
    bool leave_sleeping_disks = false;
};

std::string text_of(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every machine in machines/, and machines for what those do not reach: the
// PowerShell child (no volume answers), a child that never exits, device
// requests that time out, a token that cannot be read, a USB enclosure found
// through the registry and the device tree, and every call failing (opens,
// volumes, the token, the child's start, a registry text without its zero, a
// device node that cannot be located).
std::vector<Machine> machines() {
    std::vector<Machine> all;
    for (const auto& entry : std::filesystem::directory_iterator(MACHINES_DIR)) {
        if (entry.path().extension() == ".json")
            all.push_back({entry.path().stem().string(), text_of(entry.path())});
    }
    std::ranges::sort(all, {}, &Machine::name);
    // The standby check's answers: the system's three, and the drive's.
    all.push_back(
        {"sleeping_disks_left_asleep", text_of(MACHINES_DIR "/sleeping_disks.json"), true});
    all.push_back({"system_power_states", R"({ "disks": [
        { "properties": { "StorageDeviceProperty": { "bus_type": 11 } }, "device_power_state": { "on": false } },
        { "properties": { "StorageDeviceProperty": { "bus_type": 11 } }, "device_power_state": { "error": 1 } } ] })",
                   true});
    const std::string powershell =
        R"("C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe")";
    all.push_back({"powershell_maps_letters",
                   R"({
        "disks": [ { "properties": { "StorageDeviceProperty": { "bus_type": 17 } } } ],
        "volumes": { "C": { "label": "System" }, "E": { "label": "Data", "open_error": 5 } },
        "programs": { )" +
                       powershell + R"(: { "stdout": "0:C\n0:E\n", "exits_after_ms": 1500 } } })"});
    all.push_back({"powershell_never_exits", R"({
        "disks": [ { } ],
        "volumes": { "C": { } },
        "programs": { )" + powershell + R"(: { "stdout": "0:C", "never_exits": true } } })"});
    all.push_back({"silent_usb_enclosure", R"({
        "token": { "information_error": 87 },
        "disks": [ { "properties": { "StorageDeviceProperty": { "product_id": "Ext", "bus_type": 7 } },
                     "sat_bridge": { "dialects": [ "jmicron" ] }, "silent": true } ] })"});
    all.push_back({"usb_enclosure_found_through_device_tree", R"({
        "disks": [ { "properties": { "StorageDeviceProperty": { "product_id": "Ext", "bus_type": 7 } },
                     "sat_bridge": { "dialects": [ "sat12" ] },
                     "scsi_pass_through": { "direct_data_zero": true } } ],
        "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {
            "0": "USBSTOR\\Disk&Ven_JMicron&Prod_Ext&Rev_0104\\0123456789AB&0" } },
        "device_tree": [
            { "id": "USBSTOR\\Disk&Ven_JMicron&Prod_Ext&Rev_0104\\0123456789AB&0",
              "parent": "USB\\VID_152D&PID_0578\\0123456789AB" },
            { "id": "USB\\VID_152D&PID_0578\\0123456789AB", "parent_error": 13 } ] })"});
    all.push_back({"every_call_fails", R"({
        "token": { "open_error": 5 },
        "temp": { "has_get_temp_path2": false },
        "disks": [ { "open": { "0x0": 5, "0x80000000": 5, "other": 5 } },
                   { "number": 2, "properties": { "StorageDeviceProperty": { "product_id": "Ext", "bus_type": 7 } } } ],
        "volumes": { "C": { "volume_information_error": 21, "dos_device_error": 2 },
                     "D": { "drive_type": "DRIVE_REMOTE", "open_error": 2 } },
        "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {
            "2": { "type": 1, "hex": "55 00 53 00 42 00 53 00 54 00 4F 00 52 00 5C 00 58 00 5C 00 31 00 26 00 30 00" } } },
        "device_tree": [ { "id": "USBSTOR\\X\\1&0", "locate_error": 19 } ],
        "programs": { )" + powershell + R"(: { "start_error": 5 } } })"});
    return all;
}

// Machines from the whole-run fuzz corpus, spread evenly over its sorted names:
// replies no hand-written machine thinks of.
constexpr std::size_t FUZZ_SAMPLE_SIZE = 20;

std::vector<Machine> fuzz_corpus_machines() {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(WHOLE_RUN_CORPUS_DIR))
        inputs.push_back(entry.path());
    std::ranges::sort(inputs);
    std::vector<Machine> sample;
    const std::size_t step = std::max<std::size_t>(1, inputs.size() / FUZZ_SAMPLE_SIZE);
    for (std::size_t i = 0; i < inputs.size() && sample.size() < FUZZ_SAMPLE_SIZE; i += step) {
        const std::string input = text_of(inputs[i]);
        std::string name = "fuzz_" + inputs[i].filename().string();
        std::ranges::replace_if(
            name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        sample.push_back(
            {name, fuzz::machine_from_input(std::span(
                       reinterpret_cast<const std::uint8_t*>(input.data()), input.size()))});
    }
    return sample;
}

void PrintTo(const Machine& machine, std::ostream* out) {
    *out << machine.name;
}

std::string captured_description(const std::string& machine_description,
                                 const sensors::disk::CollectionOptions& options) {
    auto machine = make_machine(machine_description);
    RecordingPlatform recorder(*machine);
    collect_document(recorder, options);
    return capture::build_machine_description(recorder.calls()).dump(2);
}

// Each direct request's DataBuffer as the description would write it.
std::vector<std::string> direct_buffer_addresses(std::span<const RecordedCall> calls) {
    namespace sptd = platform::layout::SCSI_PASS_THROUGH_DIRECT;
    std::vector<std::string> addresses;
    for (const RecordedCall& call : calls) {
        if (call.code == platform::IOCTL_SCSI_PASS_THROUGH_DIRECT &&
            call.input.size() >= sptd::size)
            addresses.push_back(platform::description::hex_text(
                std::span(call.input).subspan(sptd::DataBuffer, sizeof(std::uint64_t))));
    }
    return addresses;
}

class RoundTrip : public testing::TestWithParam<Machine> {};

TEST_P(RoundTrip, TheReplayedRunWritesTheRecordedDocument) {
    const sensors::disk::CollectionOptions options{GetParam().leave_sleeping_disks};
    const std::vector<std::uint8_t> unrecorded =
        collect_document(*make_machine(GetParam().description), options);

    auto machine = make_machine(GetParam().description);
    RecordingPlatform recorder(*machine);
    const std::vector<std::uint8_t> recorded = collect_document(recorder, options);
    EXPECT_EQ(recorded, unrecorded);

    const std::string description = capture::build_machine_description(recorder.calls()).dump(2);
    auto replayed = make_machine(description);
    EXPECT_EQ(collect_document(*replayed, options), recorded) << description;
    EXPECT_EQ(captured_description(GetParam().description, options), description);
    for (const std::string& address : direct_buffer_addresses(recorder.calls()))
        EXPECT_EQ(description.find(address), std::string::npos) << address;
    // What a data-out request sent is its key, never data for the caller.
    for (const auto& disk : nlohmann::json::parse(description).value("disks", nlohmann::json()))
        for (const auto& reply : disk.value("replay", nlohmann::json()))
            EXPECT_FALSE(reply["request"].value("data_in", 1) == 0 &&
                         reply.contains("direct_data"));
}

INSTANTIATE_TEST_SUITE_P(EveryMachine, RoundTrip, testing::ValuesIn(machines()),
                         [](const testing::TestParamInfo<Machine>& machine) {
                             return machine.param.name;
                         });
INSTANTIATE_TEST_SUITE_P(FuzzCorpusSample, RoundTrip, testing::ValuesIn(fuzz_corpus_machines()),
                         [](const testing::TestParamInfo<Machine>& machine) {
                             return machine.param.name;
                         });

}  // namespace
}  // namespace quartzmon
