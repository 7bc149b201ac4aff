// Timings of the sensor's own work on the simulated machine: whole collection
// runs, the per-disk cost from 1 to 16 disks, the two parsers on real device
// data and the JSON writer. The simulated machine's call log, one text line per
// platform call, is part of every collection timing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "main/json_writer.h"
#include "platform/simulated/simulated_machine.h"
#include "sensors/disk/collection.h"
#include "sensors/disk/providers/nvme_health_log.h"
#include "sensors/disk/providers/smart_attributes.h"

namespace {

using quartzmon::platform::simulated::SimulatedMachine;
namespace disk = quartzmon::sensors::disk;

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::unique_ptr<SimulatedMachine> machine_or_exit(
    std::expected<std::unique_ptr<SimulatedMachine>, std::string> machine) {
    if (machine) return std::move(*machine);
    std::fprintf(stderr, "%s\n", machine.error().c_str());
    std::exit(2);
}

std::unique_ptr<SimulatedMachine> described_machine(const char* file) {
    return machine_or_exit(SimulatedMachine::from_file(std::filesystem::path(MACHINES_DIR) / file));
}

// N SATA disks read through ATA SMART: the same work for every disk.
std::unique_ptr<SimulatedMachine> sata_machine(std::int64_t disks) {
    std::string description = R"({ "disks": [)";
    for (std::int64_t i = 0; i < disks; ++i) {
        if (i > 0) description += ",";
        description += R"({ "properties": { "StorageDeviceProperty": { "bus_type": 11 } } })";
    }
    return machine_or_exit(SimulatedMachine::from_json(description + "] }", "sata machine"));
}

void run_collections(benchmark::State& state, SimulatedMachine& machine) {
    for (auto _ : state) {
        machine.clear_call_log();
        benchmark::DoNotOptimize(disk::collect_disk_health(machine));
    }
}

void DefaultMachine(benchmark::State& state) {
    run_collections(state, *described_machine("default.json"));
}
BENCHMARK(DefaultMachine)->Unit(benchmark::kMicrosecond);

void SixteenDisks(benchmark::State& state) {
    run_collections(state, *described_machine("sixteen_disks.json"));
}
BENCHMARK(SixteenDisks)->Unit(benchmark::kMicrosecond);

void SataDisks(benchmark::State& state) {
    run_collections(state, *sata_machine(state.range(0)));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(SataDisks)
    ->DenseRange(1, 16, 3)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

void SmartAttributes(benchmark::State& state) {
    const std::vector<std::uint8_t> block =
        read_bytes(std::filesystem::path(TEST_DATA_DIR) / "smart/ST9160821AS--3.CLH.bin");
    for (auto _ : state)
        benchmark::DoNotOptimize(disk::providers::parse_ata_smart_attributes(block, "ST9160821AS"));
}
BENCHMARK(SmartAttributes);

void NvmeHealthLog(benchmark::State& state) {
    const std::vector<std::uint8_t> page =
        read_bytes(std::filesystem::path(TEST_DATA_DIR) / "nvme/ecclesia_smart_log_page_test.bin");
    for (auto _ : state) benchmark::DoNotOptimize(disk::providers::parse_nvme_health_log(page));
}
BENCHMARK(NvmeHealthLog);

void JsonWriterSixteenDisks(benchmark::State& state) {
    auto machine = described_machine("sixteen_disks.json");
    const disk::CollectionResult result = disk::collect_disk_health(*machine);
    for (auto _ : state) benchmark::DoNotOptimize(quartzmon::serialize_pretty(result));
}
BENCHMARK(JsonWriterSixteenDisks)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
