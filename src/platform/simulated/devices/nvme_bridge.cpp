#include "platform/simulated/devices/nvme_bridge.h"

#include <algorithm>
#include <limits>
#include <string>

namespace quartzmon::platform::simulated {
namespace {

using CommandBlock = std::vector<std::uint8_t>;

constexpr std::size_t MAX_CDB_LENGTH = 16;

CommandBlock read_command_block(const nlohmann::json& value, const std::string& place) {
    CommandBlock cdb = read_hex_bytes(value, place);
    if (cdb.empty() || cdb.size() > MAX_CDB_LENGTH) {
        throw DescriptionError{place, "expected a command block of 1 to 16 bytes"};
    }
    return cdb;
}

std::vector<CommandBlock> read_health_log_commands(JsonObject& object) {
    std::vector<CommandBlock> commands;
    const nlohmann::json* described = object.find("health_log_commands");
    if (described == nullptr) return commands;
    const std::string place = object.place_of("health_log_commands");
    const nlohmann::json::array_t& blocks = read_array(*described, place);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        commands.push_back(read_command_block(blocks[i], element_place(place, i)));
    }
    return commands;
}

UncompletedBridgeCommand read_uncompleted_command(JsonObject& object) {
    UncompletedBridgeCommand command;
    command.cdb = read_command_block(object.required("cdb"), object.place_of("cdb"));
    object.required("error");
    command.error = static_cast<std::uint32_t>(
        *object.integer("error", 1, std::numeric_limits<std::uint32_t>::max()));
    object.reject_unknown_keys();
    return command;
}

std::vector<UncompletedBridgeCommand> read_uncompleted_commands(JsonObject& object) {
    std::vector<UncompletedBridgeCommand> commands;
    const nlohmann::json* described = object.find("uncompleted_commands");
    if (described == nullptr) return commands;
    const std::string place = object.place_of("uncompleted_commands");
    const nlohmann::json::array_t& entries = read_array(*described, place);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        JsonObject entry(entries[i], element_place(place, i));
        commands.push_back(read_uncompleted_command(entry));
    }
    return commands;
}

std::uint8_t read_byte_or(JsonObject& object, std::string_view key, std::uint8_t fallback) {
    return static_cast<std::uint8_t>(
        object.integer(key, 0, std::numeric_limits<std::uint8_t>::max()).value_or(fallback));
}

// What a bridge answers to a command it does not know: by default what SPC
// prescribes for an unsupported operation code.
ScsiCommandOutcome read_other_commands(JsonObject& bridge) {
    const nlohmann::json* described = bridge.find("other_commands");
    if (described == nullptr) {
        return check_condition(SENSE_KEY_ILLEGAL_REQUEST, ASC_INVALID_COMMAND_OPERATION_CODE, 0);
    }
    JsonObject object(*described, bridge.place_of("other_commands"));
    ScsiCommandOutcome outcome;
    outcome.status = read_byte_or(object, "status", SCSI_STATUS_CHECK_CONDITION);
    const std::uint8_t sense_key = read_byte_or(object, "sense_key", SENSE_KEY_ILLEGAL_REQUEST);
    const std::uint8_t asc = read_byte_or(object, "asc", ASC_INVALID_COMMAND_OPERATION_CODE);
    const std::uint8_t ascq = read_byte_or(object, "ascq", 0);
    if (outcome.status != SCSI_STATUS_GOOD)
        outcome.sense = fixed_format_sense(sense_key, asc, ascq);
    object.reject_unknown_keys();
    return outcome;
}

ScsiCommandOutcome read_health_log(const NvmeController& controller,
                                   std::span<std::uint8_t> data_in) {
    const NvmeLogResult result = get_log_page(controller, SMART_HEALTH_INFORMATION, 0, data_in);
    ScsiCommandOutcome outcome;
    outcome.data_transferred = static_cast<std::uint32_t>(result.bytes_transferred);
    outcome.decoded = "NVMe health log read";
    return outcome;
}

}  // namespace

NvmeBridge read_nvme_bridge(JsonObject& object) {
    NvmeBridge bridge;
    bridge.health_log_commands = read_health_log_commands(object);
    bridge.uncompleted_commands = read_uncompleted_commands(object);
    bridge.other_commands = read_other_commands(object);
    bridge.controller = read_nvme_controller(object);
    return bridge;
}

ScsiCommandOutcome execute(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                           std::span<std::uint8_t> data_in) {
    for (const CommandBlock& command : bridge.health_log_commands) {
        if (std::ranges::equal(command, cdb)) return read_health_log(bridge.controller, data_in);
    }
    for (const UncompletedBridgeCommand& command : bridge.uncompleted_commands) {
        if (std::ranges::equal(command.cdb, cdb)) {
            ScsiCommandOutcome outcome;
            outcome.request_error = command.error;
            return outcome;
        }
    }
    return bridge.other_commands;
}

}  // namespace quartzmon::platform::simulated
