// The program: read the command line, run one collection, write the result file.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sensors/disk/collection.h"

namespace quartzmon {

// Runs the sensor once on the given platform with the process's arguments (the
// program's own path first) and returns the process exit code, always 0.
int run_sensor(platform::Platform& platform, std::span<const std::u16string> arguments);

// One collection on the given platform as the program runs it, the error mode
// set first: the result document's bytes.
std::vector<std::uint8_t> collect_document(platform::Platform& platform,
                                           const sensors::disk::CollectionOptions& options = {});

}  // namespace quartzmon
