// A USB-to-NVMe bridge: a SCSI target in front of an NVMe controller. Its
// firmware belongs to a family whose vendor command it decodes at the
// family's published field positions (ASMedia E6h, JMicron A1h in three
// phases, Realtek E4h) and hands on to the controller as an admin command.
// A description can add whole command blocks the firmware also takes as a
// read of the health log, and commands it never completes; any other command
// gets the described status and sense.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/devices/nvme_controller.h"
#include "platform/simulated/devices/scsi_target.h"

namespace quartzmon::platform::simulated {

enum class NvmeBridgeFamily : std::uint8_t { ASMedia, JMicron, Realtek };

struct UncompletedBridgeCommand {
    std::vector<std::uint8_t> cdb;
    std::uint32_t error = 0;  // what the port driver fails the request with
};

// Where a JMicron bridge is in the three phases of one NVMe command: the
// command block arrives (data out), the data phase runs it, the response
// phase reports its completion.
struct JmicronExchange {
    enum class Stage : std::uint8_t { Idle, CommandReceived, DataPhaseDone };
    Stage stage = Stage::Idle;
    NvmeAdminCommand command;
    NvmeLogResult completion;
};

struct NvmeBridge {
    std::optional<NvmeBridgeFamily> family;
    std::vector<std::vector<std::uint8_t>> health_log_commands;  // whole CDBs
    std::vector<UncompletedBridgeCommand> uncompleted_commands;
    ScsiCommandOutcome other_commands;  // the answer to every other command
    NvmeController controller;
    // The firmware's progress between commands: state of the run, not part
    // of the description.
    mutable JmicronExchange exchange;
};

// Reads "nvme_bridge": the bridge's keys and the controller's keys.
NvmeBridge read_nvme_bridge(JsonObject& object);

// data_out holds what a data-out command sends; a read sends the page from
// its start into data_in.
ScsiCommandOutcome execute(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                           std::span<const std::uint8_t> data_out, std::span<std::uint8_t> data_in);

}  // namespace quartzmon::platform::simulated
