#include "platform/simulated/devices/sat_bridge.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/simulated/call_log_text.h"
#include "platform/simulated/devices/data_block_reader.h"

namespace quartzmon::platform::simulated {
namespace {

constexpr std::size_t ATA_SECTOR_SIZE = 512;

// What a dialect's command block asks of the drive.
struct BridgedCommand {
    AtaTaskFile task;
    std::size_t transfer_length = 0;  // bytes from the device
    bool return_registers = false;    // CK_COND: answer with the drive's registers
};

using Decoder = std::optional<BridgedCommand> (*)(std::span<const std::uint8_t> cdb,
                                                  std::size_t data_in_size);

// ---- SAT ATA PASS-THROUGH (12) and (16) ----------------------------------

// Byte 1: PROTOCOL in bits 4..1. Byte 2: CK_COND, T_DIR, BYTE_BLOCK and
// T_LENGTH.
constexpr std::uint8_t PROTOCOL_SHIFT = 1;
constexpr std::uint8_t PROTOCOL_MASK = 0x0F;
constexpr std::uint8_t PROTOCOL_NON_DATA = 3;
constexpr std::uint8_t PROTOCOL_PIO_DATA_IN = 4;
constexpr std::uint8_t CK_COND = 0x20;
constexpr std::uint8_t T_DIR = 0x08;
constexpr std::uint8_t BYTE_BLOCK = 0x04;
constexpr std::uint8_t T_LENGTH_MASK = 0x03;
constexpr std::uint8_t T_LENGTH_IN_FEATURES = 1;
constexpr std::uint8_t T_LENGTH_IN_COUNT = 2;

// Where each register is in the block (the low byte of the 16-byte form's
// two-byte fields).
struct SatFieldPositions {
    std::size_t features, count, lba_low, lba_mid, lba_high, device, command;
};
constexpr SatFieldPositions SAT16_FIELDS{4, 6, 8, 10, 12, 13, 14};
constexpr SatFieldPositions SAT12_FIELDS{3, 4, 5, 6, 7, 8, 9};

std::uint8_t sat_protocol(std::span<const std::uint8_t> cdb) {
    return (cdb[1] >> PROTOCOL_SHIFT) & PROTOCOL_MASK;
}

AtaTaskFile sat_task_file(std::span<const std::uint8_t> cdb, const SatFieldPositions& at) {
    return {cdb[at.features], cdb[at.count],  cdb[at.lba_low], cdb[at.lba_mid],
            cdb[at.lba_high], cdb[at.device], cdb[at.command]};
}

// A transfer from the device, its length in the FEATURES or COUNT field,
// counted in 512-byte blocks or in bytes.
std::optional<BridgedCommand> decode_sat_fields(std::span<const std::uint8_t> cdb,
                                                const SatFieldPositions& at) {
    const std::uint8_t t_length = cdb[2] & T_LENGTH_MASK;
    if ((cdb[2] & T_DIR) == 0) return std::nullopt;
    if (t_length != T_LENGTH_IN_FEATURES && t_length != T_LENGTH_IN_COUNT) return std::nullopt;
    const AtaTaskFile task = sat_task_file(cdb, at);
    const std::size_t length = t_length == T_LENGTH_IN_FEATURES ? task.features : task.count;
    return BridgedCommand{task, (cdb[2] & BYTE_BLOCK) != 0 ? length * ATA_SECTOR_SIZE : length};
}

std::optional<BridgedCommand> decode_sat(std::span<const std::uint8_t> cdb,
                                         const SatFieldPositions& at) {
    switch (sat_protocol(cdb)) {
        case PROTOCOL_PIO_DATA_IN:
            return decode_sat_fields(cdb, at);
        case PROTOCOL_NON_DATA:
            return BridgedCommand{sat_task_file(cdb, at), 0, (cdb[2] & CK_COND) != 0};
        default:
            return std::nullopt;
    }
}

std::optional<BridgedCommand> decode_sat16(std::span<const std::uint8_t> cdb, std::size_t) {
    return decode_sat(cdb, SAT16_FIELDS);
}

std::optional<BridgedCommand> decode_sat12(std::span<const std::uint8_t> cdb, std::size_t) {
    return decode_sat(cdb, SAT12_FIELDS);
}

// ---- vendor dialects ------------------------------------------------------

// ASMedia's A1h variant: no public description of it was found, so it is
// modelled as the SAT (12) field positions with the vendor's own value 1Ch in
// byte 1 marking a read from the device, which a standard SAT translator
// refuses (PROTOCOL 0Eh is reserved).
constexpr std::uint8_t ASMEDIA_DATA_IN = 0x1C;

std::optional<BridgedCommand> decode_asmedia(std::span<const std::uint8_t> cdb, std::size_t) {
    if (cdb[1] != ASMEDIA_DATA_IN) return std::nullopt;
    return decode_sat_fields(cdb, SAT12_FIELDS);
}

// The vendor's public command layout (JMicron, DFh): byte 1 the direction
// (10h from the device), bytes 3-4 the length in bytes, big-endian, then
// Features, Count, LBA Low, Mid, High, Device, Command in bytes 5 to 11.
constexpr std::uint8_t JMICRON_DATA_IN = 0x10;

std::optional<BridgedCommand> decode_jmicron(std::span<const std::uint8_t> cdb, std::size_t) {
    if (cdb[1] != JMICRON_DATA_IN) return std::nullopt;
    return BridgedCommand{{cdb[5], cdb[6], cdb[7], cdb[8], cdb[9], cdb[10], cdb[11]},
                          static_cast<std::size_t>(cdb[3] << 8 | cdb[4])};
}

// The vendor's public command layout (Sunplus, F8h): byte 2 the subcommand
// (22h sends an ATA command), byte 3 the direction (10h from the device),
// byte 4 the length in 512-byte sectors, then Features, Count, LBA Low, Mid,
// High, Device, Command in bytes 5 to 11.
constexpr std::uint8_t SUNPLUS_SEND_ATA_COMMAND = 0x22;
constexpr std::uint8_t SUNPLUS_DATA_IN = 0x10;

std::optional<BridgedCommand> decode_sunplus(std::span<const std::uint8_t> cdb, std::size_t) {
    if (cdb[2] != SUNPLUS_SEND_ATA_COMMAND || cdb[3] != SUNPLUS_DATA_IN) return std::nullopt;
    return BridgedCommand{{cdb[5], cdb[6], cdb[7], cdb[8], cdb[9], cdb[10], cdb[11]},
                          cdb[4] * ATA_SECTOR_SIZE};
}

// The vendor's public command layout (Prolific, D8h): byte 1 10h (from the
// device) plus 05h (the current registers), Features in byte 3, the check word
// 067Bh in bytes 4-5, the length in bytes in 6 to 9, big-endian, then Count,
// LBA Low, Mid, High, Device, Command in bytes 10 to 15.
constexpr std::uint8_t PROLIFIC_READ_CURRENT_REGISTERS = 0x15;
constexpr std::uint8_t PROLIFIC_CHECK_WORD_HIGH = 0x06;
constexpr std::uint8_t PROLIFIC_CHECK_WORD_LOW = 0x7B;

std::optional<BridgedCommand> decode_prolific(std::span<const std::uint8_t> cdb, std::size_t) {
    if (cdb[1] != PROLIFIC_READ_CURRENT_REGISTERS || cdb[4] != PROLIFIC_CHECK_WORD_HIGH ||
        cdb[5] != PROLIFIC_CHECK_WORD_LOW)
        return std::nullopt;
    const std::size_t length =
        static_cast<std::size_t>(cdb[6]) << 24 | cdb[7] << 16 | cdb[8] << 8 | cdb[9];
    return BridgedCommand{{cdb[3], cdb[10], cdb[11], cdb[12], cdb[13], cdb[14], cdb[15]}, length};
}

// The vendor's public command layout (Cypress ATACB, 24h): subcommand 24h in
// byte 1, the register select bits in byte 3 (a register not selected is not
// written), then Features, Count, LBA Low, Mid, High, Device, Command in bytes
// 6 to 12. The length is that of the SCSI command itself.
constexpr std::uint8_t CYPRESS_ATACB = 0x24;
constexpr std::size_t CYPRESS_REGISTER_SELECT = 3;
constexpr std::size_t CYPRESS_FIRST_REGISTER = 6;

std::optional<BridgedCommand> decode_cypress(std::span<const std::uint8_t> cdb,
                                             std::size_t data_in_size) {
    if (cdb[1] != CYPRESS_ATACB) return std::nullopt;
    // Bit 0 selects the device control register at byte 5; bits 1 to 7 the
    // seven task-file registers in order.
    std::array<std::uint8_t, 7> registers{};
    for (std::size_t i = 0; i < registers.size(); ++i) {
        const bool selected = (cdb[CYPRESS_REGISTER_SELECT] >> (i + 1) & 1) != 0;
        registers[i] = selected ? cdb[CYPRESS_FIRST_REGISTER + i] : 0;
    }
    return BridgedCommand{{registers[0], registers[1], registers[2], registers[3], registers[4],
                           registers[5], registers[6]},
                          data_in_size};
}

struct Dialect {
    std::string_view name;  // in the description
    std::uint8_t operation_code;
    std::size_t cdb_length;
    std::string_view shown;  // in the call log
    Decoder decode;
};

constexpr std::array DIALECTS{
    Dialect{"sat16", 0x85, 16, "SAT ATA PASS-THROUGH (16)", decode_sat16},
    Dialect{"sat12", 0xA1, 12, "SAT ATA PASS-THROUGH (12)", decode_sat12},
    Dialect{"asmedia", 0xA1, 12, "ASMedia A1h", decode_asmedia},
    Dialect{"jmicron", 0xDF, 12, "JMicron DFh", decode_jmicron},
    Dialect{"sunplus", 0xF8, 12, "Sunplus F8h", decode_sunplus},
    Dialect{"prolific", 0xD8, 16, "Prolific D8h", decode_prolific},
    Dialect{"cypress", 0x24, 16, "Cypress ATACB 24h", decode_cypress},
};

// ---- answers --------------------------------------------------------------

// SPC sense key and SAT's additional sense code for a command the drive ended
// with an error.
constexpr std::uint8_t SENSE_KEY_ABORTED_COMMAND = 0x0B;
constexpr std::uint8_t ASC_ATA_PASS_THROUGH_INFORMATION_AVAILABLE = 0x00;
constexpr std::uint8_t ASCQ_ATA_PASS_THROUGH_INFORMATION_AVAILABLE = 0x1D;

std::string register_text(std::uint8_t value) {
    return hex_bytes(std::span(&value, 1)) + "h";
}

// SAT's answer to CK_COND: CHECK CONDITION, RECOVERED ERROR, ATA PASS-THROUGH
// INFORMATION AVAILABLE, with the drive's registers in the sense data.
constexpr std::uint8_t SENSE_KEY_RECOVERED_ERROR = 0x01;
constexpr std::uint8_t ATA_STATUS_RETURN_DESCRIPTOR = 0x09;
constexpr std::uint8_t ATA_STATUS_RETURN_ADDITIONAL_LENGTH = 0x0C;
constexpr std::size_t DESCRIPTOR_ADDITIONAL_LENGTH = 7;
// Within the descriptor: ERROR, COUNT (7:0) and STATUS.
constexpr std::size_t RETURN_ERROR = 3;
constexpr std::size_t RETURN_COUNT = 5;
constexpr std::size_t RETURN_STATUS = 13;
// Fixed format: VALID, and the INFORMATION field's ERROR, STATUS, DEVICE and
// COUNT (7:0).
constexpr std::uint8_t FIXED_VALID = 0x80;
constexpr std::size_t FIXED_ERROR = 3;
constexpr std::size_t FIXED_STATUS = 4;
constexpr std::size_t FIXED_COUNT = 6;

std::vector<std::uint8_t> registers_in_sense(SenseFormat format, const AtaResult& result) {
    const std::uint8_t count = result.count.value_or(0);
    std::vector<std::uint8_t> sense = sense_in_format(format, SENSE_KEY_RECOVERED_ERROR,
                                                      ASC_ATA_PASS_THROUGH_INFORMATION_AVAILABLE,
                                                      ASCQ_ATA_PASS_THROUGH_INFORMATION_AVAILABLE);
    if (format == SenseFormat::Fixed) {
        sense[0] |= FIXED_VALID;
        sense[FIXED_ERROR] = result.error;
        sense[FIXED_STATUS] = result.status;
        sense[FIXED_COUNT] = count;
    } else if (format == SenseFormat::Descriptor) {
        std::vector<std::uint8_t> descriptor(ATA_STATUS_RETURN_ADDITIONAL_LENGTH + 2, 0);
        descriptor[0] = ATA_STATUS_RETURN_DESCRIPTOR;
        descriptor[1] = ATA_STATUS_RETURN_ADDITIONAL_LENGTH;
        descriptor[RETURN_ERROR] = result.error;
        descriptor[RETURN_COUNT] = count;
        descriptor[RETURN_STATUS] = result.status;
        sense[DESCRIPTOR_ADDITIONAL_LENGTH] = static_cast<std::uint8_t>(descriptor.size());
        sense.insert(sense.end(), descriptor.begin(), descriptor.end());
    }
    return sense;
}

ScsiCommandOutcome run_on_drive(const SatBridge& bridge, AtaDrive& drive, const Dialect& dialect,
                                const BridgedCommand& command, std::span<std::uint8_t> data_in) {
    const std::size_t length = std::min(command.transfer_length, data_in.size());
    const AtaResult result = execute(drive, command.task, data_in.first(length));
    std::string decoded = std::string(dialect.shown) + ": " + register_text(command.task.command) +
                          "/" + register_text(command.task.features);
    if (result.spun_up) decoded += ", " + std::string(SPUN_UP_FROM_STANDBY);
    if (command.return_registers) {
        return {SCSI_STATUS_CHECK_CONDITION, registers_in_sense(bridge.ata_return_format, result),
                0, decoded + " registers returned"};
    }
    if ((result.status & ATA_STATUS_ERR) != 0) {
        return {SCSI_STATUS_CHECK_CONDITION,
                descriptor_format_sense(SENSE_KEY_ABORTED_COMMAND,
                                        ASC_ATA_PASS_THROUGH_INFORMATION_AVAILABLE,
                                        ASCQ_ATA_PASS_THROUGH_INFORMATION_AVAILABLE),
                0, decoded + " aborted"};
    }
    return {SCSI_STATUS_GOOD, {}, static_cast<std::uint32_t>(result.bytes_transferred), decoded};
}

ScsiCommandOutcome reject(const BridgeRejection& rejection, std::uint8_t asc_for_command,
                          std::string decoded) {
    const std::uint8_t key = rejection.sense_key.value_or(SENSE_KEY_ILLEGAL_REQUEST);
    const std::uint8_t asc = rejection.asc.value_or(asc_for_command);
    const std::uint8_t ascq = rejection.ascq.value_or(0);
    return {rejection.status, sense_in_format(rejection.sense_format, key, asc, ascq), 0,
            std::move(decoded)};
}

const Dialect* dialect_named(std::string_view name) {
    const auto found = std::ranges::find(DIALECTS, name, &Dialect::name);
    return found == DIALECTS.end() ? nullptr : &*found;
}

BridgeRejection read_rejection(JsonObject& object) {
    BridgeRejection rejection;
    rejection.status = read_byte(object, "status").value_or(rejection.status);
    if (const auto format = object.text("sense_format"))
        rejection.sense_format = read_sense_format(*format, object.place_of("sense_format"));
    rejection.sense_key = read_byte(object, "sense_key");
    rejection.asc = read_byte(object, "asc");
    rejection.ascq = read_byte(object, "ascq");
    object.reject_unknown_keys();
    return rejection;
}

}  // namespace

SatBridge read_sat_bridge(JsonObject& object) {
    SatBridge bridge;
    if (const nlohmann::json* dialects = object.find("dialects")) {
        const std::string place = object.place_of("dialects");
        const nlohmann::json::array_t& names = read_array(*dialects, place);
        bridge.dialects.clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string name = read_text(names[i], element_place(place, i));
            if (dialect_named(name) == nullptr)
                throw DescriptionError{element_place(place, i), "unknown dialect"};
            bridge.dialects.insert(name);
        }
    }
    if (const nlohmann::json* rejection = object.find("rejection")) {
        JsonObject described(*rejection, object.place_of("rejection"));
        bridge.rejection = read_rejection(described);
    }
    if (const auto format = object.text("ata_return_format"))
        bridge.ata_return_format = read_sense_format(*format, object.place_of("ata_return_format"));
    object.reject_unknown_keys();
    return bridge;
}

ScsiCommandOutcome execute_on_bridge(const SatBridge& bridge, AtaDrive& drive,
                                     std::span<const std::uint8_t> cdb,
                                     std::span<std::uint8_t> data_in) {
    const Dialect* known = nullptr;
    for (const Dialect& dialect : DIALECTS) {
        if (cdb.empty() || cdb[0] != dialect.operation_code) continue;
        if (!bridge.dialects.contains(dialect.name)) continue;
        known = known ? known : &dialect;
        if (cdb.size() < dialect.cdb_length) continue;
        if (const auto command = dialect.decode(cdb, data_in.size()))
            return run_on_drive(bridge, drive, dialect, *command, data_in);
    }
    if (known == nullptr)
        return reject(bridge.rejection, ASC_INVALID_COMMAND_OPERATION_CODE, "not accepted");
    return reject(bridge.rejection, ASC_INVALID_FIELD_IN_CDB,
                  std::string(known->shown) + ": invalid field");
}

}  // namespace quartzmon::platform::simulated
