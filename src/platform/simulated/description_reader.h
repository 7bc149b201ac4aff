// Strict reading of a machine description. Every value is read at a place (a
// JSON pointer such as /disks/0/open); a value of the wrong type or a key no
// reader asked for is a DescriptionError naming that place, so a typo in a
// description is reported instead of silently falling back to a default.
//
// DescriptionError is thrown only inside description reading and caught where
// the machine is built (SimulatedMachine::from_json), which turns it into an
// error value.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quartzmon::platform::simulated {

struct DescriptionError {
    std::string place;    // JSON pointer; empty for the whole description
    std::string message;  // "expected an object", "unknown key", ...
};

// The place of a member below place (the key escaped as JSON pointers do).
std::string member_place(const std::string& place, std::string_view key);
std::string element_place(const std::string& place, std::size_t index);

// Scalars, each checked for type and range.
std::int64_t read_integer(const nlohmann::json& value, const std::string& place, std::int64_t min,
                          std::int64_t max);
std::uint32_t read_u32(const nlohmann::json& value, const std::string& place);
std::string read_text(const nlohmann::json& value, const std::string& place);
bool read_bool(const nlohmann::json& value, const std::string& place);
// Hexadecimal digit pairs; white space between bytes is allowed ("0A 1B 2c").
std::vector<std::uint8_t> read_hex_bytes(const nlohmann::json& value, const std::string& place);
// A number written as text: "0x" and hexadecimal digits, or decimal digits
// (used where JSON needs text, such as access masks as object keys).
std::uint32_t parse_u32_text(std::string_view text, const std::string& place);
const nlohmann::json::array_t& read_array(const nlohmann::json& value, const std::string& place);

// One JSON object being read. Each key a reader asks for is marked as known;
// reject_unknown_keys() then reports the first key nobody asked for.
class JsonObject {
public:
    JsonObject(const nlohmann::json& value, std::string place);

    const std::string& place() const { return place_; }
    std::string place_of(std::string_view key) const { return member_place(place_, key); }

    // The member, or null when the key is absent.
    const nlohmann::json* find(std::string_view key);
    // The member; its absence is an error.
    const nlohmann::json& required(std::string_view key);

    std::optional<std::string> text(std::string_view key);
    std::optional<std::uint32_t> u32(std::string_view key);
    std::optional<std::int64_t> integer(std::string_view key, std::int64_t min, std::int64_t max);
    std::optional<bool> boolean(std::string_view key);
    std::optional<std::vector<std::uint8_t>> hex_bytes(std::string_view key);

    // Every member in key order, all marked as known (for maps keyed by
    // name, such as volumes by letter or registry keys by path).
    std::vector<std::pair<std::string, const nlohmann::json*>> members();

    // Throws for the first key no reader asked for, with the given complaint.
    void reject_unknown_keys(std::string_view complaint = "unknown key") const;

private:
    const nlohmann::json& value_;
    std::string place_;
    std::set<std::string, std::less<>> known_;
};

}  // namespace quartzmon::platform::simulated
