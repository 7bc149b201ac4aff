// An ATA drive as a pass-through request reaches it: a task file goes in, the
// drive answers with its Status and Error registers and, for a data-in
// command, data. The drive knows SMART READ DATA, answered from its described
// SMART data block, and CHECK POWER MODE, answered from its power mode; it
// aborts every other command, as a drive does with one it does not implement.
// Every command but CHECK POWER MODE spins a drive in standby up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

// The command registers of the ATA task file, as the host writes them.
struct AtaTaskFile {
    std::uint8_t features = 0;
    std::uint8_t count = 0;
    std::uint8_t lba_low = 0;
    std::uint8_t lba_mid = 0;
    std::uint8_t lba_high = 0;
    std::uint8_t device = 0;
    std::uint8_t command = 0;
};

// The drive's power mode: active, idle (spinning, ready at once) or standby
// (spun down until a command needs the media), which a drive with extended
// power conditions may report as Standby_y.
enum class PowerMode : std::uint8_t { Active, Idle, Standby, StandbyY };

struct AtaDrive {
    std::array<std::uint8_t, 512> smart_data{};  // what SMART READ DATA returns
    PowerMode power_mode = PowerMode::Active;
    // Without the power management commands the drive aborts CHECK POWER MODE.
    bool power_management = true;
};

// The Status register's ERR bit: the command ended with an error.
inline constexpr std::uint8_t ATA_STATUS_ERR = 0x01;

// The Status and Error registers after the command, the bytes of data the
// drive sent to the host, the Count register when the command returns one,
// and whether the command spun the drive up from standby.
struct AtaResult {
    std::uint8_t status = 0;
    std::uint8_t error = 0;
    std::size_t bytes_transferred = 0;
    std::optional<std::uint8_t> count;
    bool spun_up = false;
};

// How the call log says that a command woke the drive.
inline constexpr std::string_view SPUN_UP_FROM_STANDBY = "spun up from standby";

// A healthy hard disk at 40 °C: what a disk on an ATA bus has when its
// description says nothing about the drive.
AtaDrive default_ata_drive();

// Reads { "smart": ..., "power_mode": "standby", "power_management": false }:
// the SMART data block as "attributes" (with an optional "revision") or as
// "hex"; without "smart", a healthy disk at 40 °C. The power mode is "active"
// (the default), "idle", "standby" or "standby_y".
AtaDrive read_ata_drive(JsonObject& object);

// Executes one command; data_in receives at most its own size of the data.
AtaResult execute(AtaDrive& drive, const AtaTaskFile& task, std::span<std::uint8_t> data_in);

}  // namespace quartzmon::platform::simulated
