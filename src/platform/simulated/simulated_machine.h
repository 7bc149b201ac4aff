// The simulated Windows machine: a Platform built from a JSON machine
// description. It models Windows and the devices, not the sensor: it decodes
// each request as the driver or device would and answers from the description.
// Every call is recorded in order in the call log. Files (the result file, the
// temp directory) are real files of the host file system.
#pragma once

#include <expected>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace quartzmon::platform::simulated {

class SimulatedMachine : public Platform {
public:
    // Builds a machine from description text. On a malformed description the
    // error names source_name and the place in the description (a JSON pointer).
    static std::expected<std::unique_ptr<SimulatedMachine>, std::string> from_json(
        std::string_view description, std::string_view source_name);
    static std::expected<std::unique_ptr<SimulatedMachine>, std::string> from_file(
        const std::filesystem::path& path);

    // One line per platform call, in call order (format in machines/README.md).
    virtual const std::vector<std::string>& call_log() const = 0;
    virtual void clear_call_log() = 0;
};

}  // namespace quartzmon::platform::simulated
