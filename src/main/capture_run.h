// The capture program: one collection as the sensor runs it, on a recording
// platform, then the machine description built from what was recorded.
//
//   disk_sensor_capture.exe --out FILE [--ipc DOC] [--anonymize]
//
// FILE receives the description, DOC the result document of the recorded run.
// --anonymize replaces serial numbers and volume labels in the description
// (not in DOC). Nothing is shown and the exit code is always 0; a file that
// cannot be written is left out, as the sensor leaves out its result file.
#pragma once

#include <span>
#include <string>

#include "platform/platform.h"

namespace quartzmon {

int run_capture(platform::Platform& platform, std::span<const std::u16string> arguments);

}  // namespace quartzmon
