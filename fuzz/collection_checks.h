// What a collection run must give on any machine, whatever its devices
// answer: the document parses, every disk that enumerates has exactly one
// record and one report, in drive order, and every text is valid UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/simulated/simulated_machine.h"
#include "sensors/disk/collection.h"

namespace quartzmon::fuzz {

// The machine of a description the fuzz target knows to be valid.
std::unique_ptr<platform::simulated::SimulatedMachine> valid_machine(const std::string& description);

// The drive numbers enumeration finds on a fresh machine of the description.
std::vector<std::uint32_t> enumerated_drives(const std::string& description);

void check_collection(const sensors::disk::CollectionResult& result,
                      const std::vector<std::uint32_t>& drives);

}  // namespace quartzmon::fuzz
