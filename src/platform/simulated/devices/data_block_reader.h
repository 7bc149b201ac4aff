// Reading a device's data block (a SMART data block, an NVMe log page) from a
// description: either the whole block as hex bytes, so a dump read from a real
// device replays unchanged, or the block's fields one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

// When the object has "hex", fills the block from it (exactly block.size()
// bytes) and rejects every other key; returns false when there is no "hex",
// so the caller builds the block from fields.
bool read_block_as_hex(JsonObject& object, std::span<std::uint8_t> block);

// Fields of one or two bytes, checked for range.
std::optional<std::uint8_t> read_byte(JsonObject& object, std::string_view key);
std::optional<std::uint16_t> read_word(JsonObject& object, std::string_view key);

// The array under key with at most max_size elements; empty when absent.
nlohmann::json::array_t read_array_of_at_most(JsonObject& object, std::string_view key,
                                              std::size_t max_size);

}  // namespace quartzmon::platform::simulated
