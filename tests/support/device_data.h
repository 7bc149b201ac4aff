// Describing simulated devices and checking the data they return, for tests of
// the device models.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/description/hex_text.h"
#include "platform/simulated/description_reader.h"

namespace quartzmon::test_support {

// Hex text of size bytes counting up modulo 251: a byte out of place shows,
// and a 512-byte block's last byte (9) is not its ATA checksum.
inline std::string counting_hex(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return platform::description::hex_text(bytes);
}

// "place: message" of the description error read throws, or "accepted".
inline std::string description_error(
    platform::simulated::JsonObject& object,
    const std::function<void(platform::simulated::JsonObject&)>& read) {
    try {
        read(object);
    } catch (const platform::simulated::DescriptionError& error) {
        return error.place + ": " + error.message;
    }
    return "accepted";
}

// Runs of bytes expected at offsets of the data, as hex ("C2 2200 64").
using ExpectedData = std::vector<std::pair<std::size_t, std::string>>;

inline void expect_data(std::span<const std::uint8_t> data, const ExpectedData& expected) {
    for (const auto& [offset, hex] : expected) {
        const auto bytes = platform::simulated::read_hex_bytes(hex, "expected");
        ASSERT_LE(offset + bytes.size(), data.size()) << "at " << offset;
        EXPECT_EQ(std::vector(data.begin() + offset, data.begin() + offset + bytes.size()), bytes)
            << "at " << offset;
    }
}

// A dump read from a file, as a device's "hex" data block.
inline std::string hex_text(const std::string& bytes) {
    return platform::description::hex_text(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace quartzmon::test_support
