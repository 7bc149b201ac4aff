#include "platform/simulated/devices/nvme_bridge.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <string_view>

#include "platform/bytes.h"
#include "platform/simulated/call_log_text.h"

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
    SenseFormat format = SenseFormat::Fixed;
    if (const auto text = object.text("sense_format"))
        format = read_sense_format(*text, object.place_of("sense_format"));
    if (outcome.status != SCSI_STATUS_GOOD)
        outcome.sense = sense_in_format(format, sense_key, asc, ascq);
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

// ---- the families' firmware ---------------------------------------------

ScsiCommandOutcome invalid_field(std::string_view family) {
    ScsiCommandOutcome outcome =
        check_condition(SENSE_KEY_ILLEGAL_REQUEST, ASC_INVALID_FIELD_IN_CDB, 0);
    outcome.decoded = std::string(family) + ": invalid field";
    return outcome;
}

std::string command_text(const NvmeAdminCommand& command) {
    return "opcode " + hex_bytes(std::span(&command.opcode, 1)) + "h, CDW10 " + hex(command.cdw10);
}

// ASMedia and Realtek run the command while the SCSI command lasts and send
// its data as the SCSI data; a command the controller fails is refused.
ScsiCommandOutcome run_in_one_command(const NvmeController& controller, std::string_view family,
                                      const NvmeAdminCommand& command,
                                      std::span<std::uint8_t> data_in) {
    const NvmeLogResult completion = execute_admin_command(controller, command, data_in);
    if (!completion.succeeded()) return invalid_field(family);
    ScsiCommandOutcome outcome;
    outcome.data_transferred = static_cast<std::uint32_t>(completion.bytes_transferred);
    outcome.decoded = std::string(family) + ": " + command_text(command);
    return outcome;
}

// The dword count a transfer of this many bytes names in CDW10 (NUMDL), or
// none when it is no whole number of dwords.
std::optional<std::uint32_t> dwords_less_one(std::size_t bytes) {
    if (bytes == 0 || bytes % 4 != 0 || bytes / 4 > 0x10000) return std::nullopt;
    return static_cast<std::uint32_t>(bytes / 4 - 1);
}

// The vendor's published layout (ASMedia, E6h): byte 1 the admin opcode, byte
// 3 the low byte of CDW10 (the log identifier), byte 7 the low byte of its
// upper half (the dword count minus one), which must match the transfer.
constexpr std::string_view ASMEDIA = "ASMedia E6h";

ScsiCommandOutcome execute_asmedia(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                                   std::span<const std::uint8_t>, std::span<std::uint8_t> data_in) {
    const NvmeAdminCommand command{cdb[1], NVME_NSID_ALL,
                                   static_cast<std::uint32_t>(cdb[7] << 16 | cdb[3])};
    if (dwords_less_one(data_in.size()) != cdb[7]) return invalid_field(ASMEDIA);
    return run_in_one_command(bridge.controller, ASMEDIA, command, data_in);
}

// The vendor's published layout (Realtek, E4h): bytes 1-2 the data length,
// little-endian, which must match the transfer; byte 3 the admin opcode; byte 4
// the log identifier.
constexpr std::string_view REALTEK = "Realtek E4h";

ScsiCommandOutcome execute_realtek(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                                   std::span<const std::uint8_t>, std::span<std::uint8_t> data_in) {
    const std::size_t length = get_u16(cdb, 1);
    const auto dwords = dwords_less_one(length);
    if (length != data_in.size() || !dwords) return invalid_field(REALTEK);
    const NvmeAdminCommand command{cdb[3], NVME_NSID_ALL, *dwords << 16 | cdb[4]};
    return run_in_one_command(bridge.controller, REALTEK, command, data_in);
}

// The vendor's published layout (JMicron, A1h): byte 1 bit 7 marks an admin
// command, bits 0-6 the phase; bytes 3-5 the phase's length, big-endian. The
// command phase sends a 512-byte block (data out): the signature "NVME" in
// dword 0, the opcode in dword 2, the NSID in dword 3, CDW10 in dword 12. The
// data phase runs the command; the response phase sends back a block with the
// signature and completion dword 3 in dword 5: the Status Field in bits 17-31
// and the phase tag, which a real completion carries set, in bit 16. A copy
// on purpose of the sensor's encoding, so that a wrong byte there is caught.
constexpr std::string_view JMICRON = "JMicron A1h";
constexpr std::uint8_t JMICRON_ADMIN = 0x80;
constexpr std::uint8_t JMICRON_PHASE_MASK = 0x7F;
constexpr std::uint8_t JMICRON_NVM_COMMAND = 0x0;
constexpr std::uint8_t JMICRON_DMA_IN = 0x2;
constexpr std::uint8_t JMICRON_RESPONSE = 0xF;
constexpr std::uint32_t JMICRON_SIGNATURE = 0x454D564E;
constexpr std::size_t JMICRON_BLOCK_SIZE = 512;
constexpr std::size_t JMICRON_SIGNATURE_AT = 0;
constexpr std::size_t JMICRON_OPCODE_AT = 8;
constexpr std::size_t JMICRON_NSID_AT = 12;
constexpr std::size_t JMICRON_CDW10_AT = 48;
constexpr std::size_t JMICRON_COMPLETION_DW3_AT = 20;
constexpr unsigned STATUS_FIELD_SHIFT = 17;
constexpr std::uint32_t PHASE_TAG = 1u << 16;

using Stage = JmicronExchange::Stage;

ScsiCommandOutcome jmicron_good(std::uint32_t transferred, std::string decoded) {
    ScsiCommandOutcome outcome;
    outcome.data_transferred = transferred;
    outcome.decoded = std::string(JMICRON) + ": " + decoded;
    return outcome;
}

ScsiCommandOutcome receive_jmicron_command(JmicronExchange& exchange, std::size_t length,
                                           std::span<const std::uint8_t> data_out) {
    if (length != JMICRON_BLOCK_SIZE || data_out.size() != JMICRON_BLOCK_SIZE ||
        get_u32(data_out, JMICRON_SIGNATURE_AT) != JMICRON_SIGNATURE)
        return invalid_field(JMICRON);
    exchange.command = {get_u8(data_out, JMICRON_OPCODE_AT), get_u32(data_out, JMICRON_NSID_AT),
                        get_u32(data_out, JMICRON_CDW10_AT)};
    exchange.stage = Stage::CommandReceived;
    return jmicron_good(JMICRON_BLOCK_SIZE, "command " + command_text(exchange.command));
}

ScsiCommandOutcome run_jmicron_data_phase(const NvmeController& controller,
                                          JmicronExchange& exchange, std::size_t length,
                                          std::span<std::uint8_t> data_in) {
    if (exchange.stage != Stage::CommandReceived || length == 0 || length != data_in.size())
        return invalid_field(JMICRON);
    exchange.completion = execute_admin_command(controller, exchange.command, data_in);
    exchange.stage = Stage::DataPhaseDone;
    return jmicron_good(static_cast<std::uint32_t>(exchange.completion.bytes_transferred),
                        "data in");
}

ScsiCommandOutcome send_jmicron_response(JmicronExchange& exchange, std::size_t length,
                                         std::span<std::uint8_t> data_in) {
    if (exchange.stage != Stage::DataPhaseDone || length != JMICRON_BLOCK_SIZE ||
        data_in.size() != JMICRON_BLOCK_SIZE)
        return invalid_field(JMICRON);
    std::ranges::fill(data_in, 0);
    put_u32(data_in, JMICRON_SIGNATURE_AT, JMICRON_SIGNATURE);
    const std::uint16_t status = exchange.completion.status_field();
    put_u32(data_in, JMICRON_COMPLETION_DW3_AT,
            std::uint32_t{status} << STATUS_FIELD_SHIFT | PHASE_TAG);
    exchange.stage = Stage::Idle;
    return jmicron_good(JMICRON_BLOCK_SIZE, "response, status " + hex(status));
}

ScsiCommandOutcome execute_jmicron(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                                   std::span<const std::uint8_t> data_out,
                                   std::span<std::uint8_t> data_in) {
    if ((cdb[1] & JMICRON_ADMIN) == 0) return invalid_field(JMICRON);
    const std::size_t length = static_cast<std::size_t>(cdb[3] << 16 | cdb[4] << 8 | cdb[5]);
    switch (cdb[1] & JMICRON_PHASE_MASK) {
        case JMICRON_NVM_COMMAND:
            return receive_jmicron_command(bridge.exchange, length, data_out);
        case JMICRON_DMA_IN:
            return run_jmicron_data_phase(bridge.controller, bridge.exchange, length, data_in);
        case JMICRON_RESPONSE:
            return send_jmicron_response(bridge.exchange, length, data_in);
        default:
            return invalid_field(JMICRON);
    }
}

using FamilyHandler = ScsiCommandOutcome (*)(const NvmeBridge&, std::span<const std::uint8_t> cdb,
                                             std::span<const std::uint8_t> data_out,
                                             std::span<std::uint8_t> data_in);

struct FamilyFirmware {
    std::string_view name;  // in the description
    NvmeBridgeFamily family;
    std::uint8_t operation_code;
    std::size_t cdb_length;
    std::string_view shown;  // in the call log
    FamilyHandler handle;
};

constexpr std::array FAMILIES{
    FamilyFirmware{"asmedia", NvmeBridgeFamily::ASMedia, 0xE6, 16, ASMEDIA, execute_asmedia},
    FamilyFirmware{"jmicron", NvmeBridgeFamily::JMicron, 0xA1, 12, JMICRON, execute_jmicron},
    FamilyFirmware{"realtek", NvmeBridgeFamily::Realtek, 0xE4, 16, REALTEK, execute_realtek},
};

std::optional<NvmeBridgeFamily> read_family(JsonObject& object) {
    const auto name = object.text("family");
    if (!name) return std::nullopt;
    const auto found = std::ranges::find(FAMILIES, *name, &FamilyFirmware::name);
    if (found == FAMILIES.end())
        throw DescriptionError{object.place_of("family"),
                               "expected \"asmedia\", \"jmicron\" or \"realtek\""};
    return found->family;
}

// The family's firmware answers its own operation code; none for another.
std::optional<ScsiCommandOutcome> execute_for_family(const NvmeBridge& bridge,
                                                     std::span<const std::uint8_t> cdb,
                                                     std::span<const std::uint8_t> data_out,
                                                     std::span<std::uint8_t> data_in) {
    const auto firmware = std::ranges::find(FAMILIES, bridge.family, &FamilyFirmware::family);
    if (firmware == FAMILIES.end() || cdb.empty() || cdb[0] != firmware->operation_code)
        return std::nullopt;
    if (cdb.size() < firmware->cdb_length) return invalid_field(firmware->shown);
    return firmware->handle(bridge, cdb, data_out, data_in);
}

}  // namespace

NvmeBridge read_nvme_bridge(JsonObject& object) {
    NvmeBridge bridge;
    bridge.family = read_family(object);
    bridge.health_log_commands = read_health_log_commands(object);
    bridge.uncompleted_commands = read_uncompleted_commands(object);
    bridge.other_commands = read_other_commands(object);
    bridge.controller = read_nvme_controller(object);
    return bridge;
}

ScsiCommandOutcome execute(const NvmeBridge& bridge, std::span<const std::uint8_t> cdb,
                           std::span<const std::uint8_t> data_out,
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
    if (auto outcome = execute_for_family(bridge, cdb, data_out, data_in)) return *outcome;
    return bridge.other_commands;
}

}  // namespace quartzmon::platform::simulated
