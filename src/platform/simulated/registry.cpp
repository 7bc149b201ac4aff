#include "platform/simulated/registry.h"

#include <algorithm>

#include "platform/ascii_case.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace quartzmon::platform::simulated {
namespace {

// REG_SZ data as Windows stores it: UTF-16LE with the terminating zero.
std::vector<std::uint8_t> registry_text(const std::string& text) {
    std::vector<std::uint8_t> data;
    for (char16_t unit : utf8_to_utf16(text) + u'\0') {
        data.push_back(static_cast<std::uint8_t>(unit));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return data;
}

RegistryValue read_value(const nlohmann::json& value, const std::string& place) {
    if (value.is_string())
        return RegistryValue{layout::REG_SZ, registry_text(value.get<std::string>())};
    JsonObject object(value, place);
    RegistryValue result;
    result.type = object.u32("type").value_or(layout::REG_SZ);
    if (const auto text = object.text("text")) {
        result.data = registry_text(*text);
    } else if (auto bytes = object.hex_bytes("hex")) {
        result.data = std::move(*bytes);
    } else {
        throw DescriptionError{place, "expected \"text\" or \"hex\""};
    }
    object.reject_unknown_keys();
    return result;
}

}  // namespace

Registry Registry::read(JsonObject& keys) {
    Registry registry;
    for (const auto& [path, values_json] : keys.members()) {
        JsonObject values(*values_json, keys.place_of(path));
        auto& key = registry.keys_[ascii_lower(path)];
        for (const auto& [name, value] : values.members()) {
            key[ascii_lower(name)] = read_value(*value, values.place_of(name));
        }
    }
    return registry;
}

bool Registry::key_exists(const std::string& path) const {
    const std::string folded = ascii_lower(path);
    if (folded.empty()) return true;
    for (const auto& [described, values] : keys_) {
        if (described == folded) return true;
        if (described.size() > folded.size() && described.starts_with(folded) &&
            described[folded.size()] == '\\') {
            return true;
        }
    }
    return false;
}

const RegistryValue* Registry::find_value(const std::string& key_path,
                                          const std::string& name) const {
    const auto key = keys_.find(ascii_lower(key_path));
    if (key == keys_.end()) return nullptr;
    const auto value = key->second.find(ascii_lower(name));
    return value == key->second.end() ? nullptr : &value->second;
}

std::string join_registry_path(const std::string& key_path, const std::string& sub_key) {
    if (key_path.empty()) return sub_key;
    if (sub_key.empty()) return key_path;
    return key_path + "\\" + sub_key;
}

std::uint32_t copy_registry_value(const RegistryValue& value, std::span<std::uint8_t> data) {
    if (data.empty()) return ERROR_SUCCESS;
    if (value.data.size() > data.size()) return ERROR_MORE_DATA;
    std::ranges::copy(value.data, data.begin());
    return ERROR_SUCCESS;
}

}  // namespace quartzmon::platform::simulated
