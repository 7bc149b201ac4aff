#include "platform/simulated/description_reader.h"

#include <cctype>
#include <limits>

#include "platform/description/hex_text.h"

namespace quartzmon::platform::simulated {
namespace {

[[noreturn]] void fail(const std::string& place, std::string message) {
    throw DescriptionError{place, std::move(message)};
}

int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string member_place(const std::string& place, std::string_view key) {
    std::string escaped;
    for (char c : key) {
        if (c == '~') {
            escaped += "~0";
        } else if (c == '/') {
            escaped += "~1";
        } else {
            escaped += c;
        }
    }
    return place + "/" + escaped;
}

std::string element_place(const std::string& place, std::size_t index) {
    return place + "/" + std::to_string(index);
}

std::int64_t read_integer(const nlohmann::json& value, const std::string& place, std::int64_t min,
                          std::int64_t max) {
    const std::string expected =
        "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    // nlohmann reads every number from 0 up as unsigned; both bounds still apply.
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(max) ||
            (min > 0 && number < static_cast<std::uint64_t>(min))) {
            fail(place, expected);
        }
        return static_cast<std::int64_t>(number);
    }
    if (!value.is_number_integer()) fail(place, expected);
    const auto number = value.get<std::int64_t>();
    if (number < min || number > max) fail(place, expected);
    return number;
}

std::uint32_t read_u32(const nlohmann::json& value, const std::string& place) {
    return static_cast<std::uint32_t>(
        read_integer(value, place, 0, std::numeric_limits<std::uint32_t>::max()));
}

std::string read_text(const nlohmann::json& value, const std::string& place) {
    if (!value.is_string()) fail(place, "expected a text");
    return value.get<std::string>();
}

bool read_bool(const nlohmann::json& value, const std::string& place) {
    if (!value.is_boolean()) fail(place, "expected true or false");
    return value.get<bool>();
}

std::vector<std::uint8_t> read_hex_bytes(const nlohmann::json& value, const std::string& place) {
    if (!value.is_string()) fail(place, "expected hex bytes as a text");
    auto bytes = description::bytes_of_hex_text(value.get<std::string>());
    if (!bytes) {
        fail(place, "expected hex bytes (pairs of hexadecimal digits) at character " +
                        std::to_string(bytes.error()));
    }
    return *bytes;
}

std::uint32_t parse_u32_text(std::string_view text, const std::string& place) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    const std::uint64_t base = hex ? 16 : 10;
    std::uint64_t value = 0;
    if (digits.empty() || digits.size() > 10)
        fail(place, "expected a number such as 0x80000000 or 0");
    for (char c : digits) {
        const int digit = hex_digit_value(c);
        if (digit < 0 || static_cast<std::uint64_t>(digit) >= base) {
            fail(place, "expected a number such as 0x80000000 or 0");
        }
        value = value * base + static_cast<std::uint64_t>(digit);
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) fail(place, "number above 0xFFFFFFFF");
    return static_cast<std::uint32_t>(value);
}

const nlohmann::json::array_t& read_array(const nlohmann::json& value, const std::string& place) {
    if (!value.is_array()) fail(place, "expected an array");
    return value.get_ref<const nlohmann::json::array_t&>();
}

JsonObject::JsonObject(const nlohmann::json& value, std::string place)
    : value_(value), place_(std::move(place)) {
    if (!value_.is_object()) fail(place_, "expected an object");
}

const nlohmann::json* JsonObject::find(std::string_view key) {
    known_.emplace(key);
    const auto member = value_.find(std::string(key));
    return member == value_.end() ? nullptr : &*member;
}

const nlohmann::json& JsonObject::required(std::string_view key) {
    const nlohmann::json* member = find(key);
    if (member == nullptr) fail(place_of(key), "missing");
    return *member;
}

std::optional<std::string> JsonObject::text(std::string_view key) {
    const nlohmann::json* member = find(key);
    if (member == nullptr) return std::nullopt;
    return read_text(*member, place_of(key));
}

std::optional<std::uint32_t> JsonObject::u32(std::string_view key) {
    const nlohmann::json* member = find(key);
    if (member == nullptr) return std::nullopt;
    return read_u32(*member, place_of(key));
}

std::optional<std::int64_t> JsonObject::integer(std::string_view key, std::int64_t min,
                                                std::int64_t max) {
    const nlohmann::json* member = find(key);
    if (member == nullptr) return std::nullopt;
    return read_integer(*member, place_of(key), min, max);
}

std::optional<bool> JsonObject::boolean(std::string_view key) {
    const nlohmann::json* member = find(key);
    if (member == nullptr) return std::nullopt;
    return read_bool(*member, place_of(key));
}

std::optional<std::vector<std::uint8_t>> JsonObject::hex_bytes(std::string_view key) {
    const nlohmann::json* member = find(key);
    if (member == nullptr) return std::nullopt;
    return read_hex_bytes(*member, place_of(key));
}

std::vector<std::pair<std::string, const nlohmann::json*>> JsonObject::members() {
    std::vector<std::pair<std::string, const nlohmann::json*>> result;
    for (const auto& [key, member] : value_.items()) {
        known_.insert(key);
        result.emplace_back(key, &member);
    }
    return result;
}

void JsonObject::reject_unknown_keys(std::string_view complaint) const {
    for (const auto& [key, member] : value_.items()) {
        if (!known_.contains(key)) fail(place_of(key), std::string(complaint));
    }
}

}  // namespace quartzmon::platform::simulated
