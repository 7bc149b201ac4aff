#include "platform/simulated/devices/nvme_controller.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/simulated/devices/data_block_reader.h"

namespace quartzmon::platform::simulated {
namespace {

// Status Code Types, and the Status Codes a Get Log Page completes with.
constexpr std::uint8_t GENERIC_COMMAND_STATUS = 0x0;
constexpr std::uint8_t COMMAND_SPECIFIC_STATUS = 0x1;
constexpr std::uint8_t SUCCESSFUL_COMPLETION = 0x00;
constexpr std::uint8_t INVALID_COMMAND_OPCODE = 0x01;
constexpr std::uint8_t INVALID_FIELD_IN_COMMAND = 0x02;
constexpr std::uint8_t INVALID_LOG_PAGE = 0x09;

// Status Code Type (3 bits) and Status Code (8 bits).
constexpr std::int64_t MAX_STATUS_FIELD = 0x7FF;

// The log page offset counts bytes but must be a whole number of dwords.
constexpr std::uint64_t DWORD_SIZE = 4;

// No namespace: the controller itself.
constexpr std::uint32_t NSID_NONE = 0;

// The SMART / Health Information log page; temperatures are in kelvin.
constexpr std::size_t CRITICAL_WARNING = 0;
constexpr std::size_t COMPOSITE_TEMPERATURE = 1;
constexpr std::size_t AVAILABLE_SPARE = 3;
constexpr std::size_t AVAILABLE_SPARE_THRESHOLD = 4;
constexpr std::size_t PERCENTAGE_USED = 5;
constexpr std::size_t TEMPERATURE_SENSOR_1 = 200;
constexpr std::size_t TEMPERATURE_SENSOR_SIZE = 2;
constexpr std::size_t MAX_TEMPERATURE_SENSORS = 8;

// The fields a description can give; the defaults are a healthy controller
// at about 37 °C whose flash runs a little warmer.
struct HealthInformation {
    std::uint8_t critical_warning = 0;
    std::uint16_t composite_temperature = 310;
    std::uint8_t available_spare = 100;
    std::uint8_t available_spare_threshold = 10;
    std::uint8_t percentage_used = 2;
    std::vector<std::uint16_t> temperature_sensors{310, 316};
};

std::vector<std::uint16_t> read_sensors(JsonObject& object) {
    const nlohmann::json::array_t described =
        read_array_of_at_most(object, "sensors_kelvin", MAX_TEMPERATURE_SENSORS);
    std::vector<std::uint16_t> sensors;
    for (std::size_t i = 0; i < described.size(); ++i) {
        const std::string place = element_place(object.place_of("sensors_kelvin"), i);
        sensors.push_back(static_cast<std::uint16_t>(
            read_integer(described[i], place, 0, std::numeric_limits<std::uint16_t>::max())));
    }
    return sensors;
}

HealthInformation read_fields(JsonObject& object) {
    HealthInformation fields;
    fields.critical_warning =
        read_byte(object, "critical_warning").value_or(fields.critical_warning);
    fields.composite_temperature =
        read_word(object, "composite_kelvin").value_or(fields.composite_temperature);
    fields.available_spare = read_byte(object, "available_spare").value_or(fields.available_spare);
    fields.available_spare_threshold =
        read_byte(object, "available_spare_threshold").value_or(fields.available_spare_threshold);
    fields.percentage_used = read_byte(object, "percentage_used").value_or(fields.percentage_used);
    if (object.find("sensors_kelvin")) fields.temperature_sensors = read_sensors(object);
    object.reject_unknown_keys();
    return fields;
}

void put_health_log(std::span<std::uint8_t> page, const HealthInformation& fields) {
    put_u8(page, CRITICAL_WARNING, fields.critical_warning);
    put_u16(page, COMPOSITE_TEMPERATURE, fields.composite_temperature);
    put_u8(page, AVAILABLE_SPARE, fields.available_spare);
    put_u8(page, AVAILABLE_SPARE_THRESHOLD, fields.available_spare_threshold);
    put_u8(page, PERCENTAGE_USED, fields.percentage_used);
    for (std::size_t i = 0; i < fields.temperature_sensors.size(); ++i) {
        put_u16(page, TEMPERATURE_SENSOR_1 + i * TEMPERATURE_SENSOR_SIZE,
                fields.temperature_sensors[i]);
    }
}

}  // namespace

NvmeController read_nvme_controller(JsonObject& object) {
    NvmeController controller;
    if (const nlohmann::json* log = object.find("health_log")) {
        JsonObject described(*log, object.place_of("health_log"));
        if (!read_block_as_hex(described, controller.health_log)) {
            put_health_log(controller.health_log, read_fields(described));
        }
    } else {
        put_health_log(controller.health_log, HealthInformation{});
    }
    controller.log_page_offset = object.boolean("log_page_offset").value_or(true);
    controller.log_page_status = static_cast<std::uint16_t>(
        object.integer("log_page_status", 0, MAX_STATUS_FIELD).value_or(0));
    object.reject_unknown_keys();
    return controller;
}

NvmeLogResult get_log_page(const NvmeController& controller, std::uint8_t log_identifier,
                           std::uint64_t offset, std::span<std::uint8_t> data) {
    if (controller.log_page_status != 0) {
        return {static_cast<std::uint8_t>(controller.log_page_status >> 8),
                static_cast<std::uint8_t>(controller.log_page_status), 0};
    }
    if (log_identifier != SMART_HEALTH_INFORMATION) {
        return {COMMAND_SPECIFIC_STATUS, INVALID_LOG_PAGE, 0};
    }
    const std::span<const std::uint8_t> page = controller.health_log;
    if (!controller.log_page_offset) offset = 0;
    if (offset >= page.size() || offset % DWORD_SIZE != 0) {
        return {GENERIC_COMMAND_STATUS, INVALID_FIELD_IN_COMMAND, 0};
    }
    const std::span<const std::uint8_t> rest = page.subspan(offset);
    const std::size_t copied = std::min(rest.size(), data.size());
    std::copy_n(rest.begin(), copied, data.begin());
    std::fill(data.begin() + copied, data.end(), std::uint8_t{0});
    return {GENERIC_COMMAND_STATUS, SUCCESSFUL_COMPLETION, data.size()};
}

NvmeLogResult execute_admin_command(const NvmeController& controller,
                                    const NvmeAdminCommand& command, std::span<std::uint8_t> data) {
    if (command.opcode != NVME_ADMIN_GET_LOG_PAGE)
        return {GENERIC_COMMAND_STATUS, INVALID_COMMAND_OPCODE, 0};
    if (command.nsid != NSID_NONE && command.nsid != NVME_NSID_ALL)
        return {GENERIC_COMMAND_STATUS, INVALID_FIELD_IN_COMMAND, 0};
    const auto log_identifier = static_cast<std::uint8_t>(command.cdw10 & 0xFF);
    const std::size_t length = ((command.cdw10 >> 16) + std::size_t{1}) * DWORD_SIZE;
    return get_log_page(controller, log_identifier, 0, data.first(std::min(length, data.size())));
}

}  // namespace quartzmon::platform::simulated
