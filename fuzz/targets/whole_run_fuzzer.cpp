// A whole collection run on a simulated machine whose every device reply is
// drawn from the input. Whatever the devices answer, the run gives what every
// run must (collection_checks.h) and takes no longer than its disks allow.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "collection_checks.h"
#include "invariant.h"
#include "machine_from_input.h"

using quartzmon::fuzz::require;

namespace {

// The longest a disk can hold the run up (an NVMe disk reporting removable
// media that answers nothing: 9 property queries of 10 s, 14 pass-through
// requests of 3 s) and the longest the PowerShell child is waited for, in
// milliseconds.
constexpr std::uint64_t WORST_CASE_PER_DISK_MS = 132'000;
constexpr std::uint64_t POWERSHELL_WAIT_MS = 60'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string description = quartzmon::fuzz::machine_from_input(std::span(data, size));
    const std::vector<std::uint32_t> drives = quartzmon::fuzz::enumerated_drives(description);

    const auto machine = quartzmon::fuzz::valid_machine(description);
    const std::uint64_t start = machine->get_tick_count64();
    const auto result = quartzmon::sensors::disk::collect_disk_health(
        *machine, {quartzmon::fuzz::leaves_sleeping_disks(std::span(data, size))});
    const std::uint64_t elapsed = machine->get_tick_count64() - start;

    quartzmon::fuzz::check_collection(result, drives);
    require(elapsed <= drives.size() * WORST_CASE_PER_DISK_MS + POWERSHELL_WAIT_MS,
            "the run takes no longer than its disks allow");
    return 0;
}
