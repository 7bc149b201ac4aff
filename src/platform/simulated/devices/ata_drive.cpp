#include "platform/simulated/devices/ata_drive.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/simulated/devices/data_block_reader.h"

namespace quartzmon::platform::simulated {
namespace {

// The SMART command and its SMART READ DATA subcommand, which the drive runs
// only when LBA Mid and LBA High carry the SMART signature.
constexpr std::uint8_t SMART = 0xB0;
constexpr std::uint8_t SMART_READ_DATA = 0xD0;
constexpr std::uint8_t SMART_LBA_MID = 0x4F;
constexpr std::uint8_t SMART_LBA_HIGH = 0xC2;

// CHECK POWER MODE answers in the Count register: 00h standby (01h
// Standby_y), 80h idle, FFh active or idle.
constexpr std::uint8_t CHECK_POWER_MODE = 0xE5;
constexpr std::uint8_t COUNT_STANDBY = 0x00;
constexpr std::uint8_t COUNT_STANDBY_Y = 0x01;
constexpr std::uint8_t COUNT_IDLE = 0x80;
constexpr std::uint8_t COUNT_ACTIVE_OR_IDLE = 0xFF;

// Status register bits besides ERR; drives still set DSC (device seek
// complete) when ready.
constexpr std::uint8_t DSC = 0x10;
constexpr std::uint8_t DRDY = 0x40;
// Error register bit: the command was aborted.
constexpr std::uint8_t ABRT = 0x04;

// The SMART data block: the revision word and the attribute table as drives
// lay out the vendor-specific part, then the data structure checksum that ATA
// defines (the 512 bytes sum to 0 modulo 256).
constexpr std::size_t REVISION = 0;
constexpr std::size_t ATTRIBUTE_TABLE = 2;
constexpr std::size_t ATTRIBUTE_SIZE = 12;
constexpr std::size_t MAX_ATTRIBUTES = 30;
constexpr std::size_t CHECKSUM = 511;

// One attribute entry; byte 11 is reserved.
constexpr std::size_t ATTRIBUTE_ID = 0;
constexpr std::size_t ATTRIBUTE_FLAGS = 1;
constexpr std::size_t ATTRIBUTE_CURRENT = 3;
constexpr std::size_t ATTRIBUTE_WORST = 4;
constexpr std::size_t ATTRIBUTE_RAW = 5;
constexpr std::size_t RAW_SIZE = 6;
constexpr std::int64_t MAX_RAW = (std::int64_t{1} << 48) - 1;

struct SmartAttribute {
    std::uint8_t id = 0;
    std::uint16_t flags = 0;
    std::uint8_t current = 100;
    std::uint8_t worst = 100;
    std::uint64_t raw = 0;  // 48 bits, little-endian in the entry
};

constexpr std::uint16_t DEFAULT_REVISION = 16;

// A healthy hard disk, a few thousand hours old, at 40 °C.
constexpr std::array DEFAULT_ATTRIBUTES{
    SmartAttribute{1, 0x002F, 200, 200, 0},     // read error rate
    SmartAttribute{5, 0x0033, 200, 200, 0},     // reallocated sectors
    SmartAttribute{9, 0x0032, 95, 95, 3650},    // power-on hours
    SmartAttribute{12, 0x0032, 100, 100, 412},  // power cycles
    SmartAttribute{194, 0x0022, 110, 95, 40},   // temperature, °C
    SmartAttribute{197, 0x0032, 200, 200, 0},   // pending sectors
    SmartAttribute{198, 0x0030, 100, 100, 0},   // offline uncorrectable sectors
};

// "raw": a number up to 2^48 - 1, or its six bytes lowest first ([45, 0, 0, 0, 0, 0]).
std::uint64_t read_raw(const nlohmann::json& value, const std::string& place) {
    if (!value.is_array())
        return static_cast<std::uint64_t>(read_integer(value, place, 0, MAX_RAW));
    const nlohmann::json::array_t& bytes = read_array(value, place);
    if (bytes.size() != RAW_SIZE) throw DescriptionError{place, "expected six raw bytes"};
    std::uint64_t raw = 0;
    for (std::size_t i = 0; i < RAW_SIZE; ++i) {
        const auto byte = read_integer(bytes[i], element_place(place, i), 0,
                                       std::numeric_limits<std::uint8_t>::max());
        raw |= static_cast<std::uint64_t>(byte) << (8 * i);
    }
    return raw;
}

SmartAttribute read_attribute(JsonObject& object) {
    SmartAttribute attribute;
    object.required("id");
    attribute.id = *read_byte(object, "id");
    attribute.flags = read_word(object, "flags").value_or(attribute.flags);
    attribute.current = read_byte(object, "current").value_or(attribute.current);
    attribute.worst = read_byte(object, "worst").value_or(attribute.current);
    if (const nlohmann::json* raw = object.find("raw")) {
        attribute.raw = read_raw(*raw, object.place_of("raw"));
    }
    object.reject_unknown_keys();
    return attribute;
}

std::vector<SmartAttribute> read_attributes(JsonObject& smart) {
    const nlohmann::json::array_t described =
        read_array_of_at_most(smart, "attributes", MAX_ATTRIBUTES);
    std::vector<SmartAttribute> attributes;
    for (std::size_t i = 0; i < described.size(); ++i) {
        JsonObject object(described[i], element_place(smart.place_of("attributes"), i));
        attributes.push_back(read_attribute(object));
    }
    return attributes;
}

void put_attribute(std::span<std::uint8_t> entry, const SmartAttribute& attribute) {
    put_u8(entry, ATTRIBUTE_ID, attribute.id);
    put_u16(entry, ATTRIBUTE_FLAGS, attribute.flags);
    put_u8(entry, ATTRIBUTE_CURRENT, attribute.current);
    put_u8(entry, ATTRIBUTE_WORST, attribute.worst);
    for (std::size_t i = 0; i < RAW_SIZE; ++i) {
        put_u8(entry, ATTRIBUTE_RAW + i, static_cast<std::uint8_t>(attribute.raw >> (8 * i)));
    }
}

// The two's complement of the sum of the bytes before the checksum.
std::uint8_t checksum_of(std::span<const std::uint8_t> data) {
    const unsigned sum = std::accumulate(data.begin(), data.begin() + CHECKSUM, 0u);
    return static_cast<std::uint8_t>(256 - sum % 256);
}

void put_smart_data(std::span<std::uint8_t> data, std::uint16_t revision,
                    std::span<const SmartAttribute> attributes) {
    put_u16(data, REVISION, revision);
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        put_attribute(data.subspan(ATTRIBUTE_TABLE + i * ATTRIBUTE_SIZE, ATTRIBUTE_SIZE),
                      attributes[i]);
    }
    put_u8(data, CHECKSUM, checksum_of(data));
}

void read_smart_data(JsonObject& smart, std::span<std::uint8_t> data) {
    if (read_block_as_hex(smart, data)) return;
    const std::uint16_t revision = read_word(smart, "revision").value_or(DEFAULT_REVISION);
    put_smart_data(data, revision, read_attributes(smart));
    smart.reject_unknown_keys();
}

PowerMode read_power_mode(JsonObject& object) {
    const auto text = object.text("power_mode");
    if (!text || *text == "active") return PowerMode::Active;
    if (*text == "idle") return PowerMode::Idle;
    if (*text == "standby") return PowerMode::Standby;
    if (*text == "standby_y") return PowerMode::StandbyY;
    throw DescriptionError{object.place_of("power_mode"),
                           "expected active, idle, standby or standby_y"};
}

std::uint8_t power_mode_count(PowerMode mode) {
    switch (mode) {
        case PowerMode::Standby:
            return COUNT_STANDBY;
        case PowerMode::StandbyY:
            return COUNT_STANDBY_Y;
        case PowerMode::Idle:
            return COUNT_IDLE;
        case PowerMode::Active:
            break;
    }
    return COUNT_ACTIVE_OR_IDLE;
}

bool is_smart_read_data(const AtaTaskFile& task) {
    return task.command == SMART && task.features == SMART_READ_DATA &&
           task.lba_mid == SMART_LBA_MID && task.lba_high == SMART_LBA_HIGH;
}

}  // namespace

AtaDrive default_ata_drive() {
    AtaDrive drive;
    put_smart_data(drive.smart_data, DEFAULT_REVISION, DEFAULT_ATTRIBUTES);
    return drive;
}

AtaDrive read_ata_drive(JsonObject& object) {
    AtaDrive drive;
    if (const nlohmann::json* smart = object.find("smart")) {
        JsonObject described(*smart, object.place_of("smart"));
        read_smart_data(described, drive.smart_data);
    } else {
        drive = default_ata_drive();
    }
    drive.power_mode = read_power_mode(object);
    drive.power_management = object.boolean("power_management").value_or(true);
    object.reject_unknown_keys();
    return drive;
}

AtaResult execute(AtaDrive& drive, const AtaTaskFile& task, std::span<std::uint8_t> data_in) {
    if (task.command == CHECK_POWER_MODE && drive.power_management)
        return {DRDY | DSC, 0, 0, power_mode_count(drive.power_mode), false};
    const bool spun_up =
        drive.power_mode == PowerMode::Standby || drive.power_mode == PowerMode::StandbyY;
    drive.power_mode = PowerMode::Active;
    if (!is_smart_read_data(task)) return {DRDY | DSC | ATA_STATUS_ERR, ABRT, 0, {}, spun_up};
    const std::size_t transferred = std::min(data_in.size(), drive.smart_data.size());
    std::copy_n(drive.smart_data.begin(), transferred, data_in.begin());
    return {DRDY | DSC, 0, transferred, {}, spun_up};
}

}  // namespace quartzmon::platform::simulated
