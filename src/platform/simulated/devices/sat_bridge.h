// A USB-to-SATA bridge: a SCSI target in front of an ATA drive. It takes the
// ATA command out of the command blocks of the dialects it accepts (the SAT
// ATA PASS-THROUGH (16) and (12) blocks and the vendor blocks of several
// bridge families), decoded by each dialect's own field positions, runs it on
// the drive and answers with SCSI status, sense data and the drive's data.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/devices/ata_drive.h"
#include "platform/simulated/devices/scsi_target.h"

namespace quartzmon::platform::simulated {

// How the bridge answers a command it does not execute. Absent sense values
// are ILLEGAL REQUEST with INVALID COMMAND OPERATION CODE for an operation
// code it does not know, INVALID FIELD IN CDB for a known one whose fields it
// cannot execute.
struct BridgeRejection {
    std::uint8_t status = SCSI_STATUS_CHECK_CONDITION;
    SenseFormat sense_format = SenseFormat::Fixed;
    std::optional<std::uint8_t> sense_key;
    std::optional<std::uint8_t> asc;
    std::optional<std::uint8_t> ascq;
};

struct SatBridge {
    std::set<std::string, std::less<>> dialects{"sat12", "sat16"};
    BridgeRejection rejection;
    // How the bridge returns the drive's registers when a SAT block asks for
    // them (CK_COND): in an ATA Status Return descriptor, in the fixed-format
    // fields SAT assigns them, or not at all.
    SenseFormat ata_return_format = SenseFormat::Descriptor;
};

// Reads { "dialects": ["sat12", "jmicron"], "rejection": { ... },
// "ata_return_format": "fixed" }.
SatBridge read_sat_bridge(JsonObject& object);

ScsiCommandOutcome execute_on_bridge(const SatBridge& bridge, AtaDrive& drive,
                                     std::span<const std::uint8_t> cdb,
                                     std::span<std::uint8_t> data_in);

}  // namespace quartzmon::platform::simulated
