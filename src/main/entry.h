// The program: read the command line, run one collection, write the result file.
#pragma once

#include <span>
#include <string>

#include "platform/platform.h"

namespace quartzmon {

// Runs the sensor once on the given platform with the process's arguments (the
// program's own path first) and returns the process exit code, always 0.
int run_sensor(platform::Platform& platform, std::span<const std::u16string> arguments);

}  // namespace quartzmon
