// A USB-to-NVMe bridge: a SCSI target in front of an NVMe controller. Its
// firmware takes certain vendor command blocks as a read of the controller's
// SMART / Health Information log. Which ones is described as data, not built
// in: vendors' published layouts differ in places, and no bridge at hand
// settles them. Any other command gets the described status and sense, or is
// never completed, so the port driver fails the request.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/devices/nvme_controller.h"
#include "platform/simulated/devices/scsi_target.h"

namespace quartzmon::platform::simulated {

struct UncompletedBridgeCommand {
    std::vector<std::uint8_t> cdb;
    std::uint32_t error = 0;  // what the port driver fails the request with
};

struct NvmeBridge {
    std::vector<std::vector<std::uint8_t>> health_log_commands;  // whole CDBs
    std::vector<UncompletedBridgeCommand> uncompleted_commands;
    ScsiCommandOutcome other_commands;  // the answer to every other command
    NvmeController controller;
};

// Reads "nvme_bridge": the bridge's keys and the controller's keys.
NvmeBridge read_nvme_bridge(JsonObject& object);

// A health log read sends the page from its start into data_in.
ScsiCommandOutcome execute(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                           std::span<std::uint8_t> data_in);

}  // namespace quartzmon::platform::simulated
