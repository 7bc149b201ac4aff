#include "platform/simulated/devices/data_block_reader.h"

#include <algorithm>
#include <limits>
#include <string>

namespace quartzmon::platform::simulated {

bool read_block_as_hex(JsonObject& object, std::span<std::uint8_t> block) {
    const auto bytes = object.hex_bytes("hex");
    if (!bytes) return false;
    if (bytes->size() != block.size()) {
        throw DescriptionError{object.place_of("hex"), "expected " + std::to_string(block.size()) +
                                                           " bytes, got " +
                                                           std::to_string(bytes->size())};
    }
    std::ranges::copy(*bytes, block.begin());
    object.reject_unknown_keys("not allowed with \"hex\"");
    return true;
}

std::optional<std::uint8_t> read_byte(JsonObject& object, std::string_view key) {
    const auto value = object.integer(key, 0, std::numeric_limits<std::uint8_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint16_t> read_word(JsonObject& object, std::string_view key) {
    const auto value = object.integer(key, 0, std::numeric_limits<std::uint16_t>::max());
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

nlohmann::json::array_t read_array_of_at_most(JsonObject& object, std::string_view key,
                                              std::size_t max_size) {
    const nlohmann::json* value = object.find(key);
    if (value == nullptr) return {};
    const nlohmann::json::array_t& elements = read_array(*value, object.place_of(key));
    if (elements.size() > max_size) {
        throw DescriptionError{object.place_of(key),
                               "expected at most " + std::to_string(max_size) + " elements"};
    }
    return elements;
}

}  // namespace quartzmon::platform::simulated
