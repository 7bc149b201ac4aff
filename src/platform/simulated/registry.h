// The registry under HKEY_LOCAL_MACHINE: keys by path, values by name, both
// case-insensitive as in Windows. A key exists when it is described or lies on
// the path to a described key.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/simulated/description_reader.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {

struct RegistryValue {
    std::uint32_t type = layout::REG_SZ;
    std::vector<std::uint8_t> data;
};

class Registry {
public:
    // "registry": { "KEY\\PATH": { "value name": "text" or { "type": 3, "hex": "..." } } }
    static Registry read(JsonObject& keys);

    bool key_exists(const std::string& path) const;
    const RegistryValue* find_value(const std::string& key_path, const std::string& name) const;

private:
    // Lower-cased key path -> lower-cased value name -> value.
    std::map<std::string, std::map<std::string, RegistryValue>> keys_;
};

// The path of sub_key below key_path (either may be empty).
std::string join_registry_path(const std::string& key_path, const std::string& sub_key);

// RegQueryValueExW's copy of the data: ERROR_SUCCESS when it fits, else
// ERROR_MORE_DATA. An empty buffer (a null pointer) asks for the size only.
std::uint32_t copy_registry_value(const RegistryValue& value, std::span<std::uint8_t> data);

}  // namespace quartzmon::platform::simulated
