// A machine drawn from the input (machine_from_input.h), a run on it recorded
// through the recording platform, the description the capture builds from
// that recording, and a run replayed on it: the replayed run writes the
// recorded run's document, byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/machine_from_recording.h"
#include "collection_checks.h"
#include "invariant.h"
#include "machine_from_input.h"
#include "main/entry.h"
#include "platform/recording/recording_platform.h"

using quartzmon::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto machine =
        quartzmon::fuzz::valid_machine(quartzmon::fuzz::machine_from_input(std::span(data, size)));
    quartzmon::platform::recording::RecordingPlatform recorder(*machine);
    const std::vector<std::uint8_t> recorded = quartzmon::collect_document(recorder);

    const std::string captured =
        quartzmon::capture::build_machine_description(recorder.calls()).dump(2);
    const auto replayed = quartzmon::fuzz::valid_machine(captured);
    require(quartzmon::collect_document(*replayed) == recorded,
            "the replayed run writes the recorded document");
    return 0;
}
